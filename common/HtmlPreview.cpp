#include "common/HtmlPreview.h"

#include "common/FileUtils.h"
#include "common/Paths.h"
#include "common/TEmbeddedWB.h"

QString PreviewFilePath(int number) {
    return UserFilePath(TUserFolder::Cache, QStringLiteral("Preview/Temp%1.html").arg(number));
}

QString ShowHtmlPreview(TEmbeddedWB& browser, const QString& text, const QString& baseFile,
                        const std::function<QByteArray(const QString&)>& encode, bool refresh) {
    QString page = text;
    if (!baseFile.isEmpty()) {
        page = QStringLiteral("<HTML><BASE href=\"%1\">%2</HTML>")
                   .arg(TEmbeddedWB::BaseUrl(baseFile), text);
    }
    // A file the browser or another program still holds is passed over for the next one.
    constexpr int LastFile = 3;
    for (int number = 1;; ++number) {
        const QString fileName = PreviewFilePath(number);
        try {
            SaveBytesToFile(encode ? encode(page) : page.toUtf8(), fileName);
        } catch (const std::exception&) {
            if (number == LastFile)
                throw;
            continue;
        }
        if (refresh)
            browser.Refresh(fileName);
        else
            browser.Navigate(fileName);
        return fileName;
    }
}
