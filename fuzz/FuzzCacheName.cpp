// URL to cache name: whatever the URL and content type, the name is one plain file name of
// bounded length, so the cached copy lands inside the cache folder.
#include "net/URLDownloadToCacheFile.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The content type follows the first NUL byte.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    const QString url = QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul));
    const QString type = nul < 0 ? QString() : QString::fromUtf8(bytes.mid(nul + 1));
    const QString name = CacheBaseName(url, type);
    const QString folder = QStringLiteral("/cache");
    if (name.isEmpty() || name == "." || name == ".." || name.contains(u'/') ||
        name.contains(QChar(0)) || QFile::encodeName(name).size() > kMaxCacheNameBytes ||
        QDir::cleanPath(folder + '/' + name).section(u'/', 0, -2) != folder)
        std::abort();
    return 0;
}
