#include "net/DownloadURL.h"

#include "common/AppHelpers.h"
#include "net/TFormDownload.h"

namespace {

QString DownloadWith(TFormDownload& form, const QString& name) {
    QString local = name;
    if (form.ExecuteDownload(QObject::tr("Downloading URL"), local))
        return local;
    if (form.ModalResult() == QDialog::Accepted)
        RaiseError(QObject::tr("URL not found \"%1\"").arg(name));
    RaiseError(QObject::tr("Download Terminated By User."));
}

} // namespace

QString DownloadURL(const QString& name) {
    if (TFormDownload* form = TFormDownload::Instance())
        return DownloadWith(*form, name);
    // Without the program's dialog (a tool or a test using only this function) a dialog of
    // its own serves this one download.
    TFormDownload form;
    return DownloadWith(form, name);
}
