// "Publish" of the File menu: the saved document uploaded to the site and remote folder it was
// last published to, chosen in the site dialog the first time.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/SettingsIni.h"
#include "net/TFormFTPClient.h"
#include "net/TFormFTPSite.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QStatusBar>

namespace {
const QString kPublishSection = QStringLiteral("Publish");

// A document's full path as a key of the settings file, whose keys cannot hold "/" or "\".
QString PublishKey(const QString& fileName) {
    QString key = fileName;
    return key.replace('%', "%25").replace('/', "%2F").replace('\\', "%5C");
}

bool IsSavedSite(const QString& name) {
    return !name.trimmed().isEmpty() && TIniFile(SitesFilePath()).SectionExists(name);
}
} // namespace

void TFormGlyphon::ConnectPublishCommands() {
    connect(MIPublish, &QAction::triggered, this,
            [this] { RunCommand([this] { MIPublishClick(); }); });
}

bool TFormGlyphon::SaveBeforePublishing() {
    const QFileInfo file(DocumentFileName);
    // An untitled document has nothing to send until it is saved; Save As is the question.
    if (!file.isAbsolute() || !file.isFile()) {
        ClickMenuItem(MISaveAs);
        return QFileInfo(DocumentFileName).isAbsolute() && !GlyphEdit.Modified();
    }
    if (!GlyphEdit.Modified())
        return true;
    const QMessageBox::StandardButton answer =
        AskYesNoCancel(QString("The file \"%1\" has been changed.\r\rDo you want to save the "
                               "changes before publishing it?")
                           .arg(DocumentFileName));
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes) {
        ClickMenuItem(MISave);
        return !GlyphEdit.Modified();
    }
    return true; // No: the version last saved goes
}

void TFormGlyphon::MIPublishClick() {
    if (!SaveBeforePublishing())
        return;
    // One publish at a time: the keyring and the server are waited for with the events running.
    MIPublish->setEnabled(false);
    const auto enableAgain = qScopeGuard([this] { MIPublish->setEnabled(true); });
    const QString fileName = DocumentFileName;
    const QString key = PublishKey(fileName);
    TFormFTPClient& client = FormFTPClient();
    TFormFTPSite& site = *client.SiteDialog();
    TIniFile& settings = SettingsIni();
    QString folder = settings.ReadString(kPublishSection, key + ".RemoteFolder");
    // The first time, or when the site has been removed since, the user chooses.
    if (!site.SelectSavedSite(settings.ReadString(kPublishSection, key + ".Site"))) {
        if (!site.ExecuteSiteDialog())
            return;
        folder = site.SiteRemotePath;
    }

    const QString name = QFileInfo(fileName).fileName();
    const QString target = site.SiteName.trimmed().isEmpty() ? site.SiteHostName : site.SiteName;
    QLabel* status = StatusPanel(StatusBar, 0);
    status->setText(QString("Publishing \"%1\" to %2 %3").arg(name, target, folder).trimmed());
    const QString failure = client.PublishFile(fileName, folder);
    if (!failure.isEmpty()) {
        const QString text = QString("\"%1\" was not published: %2").arg(name, failure);
        status->setText(text);
        client.LogMessage(text);
        RaiseError(text);
    }
    const QString text = QString("Published \"%1\" to %2 %3").arg(name, target, folder).trimmed();
    status->setText(text);
    client.LogMessage(text);
    if (!IsSavedSite(site.SiteName)) {
        client.LogMessage("The site is not saved, so the next Publish asks for it again.");
        return;
    }
    settings.Batch([&] {
        settings.WriteString(kPublishSection, key + ".Site", site.SiteName);
        settings.WriteString(kPublishSection, key + ".RemoteFolder", folder);
    });
}
