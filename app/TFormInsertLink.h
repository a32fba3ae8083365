#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QDialogButtonBox;
class QLineEdit;
class QPushButton;

// Asks for the address a hyperlink goes to: a web, mail or FTP address or an anchor typed in,
// or a file picked with Browse..., which OnBrowse turns into the path written in the link.
class TFormInsertLink : public QDialog {
    Q_OBJECT

public:
    explicit TFormInsertLink(QWidget* parent = nullptr);

    // Empties the address for the next link.
    void Clear();
    QString Address() const;
    // Whether the address is the file Browse... gave, unchanged: a path, not a typed address.
    bool AddressIsBrowsedFile() const;

    QLineEdit* EditAddress = nullptr;
    QPushButton* ButtonBrowse = nullptr;
    QDialogButtonBox* Buttons = nullptr;

    // Runs the file dialog; the path to write for the chosen file, or nothing.
    std::function<std::optional<QString>()> OnBrowse;

private:
    void UpdateButtons();
    QString browsed_;
};

// Whether Address can be written as a link: an http, https, ftp or mailto address, an anchor
// ("#name"), or a path without a scheme. Other schemes (javascript: and the like) are refused.
bool IsLinkAddress(const QString& address);
