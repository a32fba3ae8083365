#include "net/URLDownloadToCacheFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <curl/curl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kMaxCacheCopies = 9999;
// A longer extension is no real one; it goes with the rest of a name that must be cut.
constexpr qsizetype kMaxKeptExtensionBytes = 16;

// Unfinished downloads carry the writer's process id, so that a later start can tell its own
// leftovers from another window's download in progress.
const QString kPartPrefix = QStringLiteral("download-");
const QString kPartSuffix = QStringLiteral(".part");

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

struct TransferState {
    QFile* Body = nullptr;
    const TDownloadProgress* Progress = nullptr;
    TDownloadLimits Limits;
    quint64 Written = 0;
    bool TooLarge = false;
    // The stall clock restarts whenever a byte arrives.
    QElapsedTimer SinceLastByte;
    curl_off_t LastNow = 0;
    bool Stalled = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const qint64 total = qint64(size * count);
    // The limit counts the bytes as stored, after any decompression.
    if (state->Written + quint64(total) > state->Limits.MaxBytes) {
        state->TooLarge = true;
        return 0;
    }
    state->Written += quint64(total);
    // A short count makes libcurl stop with a write error, so a full disk is a failure.
    return state->Body->write(data, total) == total ? size_t(total) : 0;
}

// libcurl calls this about once a second even while nothing arrives, which is what the stall
// clock needs.
int ReportProgress(void* user, curl_off_t downloadTotal, curl_off_t downloadNow, curl_off_t,
                   curl_off_t) {
    auto* state = static_cast<TransferState*>(user);
    if (downloadNow != state->LastNow) {
        state->LastNow = downloadNow;
        state->SinceLastByte.restart();
    } else if (state->SinceLastByte.hasExpired(qint64(state->Limits.StallSeconds) * 1000)) {
        state->Stalled = true;
        return 1;
    }
    if (!*state->Progress)
        return 0;
    const quint32 answer = (*state->Progress)(quint64(downloadNow), quint64(downloadTotal));
    return answer == kDownloadAborted ? 1 : 0;
}

// The first characters of Text whose encoded form fits in MaxBytes; a surrogate pair is never
// split.
QString LeadingBytes(const QString& text, qsizetype maxBytes) {
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype length = text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        bytes += QFile::encodeName(text.mid(end, length)).size();
        if (bytes > maxBytes)
            break;
        end += length;
    }
    return text.left(end);
}

QString ShortenedCacheName(const QString& name) {
    if (QFile::encodeName(name).size() <= kMaxCacheNameBytes)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    QString extension = dot > 0 ? name.mid(dot) : QString();
    if (QFile::encodeName(extension).size() > kMaxKeptExtensionBytes)
        extension.clear();
    const QString stem = extension.isEmpty() ? name : name.left(dot);
    return LeadingBytes(stem, kMaxCacheNameBytes - QFile::encodeName(extension).size()) + extension;
}

bool ProcessRuns(qint64 pid) {
    if (pid <= 0 || pid != qint64(pid_t(pid)))
        return false;
    // EPERM: the process exists but belongs to someone else.
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// A file URL that names a device or a pipe would never end.
bool NamesRegularFile(const QUrl& url) {
    return url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile();
}

// The text after the last "/", "\" or ":" of the URL's path.
QString LastPathPart(const QString& url) {
    const QString path = QUrl(url).path();
    qsizetype cut = -1;
    for (const QChar separator : {u'/', u'\\', u':'})
        cut = std::max(cut, path.lastIndexOf(separator));
    return path.mid(cut + 1);
}

QString SuffixForContentType(const QString& contentType) {
    const QString name = contentType.section(';', 0, 0).trimmed();
    if (name.isEmpty() || name == QLatin1String("application/octet-stream"))
        return {};
    const QMimeType type = QMimeDatabase().mimeTypeForName(name);
    return type.isValid() ? type.preferredSuffix() : QString();
}

// Moves the finished temporary file to "<stem>[n].<ext>" with the first free n; never
// overwrites an earlier cached copy.
QString KeepAsCacheCopy(QTemporaryFile& body, const QString& folder, const QString& baseName) {
    const qsizetype dot = baseName.lastIndexOf('.');
    const QString stem = dot > 0 ? baseName.left(dot) : baseName;
    const QString extension = dot > 0 ? baseName.mid(dot) : QString();
    for (int n = 1; n <= kMaxCacheCopies; ++n) {
        const QString candidate =
            QDir(folder).filePath(QStringLiteral("%1[%2]%3").arg(stem).arg(n).arg(extension));
        if (QFileInfo::exists(candidate))
            continue;
        if (body.rename(candidate)) {
            body.setAutoRemove(false);
            return candidate;
        }
    }
    return {};
}

TDownloadResult Failure(const QString& text) {
    return {kDownloadFailed, text};
}

} // namespace

QString CacheBaseName(const QString& url, const QString& contentType) {
    QString name = LastPathPart(url);
    name.remove(QChar(0));
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control)
            c = '_';
    }
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.clear();
    const QString suffix = SuffixForContentType(contentType);
    if (name.isEmpty())
        return QStringLiteral("index.") + (suffix.isEmpty() ? QStringLiteral("html") : suffix);
    if (QFileInfo(name).suffix().isEmpty() && !suffix.isEmpty())
        name += '.' + suffix;
    return ShortenedCacheName(name);
}

void RemoveLeftoverDownloads(const QString& cacheFolder) {
    static const QRegularExpression partName(
        QStringLiteral("^%1(\\d+)-.*%2$")
            .arg(QRegularExpression::escape(kPartPrefix), QRegularExpression::escape(kPartSuffix)));
    QDir folder(cacheFolder);
    const QStringList parts = folder.entryList({kPartPrefix + '*' + kPartSuffix},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& part : parts) {
        const QRegularExpressionMatch match = partName.match(part);
        if (match.hasMatch() && !ProcessRuns(match.captured(1).toLongLong()))
            folder.remove(part);
    }
}

TDownloadResult URLDownloadToCacheFile(const QString& url, const QString& cacheFolder,
                                       QString& cacheFileName, const TDownloadProgress& progress,
                                       const TDownloadLimits& limits) {
    // A name without a scheme is no address: libcurl would guess "http" and look up a host
    // made of a file name.
    const QUrl parsed(url);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return Failure(QStringLiteral("not a URL"));
    if (parsed.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0 &&
        !NamesRegularFile(parsed))
        return Failure(QStringLiteral("not a regular file"));
    if (cacheFolder.isEmpty() || !QDir().mkpath(cacheFolder))
        return Failure(QStringLiteral("cannot create the cache folder"));

    QTemporaryFile body(QDir(cacheFolder)
                            .filePath(kPartPrefix +
                                      QString::number(QCoreApplication::applicationPid()) +
                                      "-XXXXXX" + kPartSuffix));
    if (!body.open())
        return Failure(body.errorString());

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return Failure(QStringLiteral("libcurl could not start"));
    TransferState state;
    state.Body = &body;
    state.Progress = &progress;
    state.Limits = limits;
    state.SinceLastByte.start();
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray encoded = parsed.toEncoded();
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, encoded.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,ftp,file");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Velmaris Glyphon");
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &ReportProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &state);
    // A declared size over the limit is refused before the body comes.
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.MaxBytes));

    const CURLcode code = curl_easy_perform(c);
    if (state.TooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return {kDownloadTooLarge, QStringLiteral("larger than the download limit")};
    if (state.Stalled)
        return {kDownloadStalled, QStringLiteral("no data within the stall time")};
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return {kDownloadAborted, QString::fromUtf8(curl_easy_strerror(code))};
    if (code != CURLE_OK) {
        const QString detail = QString::fromUtf8(errorBuffer);
        return Failure(detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : detail);
    }
    if (!body.flush())
        return Failure(body.errorString());

    const char* contentType = nullptr;
    curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &contentType);
    const QString kept =
        KeepAsCacheCopy(body, cacheFolder, CacheBaseName(url, QString::fromUtf8(contentType)));
    if (kept.isEmpty())
        return Failure(QStringLiteral("cannot name the cached copy"));
    cacheFileName = kept;
    return {kDownloadOk, {}};
}
