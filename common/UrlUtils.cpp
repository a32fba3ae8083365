#include "common/UrlUtils.h"

#include "common/AppHelpers.h"
#include "common/WebBrowser.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QNetworkInformation>
#include <QUrl>

namespace {
QUrl ParsedUrl(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    // A one-letter scheme is a drive letter of a foreign path, not a URL.
    if (!parsed.isValid() || parsed.scheme().size() < 2)
        return {};
    return parsed;
}

std::optional<bool>& ConnectedOverride() {
    static std::optional<bool> connected;
    return connected;
}
} // namespace

QString UrlScheme(const QString& url) {
    return ParsedUrl(url).scheme();
}

QString UrlHost(const QString& url) {
    return ParsedUrl(url).host();
}

QString UrlPath(const QString& url) {
    return ParsedUrl(url).path(QUrl::FullyDecoded);
}

QString UrlFileName(const QString& url) {
    const QString path = UrlPath(url);
    const qsizetype cut =
        std::max({path.lastIndexOf('/'), path.lastIndexOf('\\'), path.lastIndexOf(':')});
    return path.mid(cut + 1);
}

QString HostUrl(const QString& url) {
    return "http://" + UrlHost(url);
}

QString CombineUrl(const QString& base, const QString& relative) {
    return QUrl(base).resolved(QUrl(relative)).toString();
}

bool IsInternetConnected() {
    if (ConnectedOverride())
        return *ConnectedOverride();
    static const bool loaded =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (!loaded || !QNetworkInformation::instance())
        return true;
    const auto reachability = QNetworkInformation::instance()->reachability();
    return reachability == QNetworkInformation::Reachability::Online ||
           reachability == QNetworkInformation::Reachability::Unknown;
}

void SetInternetConnectedOverride(std::optional<bool> connected) {
    ConnectedOverride() = connected;
}

bool IsLocalUrl(const QString& url) {
    if (UrlScheme(url).compare("http", Qt::CaseInsensitive) != 0)
        return true;
    return QFileInfo(UrlPath(url)).isFile();
}

bool OpenInWebBrowser(const QString& url) {
    // The desktop keeps its own browser window and reuses it; there is no instance to hold here.
    // A web address goes to the desktop's handler of its scheme, which is its web browser; a
    // file goes to a web browser by name, as the handler of HTML files may be this program.
    const QUrl address = QUrl::fromUserInput(url, QString(), QUrl::AssumeLocalFile);
    if (!address.isLocalFile())
        return QDesktopServices::openUrl(address);
    if (StartWebBrowser(address.toLocalFile()))
        return true;
    ShowInfo(QStringLiteral("No web browser was found to show \"%1\".\r\rInstall one, or make "
                            "one the default web browser of your desktop.")
                 .arg(address.toLocalFile()));
    return false;
}

void OpenUrlChecked(const QString& url) {
    if (IsLocalUrl(url) || IsInternetConnected() ||
        AskYesNo("You don't seem to be connected to the internet. Do you wish to connect now?"))
        OpenInWebBrowser(url);
}
