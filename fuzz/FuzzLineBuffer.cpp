// The line buffer keeps a file's bytes: any bytes loaded and saved unchanged come back as they
// were, whatever their encoding, line breaks or NUL bytes.
#include "editor/TGlyphEditStringList.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    TGlyphEditStringList lines;
    lines.LoadStream(in);
    if (lines.SaveToBytes() != bytes)
        std::abort();
    return 0;
}
