// Edits and their undo: whatever the keys do to a loaded text, undoing them all gives the loaded
// text back, line breaks included.
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditKeyCmds.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

namespace {

// The commands the input's bytes choose from, each with its own byte.
constexpr TGlyphEditorCommand Commands[] = {
    ecLeft,
    ecRight,
    ecUp,
    ecDown,
    ecWordLeft,
    ecWordRight,
    ecLineStart,
    ecLineEnd,
    ecEditorTop,
    ecEditorBottom,
    ecSelLeft,
    ecSelRight,
    ecSelUp,
    ecSelDown,
    ecSelectAll,
    ecColumnSelect,
    ecNormalSelect,
    ecLineSelect,
    ecToggleMode,
    ecDeleteLastChar,
    ecDeleteChar,
    ecDeleteWord,
    ecDeleteLastWord,
    ecDeleteBOL,
    ecDeleteEOL,
    ecDeleteLine,
    ecLineBreak,
    ecInsertLine,
    ecTab,
    ecShiftTab,
    ecBlockIndent,
    ecBlockUnindent,
    ecUpperCase,
    ecLowerCase,
    ecToggleCase,
    ecTitleCase,
};
constexpr std::size_t CommandCount = sizeof Commands / sizeof Commands[0];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first half is the file, the second the keys.
    const std::size_t split = size / 2;
    QBuffer in;
    in.setData(reinterpret_cast<const char*>(data), qsizetype(split));
    in.open(QIODevice::ReadOnly);
    TGlyphEdit edit;
    edit.Lines().LoadStream(in);
    const QByteArray loaded = edit.Lines().SaveToBytes();
    for (std::size_t i = split; i < size; ++i) {
        const std::uint8_t key = data[i];
        if (key < CommandCount)
            edit.RunCommand(Commands[key]);
        else if (key < 128)
            edit.RunCommand(ecChar, QChar(key < 32 ? u'\t' : char16_t(key)));
        else
            edit.RunCommand(ecChar, QChar(char16_t(0x100 + key))); // a character beyond Latin-1
    }
    while (edit.UndoAvailable())
        edit.Undo();
    if (edit.Lines().SaveToBytes() != loaded)
        std::abort();
    return 0;
}
