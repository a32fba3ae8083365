#include "net/URLDownloadToCacheFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTemporaryFile>
#include <QUrl>
#include <curl/curl.h>
#include <memory>

namespace {

// Longest base name kept from a URL, so that odd addresses still make valid file names.
constexpr int kMaxBaseNameLength = 100;
constexpr int kMaxCacheCopies = 9999;

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

struct TransferState {
    QFile* Body = nullptr;
    const TDownloadProgress* Progress = nullptr;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const qint64 total = qint64(size * count);
    // A short count makes libcurl stop with a write error, so a full disk is a failure.
    return state->Body->write(data, total) == total ? size_t(total) : 0;
}

int ReportProgress(void* user, curl_off_t downloadTotal, curl_off_t downloadNow, curl_off_t,
                   curl_off_t) {
    auto* state = static_cast<TransferState*>(user);
    if (!*state->Progress)
        return 0;
    const quint32 answer = (*state->Progress)(quint64(downloadNow), quint64(downloadTotal));
    return answer == kDownloadAborted ? 1 : 0;
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
    name = name.left(kMaxBaseNameLength);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.clear();
    const QString suffix = SuffixForContentType(contentType);
    if (name.isEmpty())
        return QStringLiteral("index.") + (suffix.isEmpty() ? QStringLiteral("html") : suffix);
    if (QFileInfo(name).suffix().isEmpty() && !suffix.isEmpty())
        name += '.' + suffix;
    return name;
}

TDownloadResult URLDownloadToCacheFile(const QString& url, const QString& cacheFolder,
                                       QString& cacheFileName, const TDownloadProgress& progress) {
    // A name without a scheme is no address: libcurl would guess "http" and look up a host
    // made of a file name.
    const QUrl parsed(url);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return Failure(QStringLiteral("not a URL"));
    if (cacheFolder.isEmpty() || !QDir().mkpath(cacheFolder))
        return Failure(QStringLiteral("cannot create the cache folder"));

    QTemporaryFile body(QDir(cacheFolder).filePath(QStringLiteral("download-XXXXXX.part")));
    if (!body.open())
        return Failure(body.errorString());

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return Failure(QStringLiteral("libcurl could not start"));
    TransferState state{&body, &progress};
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

    const CURLcode code = curl_easy_perform(c);
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
