// The lang.txt reader on any file: loading ends and keeps going past lines it cannot read, a
// translation looked up fails only with the program's own error, and escaping any text then
// reading it back gives the same text. The input is the file, then after a NUL the section and
// after another NUL the text to translate.
#include "common/GlyphErrors.h"
#include "common/Translation.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("lang.txt"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = bytes.split('\0');
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(parts[0]) < 0)
        std::abort();
    file.close();
    LoadTranslationsFrom(path);

    const QString section = parts.size() > 1 ? QString::fromUtf8(parts[1]) : QString();
    const QString text = parts.size() > 2 ? QString::fromUtf8(parts[2]) : QString();
    if (UnescapeTranslationText(EscapeTranslationText(text)) != text)
        std::abort();
    try {
        TranslateText(text, section);
        UnescapeTranslationText(text);
    } catch (const EGlyphError&) {
    }
    return 0;
}
