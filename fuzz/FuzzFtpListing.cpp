// The FTP listing parser on any bytes: it ends, and a name it gives is either refused as a local
// file name or cannot leave the chosen folder, whatever the server sent.
#include "net/FtpListing.h"

#include <QDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString folder = QStringLiteral("/downloads");
    for (const TFtpFindData& entry : ParseFtpListing(text)) {
        // A line break ends an entry, so no name may hold one.
        if (entry.Name.contains(u'\n'))
            std::abort();
        if (!IsSafeLocalFileName(entry.Name))
            continue;
        const QString path = QDir::cleanPath(folder + u'/' + entry.Name);
        if (path.section(u'/', 0, -2) != folder || entry.Name.contains(QChar(0)) ||
            entry.Name.contains(u'\\') || entry.Name.contains(u'\r'))
            std::abort();
    }
    return 0;
}
