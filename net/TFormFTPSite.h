#pragma once

#include "common/FormStorage.h"
#include "common/SettingsIni.h"
#include "net/TFtpSession.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class TSitePasswords;

// The site database "Sites.ini" in the per-user configuration folder, readable by its owner
// only, since it may hold passwords.
QString SitesFilePath();
// Makes sure the site database exists and only its owner can read or write it.
void ProtectSitesFile();
// The certificate the user accepted for Site (PEM), empty when none; and keeping one. A saved
// site keeps it in the site database; a site never saved keeps it, by its server, for this run
// of the program only, so that no section without a host turns up in the list.
QByteArray ReadSiteCertificate(const QString& site, const TFtpServer& server);
void WriteSiteCertificate(const QString& site, const TFtpServer& server, const QByteArray& pem);
// Forgets the certificate accepted for the saved Site, so the next connection asks again.
void RemoveSiteCertificate(const QString& site);

// The site dialog "Connect to FTP Site": named sites kept in the site database, or details
// typed for one connection.
class TFormFTPSite : public QDialog {
    Q_OBJECT

public:
    explicit TFormFTPSite(QWidget* parent = nullptr);
    ~TFormFTPSite() override;

    // Shows the dialog modally; true when closed with Connect, with the result fields set.
    bool ExecuteSiteDialog();
    // Sets the result to the saved site Name, as Connect would, without showing the dialog;
    // false when no site of that name is saved.
    bool SelectSavedSite(const QString& name);

    // The result, copied from the fields when the dialog closes with Connect.
    QString SiteName;
    QString SiteHostName;
    QString SiteUserName;
    QString SitePassword;
    QString SiteRemotePath;
    QString SiteLocalPath;
    TFtpProtocol SiteProtocol = TFtpProtocol::Ftp;
    bool SitePassive = true;
    // The server to connect to: host ("host" or "host:port"), user, password, protocol, mode,
    // and the certificate accepted for the site.
    TFtpServer SiteServer() const;

    QComboBox* CBSiteName = nullptr;
    QPushButton* ButtonSave = nullptr;
    QPushButton* ButtonRemove = nullptr;
    QLineEdit* EditHostName = nullptr;
    QComboBox* EditUsername = nullptr;
    QLineEdit* EditPassword = nullptr;
    QCheckBox* CBShowPassword = nullptr;
    // Says where saved passwords go when it is not the desktop's keyring.
    QLabel* LabelPasswordNote = nullptr;
    QLineEdit* EditRemote = nullptr;
    QLineEdit* EditLocal = nullptr;
    QComboBox* CBProtocol = nullptr;
    QCheckBox* CBPassive = nullptr;
    // Forgets the certificate accepted for the saved site; enabled while it has one.
    QPushButton* ButtonForgetCertificate = nullptr;
    QPushButton* ButtonConnect = nullptr;
    QPushButton* ButtonCancel = nullptr;

    void CBSiteNameChange();
    void EditHostNameChange();
    void ButtonSaveClick();
    void ButtonRemoveClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void ReadSiteNames();
    QString SavedName(const QString& name) const;
    void AcceptResult();
    void LoadPassword(const QString& name);
    void ShowPasswordNote(const QString& text);
    void FitPasswordNote();
    // Sizes the dialog to its page, or to the screen where the page is taller.
    void FitToScreen();
    // Says in the note where saved passwords go, when it is not the keyring.
    void NotePasswordPlace();

    QScrollArea* scroll_ = nullptr;
    std::unique_ptr<TIniFile> sites_;
    TSitePasswords* passwords_ = nullptr;
    bool readingPassword_ = false; // the chosen site's password is on its way from the keyring
    int passwordRead_ = 0;         // which read a late password belongs to
    TFormStorage storage_;
};
