#include "app/TFormGlyphon.h"
#include "common/AppHelpers.h"
#include "htmltools/TFormSpelling.h"

#include <QList>

namespace {

// The editor positions of Offsets into Text, the editor's whole text (lines joined by CR LF).
QList<TBufferCoord> EditorPositions(const QString& text, const QList<qsizetype>& offsets) {
    QList<TBufferCoord> positions;
    qsizetype lineStart = 0;
    int line = 1;
    for (qsizetype offset : offsets) {
        for (qsizetype next; (next = text.indexOf(u"\r\n", lineStart)) >= 0 && next < offset;) {
            lineStart = next + 2;
            ++line;
        }
        positions.append({int(offset - lineStart) + 1, line});
    }
    return positions;
}

// Writes each correction over its own few characters, last first so that the earlier offsets
// still hold, as one undoable change; the lines around keep their text and line breaks.
void WriteCorrections(TGlyphEdit& edit, const QString& text,
                      const QList<TSpellingCorrection>& corrections) {
    QList<qsizetype> offsets;
    for (const TSpellingCorrection& c : corrections)
        offsets << c.Start << c.Start + c.Length;
    const QList<TBufferCoord> positions = EditorPositions(text, offsets);
    edit.OpenUndoGroup();
    edit.SetSelectionMode(smNormal);
    for (qsizetype i = corrections.size() - 1; i >= 0; --i) {
        edit.SetSelectionStart(positions[2 * i]);
        edit.SetSelectionEnd(positions[2 * i + 1]);
        edit.SetSelectedText(corrections[i].Text);
    }
    edit.CloseUndoGroup();
}

} // namespace

void TFormGlyphon::ConnectSpellingCommands() {
    connect(MICheckSpelling, &QAction::triggered, this,
            [this] { RunCommand([this] { MICheckSpellingClick(); }); });
}

void TFormGlyphon::MICheckSpellingClick() {
    // The program entry makes the one spelling window, which holds the dictionaries.
    TFormSpelling* spelling = TFormSpelling::Instance();
    if (!spelling || !DocumentCanBeRewritten())
        return;
    const QString before = GlyphEdit.Text();
    QString text = before;
    if (spelling->CheckSpelling(text, DocumentFileName, true))
        WriteCorrections(GlyphEdit, before, spelling->Corrections());
}
