#include "common/HtmlPreview.h"

#include "common/FileUtils.h"
#include "common/Paths.h"
#include "common/TEmbeddedWB.h"

#include <QMutex>

QString PreviewFilePath(int number) {
    return UserFilePath(TUserFolder::Cache, QStringLiteral("Preview/Temp%1.html").arg(number));
}

QString HtmlPreviewPage(const QString& text, const QString& baseUrl) {
    if (baseUrl.isEmpty())
        return text;
    return QStringLiteral("<HTML><BASE href=\"%1\">%2</HTML>").arg(baseUrl, text);
}

QString WriteHtmlPreviewFile(const QByteArray& bytes, const std::function<bool()>& superseded) {
    // A page built on a worker and one built on the window's thread would otherwise write into
    // each other, and an older page could land after a newer one.
    static QMutex writing;
    const QMutexLocker lock(&writing);
    if (superseded && superseded())
        return {};
    // A file the browser or another program still holds is passed over for the next one.
    constexpr int LastFile = 3;
    for (int number = 1;; ++number) {
        const QString fileName = PreviewFilePath(number);
        try {
            SaveBytesToFile(bytes, fileName);
            return fileName;
        } catch (const std::exception&) {
            if (number == LastFile)
                throw;
        }
    }
}

QString ShowHtmlPreview(TEmbeddedWB& browser, const QString& text, const QString& baseFile) {
    const QString page =
        HtmlPreviewPage(text, baseFile.isEmpty() ? QString() : TEmbeddedWB::BaseUrl(baseFile));
    const QString fileName = WriteHtmlPreviewFile(page.toUtf8());
    browser.Navigate(fileName);
    return fileName;
}
