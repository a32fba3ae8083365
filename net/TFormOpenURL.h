#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

// An address split into its parts. Path holds the folders with their final "/", Document the
// name after them; Params and Bookmark are kept without their "?" and "#". Parts are stored
// percent-encoded, as they go on the wire.
struct TParsedURL {
    QString Scheme;
    QString UserName;
    QString Password;
    QString Host;
    int Port = -1;
    QString Path;
    QString Document;
    QString Params;
    QString Bookmark;

    static TParsedURL Parse(const QString& text);
    // The parts joined into one address, user information and bookmark included.
    QString FullURL() const;
};

// An address as typed, completed into a full URL: "http" when no scheme is given, a host read
// from the path when none is given ("LocalHost" when there is nothing at all), and the "." and
// ".." segments of the path resolved.
TParsedURL CompleteURL(const QString& address);

// The Open URL dialog: asks for an address to download. Created at start-up and reused; the
// address typed is kept for the next use.
class TFormOpenURL : public QDialog {
    Q_OBJECT

public:
    explicit TFormOpenURL(QWidget* parent = nullptr);

    // Runs the dialog modally; on OK completes the address into ParsedURL and returns true.
    bool ExecuteOpenURL();

    TParsedURL ParsedURL; // the last accepted address

    QLineEdit* EditURL;
    QPushButton* ButtonOK;
    QPushButton* ButtonCancel;

private:
    void EditURLChange(const QString& text);
};
