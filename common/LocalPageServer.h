#pragma once

#include <QString>
#include <QUrl>

// Serves local files to the embedded browser over HTTP on the loopback addresses, in two kinds
// of origin, each under a random host name below "localhost":
// - a page origin serves one page alone: the file a browser was sent to, whose scripts run;
// - a site's resource origin serves the files a page references (SiteFiles.h says which), with
//   no CORS header and, for documents, a sandboxing Content-Security-Policy, so a page loads
//   its images, style sheets, scripts, fonts and frames but no script reads them.
// Any other address of a page origin is redirected to its site's resource origin, so a page's
// relative references load as they would from disk. Connections of other users of the machine
// are refused; an idle connection is closed after 30 seconds, and at most 64 are open at once.
//
// The server runs on a thread of its own, started the first time an address is asked for, so a
// program that shows no page never starts it.

// The address of the page FileName, on an origin of its own.
QString LocalPageUrl(const QString& fileName);

// The address of FileName on its site's resource origin, for a BASE element.
QString LocalResourceUrl(const QString& fileName);

// Where a top-level frame asked to go to Url goes instead: a page of its own for a file of this
// server that a page may reach, nothing (an empty address) for any other of this server's
// addresses; any other address is left as it is.
QUrl LocalTopFrameUrl(const QUrl& url);

// The port the server listens on, on both loopback addresses (starting it).
quint16 LocalPageServerPort();
