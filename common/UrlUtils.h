#pragma once

#include <QString>
#include <optional>

// The parts of a URL as QUrl splits it; all empty when Url is no absolute URL (a plain file path
// has no scheme and gives empty parts). The path is decoded and holds no query.
QString UrlScheme(const QString& url);
QString UrlHost(const QString& url);
QString UrlPath(const QString& url);

// The part of UrlPath after its last "/", "\" or ":".
QString UrlFileName(const QString& url);

// "http://" + UrlHost(Url).
QString HostUrl(const QString& url);

// Relative resolved against Base; an absolute Relative comes back as it is.
QString CombineUrl(const QString& base, const QString& relative);

// Whether the desktop reports a connection to the Internet. Where no network-information backend
// loads, or it cannot tell, the answer is true.
bool IsInternetConnected();

// Fixes the answer of IsInternetConnected (tests); nothing restores the system's answer.
void SetInternetConnectedOverride(std::optional<bool> connected);

// True unless the scheme is "http" (any case); an http address is local only when its path names
// an existing file.
bool IsLocalUrl(const QString& url);

// Opens Url (a URL or a file path) in the desktop's web browser. True when it was handed over;
// when no web browser is found for a file, says so in a message box.
bool OpenInWebBrowser(const QString& url);

// Opens Url in the web browser when it is local or the Internet is reachable; otherwise asks
// first whether to go on.
void OpenUrlChecked(const QString& url);
