#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

// Status codes of a download, kept as the 32-bit codes the download worker hands back.
inline constexpr quint32 kDownloadOk = 0;
inline constexpr quint32 kDownloadAborted = 0x80004004;  // E_ABORT
inline constexpr quint32 kDownloadFailed = 0x80004005;   // E_FAIL
inline constexpr quint32 kDownloadTooLarge = 0x800700DF; // the body passed the size limit
inline constexpr quint32 kDownloadStalled = 0x800C000B;  // no byte came within the stall time

// What one download may take: a server that sends without end, or one that stops sending
// without closing, must not fill the disk or hang the program.
struct TDownloadLimits {
    quint64 MaxBytes = 512ull * 1024 * 1024;
    int StallSeconds = 60;
};

// Called on the transferring thread with the bytes received so far and the expected total
// (0 while the size is unknown); answering kDownloadAborted stops the transfer.
using TDownloadProgress = std::function<quint32(quint64 progress, quint64 progressMax)>;

// What a finished transfer tells beyond its status, for diagnostics.
struct TDownloadResult {
    quint32 Status = kDownloadFailed;
    QString ErrorText; // libcurl's explanation of a failure, empty on success
};

// Fetches Url (http, https, ftp or file) into a new file of CacheFolder and, on success, puts
// that file's path into CacheFileName. The body is written to a temporary file that becomes
// the cached copy only when the whole transfer succeeded, so a failed, cut-off, cancelled or
// limited download leaves nothing behind. A file URL must name a regular file. Blocks until
// the transfer ends; meant for a worker thread.
TDownloadResult URLDownloadToCacheFile(const QString& url, const QString& cacheFolder,
                                       QString& cacheFileName, const TDownloadProgress& progress,
                                       const TDownloadLimits& limits = {});

// The longest cache name, in bytes of its file-system encoding; the "[n]" counter still fits
// under the file system's 255 bytes.
inline constexpr qsizetype kMaxCacheNameBytes = 200;

// The name the cached copy of Url gets before its "[n]" counter: the last part of the URL's
// path, or "index" when there is none, with an extension taken from ContentType when the name
// has none; cut to kMaxCacheNameBytes, keeping a short extension.
QString CacheBaseName(const QString& url, const QString& contentType);

// Removes the unfinished downloads in CacheFolder whose writing process no longer runs; those
// of running processes (another window's download) stay.
void RemoveLeftoverDownloads(const QString& cacheFolder);
