#pragma once

#include <QString>

// Turns any name the program is asked to open into a local file: an existing file comes back
// unchanged; anything else is fetched as a URL into the internet cache while the download
// dialog runs, and the cached copy's path comes back. Throws EGlyphError with
// "URL not found \"<name>\"" when the fetch failed, or "Download Terminated By User." when the
// user cancelled it; a download stopped by the dialog's limits (too large, or stalled) says
// so instead of "URL not found".
QString DownloadURL(const QString& name);

// The URL whose download DownloadURL saved as FileName in this run; empty for any other file.
QString DownloadedFromUrl(const QString& fileName);
