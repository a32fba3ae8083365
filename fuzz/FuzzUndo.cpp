// Edits and their undo: whatever the keys do to a loaded text, undoing them all gives the loaded
// text back, line breaks included. Once the undo list has made room by dropping its oldest
// commands, undoing everything left gives back the text as it stood after the last dropped one.
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditKeyCmds.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>
#include <vector>

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

// Loads the file half of the input.
void Load(TGlyphEdit& edit, const std::uint8_t* data, std::size_t split) {
    QBuffer in;
    in.setData(reinterpret_cast<const char*>(data), qsizetype(split));
    in.open(QIODevice::ReadOnly);
    edit.Lines().LoadStream(in);
}

// The lines and the breaks of their own. Unlike the saved bytes it exists for any text: typed
// characters that the file's encoding cannot store may still be there when not all was undone.
QString Snapshot(const TGlyphEdit& edit) {
    const QStringList lines = edit.Lines().Lines();
    QString text;
    for (int i = 0; i < lines.size(); ++i) {
        const std::optional<TLineBreakStyle> own = edit.Lines().OwnLineBreak(i);
        text += lines.at(i) + u'\n' + QString::number(own ? int(*own) : -1) + u'\n';
    }
    return text;
}

void Press(TGlyphEdit& edit, std::uint8_t key) {
    if (key < CommandCount)
        edit.RunCommand(Commands[key]);
    else if (key < 128)
        edit.RunCommand(ecChar, QChar(key < 32 ? u'\t' : char16_t(key)));
    else
        edit.RunCommand(ecChar, QChar(char16_t(0x100 + key))); // a character beyond Latin-1
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first half is the file, the second the keys.
    const std::size_t split = size / 2;
    TGlyphEdit edit;
    Load(edit, data, split);
    // The undo position after each key, from the load on.
    std::vector<quint64> positions{edit.UndoList().Position()};
    const QByteArray loaded = edit.Lines().SaveToBytes();
    for (std::size_t i = split; i < size; ++i) {
        Press(edit, data[i]);
        positions.push_back(edit.UndoList().Position());
    }
    while (edit.UndoAvailable())
        edit.Undo();
    if (!edit.UndoList().FullUndoImpossible()) {
        if (edit.Lines().SaveToBytes() != loaded)
            std::abort();
        return 0;
    }
    // The list dropped its oldest commands: it now starts where some key left it, and the same
    // keys run afresh up to that one give the text undoing must end at. A start no key left
    // means the list dropped part of a command.
    std::size_t keys = 0;
    while (keys < positions.size() && positions[keys] != edit.UndoList().Position())
        ++keys;
    if (keys == positions.size())
        std::abort();
    TGlyphEdit again;
    Load(again, data, split);
    for (std::size_t i = split; i < split + keys; ++i)
        Press(again, data[i]);
    if (Snapshot(again) != Snapshot(edit))
        std::abort();
    return 0;
}
