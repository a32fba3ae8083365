#include "net/DownloadURL.h"

#include "common/AppHelpers.h"
#include "net/TFormDownload.h"

#include <QFileInfo>
#include <QHash>

namespace {

// The limits name what went wrong; "URL not found" would send the user looking for a typo.
QString FailureText(const TFormDownload& form, const QString& name) {
    constexpr quint64 megabyte = 1024 * 1024;
    switch (form.ReturnValue()) {
    case kDownloadTooLarge:
        return QObject::tr("The download of \"%1\" was stopped: it is larger than %2 MB.")
            .arg(name)
            .arg((form.Limits.MaxBytes + megabyte - 1) / megabyte);
    case kDownloadStalled:
        return QObject::tr("The download of \"%1\" was stopped: no data arrived for %2 seconds.")
            .arg(name)
            .arg(form.Limits.StallSeconds);
    default:
        return QObject::tr("URL not found \"%1\"").arg(name);
    }
}

// The cached copies made in this run, with the address each came from.
QHash<QString, QString>& Downloads() {
    static QHash<QString, QString> downloads;
    return downloads;
}

QString DownloadWith(TFormDownload& form, const QString& name) {
    QString local = name;
    if (form.ExecuteDownload(QObject::tr("Downloading URL"), local)) {
        if (local != name)
            Downloads().insert(QFileInfo(local).absoluteFilePath(), name);
        return local;
    }
    if (form.ModalResult() == QDialog::Accepted)
        RaiseError(FailureText(form, name));
    RaiseError(QObject::tr("Download Terminated By User."));
}

} // namespace

QString DownloadedFromUrl(const QString& fileName) {
    return Downloads().value(QFileInfo(fileName).absoluteFilePath());
}

QString DownloadURL(const QString& name) {
    if (TFormDownload* form = TFormDownload::Instance())
        return DownloadWith(*form, name);
    // Without the program's dialog (a tool or a test using only this function) a dialog of
    // its own serves this one download.
    TFormDownload form;
    return DownloadWith(form, name);
}
