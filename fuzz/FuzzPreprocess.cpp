// The quick preview's preprocessor on any text: it ends (an include cycle stops with its own
// error), fails only with the program's own errors, ends every line it gives with CR LF, and
// leaves a text without directives or macros as it was, but for its line breaks. Includes are
// read from a folder of its own, which holds a file that includes itself and one with macros.
#include "app/PreprocessText.h"
#include "common/GlyphErrors.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

const QTemporaryDir& IncludeFolder() {
    static const QTemporaryDir folder;
    static const bool filled = [] {
        WriteFile(folder.filePath(QStringLiteral("a")), "#include a\n");
        WriteFile(folder.filePath(QStringLiteral("b")), "#define X $FileName$ $FileExt$\nX b\n");
        return true;
    }();
    Q_UNUSED(filled);
    return folder;
}

// The lines of Text each followed by CR LF, a line break being CR LF, LF or CR.
QString WithLineEnds(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    if (out.isEmpty())
        return out;
    if (!out.endsWith(u'\n'))
        out += u'\n';
    return out.replace(u'\n', QLatin1String("\r\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    // A path in the text could name a device that never ends; includes stay in the folder.
    if (text.contains(u'/') || text.contains(u'\\'))
        return 0;
    const QDateTime now(QDate(2024, 2, 29), QTime(23, 59, 58));
    QString result;
    try {
        result = PreprocessText(text, IncludeFolder().filePath(QStringLiteral("page.htm")), now);
    } catch (const EGlyphError&) {
        return 0;
    }
    if (!result.isEmpty() && !result.endsWith(QLatin1String("\r\n")))
        std::abort();
    if (!text.contains(u'#') && !text.contains(u'$') && result != WithLineEnds(text))
        std::abort();
    return 0;
}
