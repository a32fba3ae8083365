// "Edit Highlighting...": the colours dialog for the highlighter in force.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "highlight/TFormGlyphCustomHighlighter.h"

void TFormGlyphon::ConnectHighlightingCommands() {
    FormGlyphCustomHighlighter = new TFormGlyphCustomHighlighter(this);
    connect(MIEditHighlighting, &QAction::triggered, this,
            [this] { RunCommand([this] { MIEditHighlightingClick(); }); });
}

void TFormGlyphon::MIEditHighlightingClick() {
    TGlyphCustomHighlighter* highlighter = CurrentHighlighter();
    for (const TGlyphHighlighterSlot& slot : Highlighters()) {
        if (slot.Highlighter == highlighter && highlighter != &GlyphGeneralHighlighter) {
            FormGlyphCustomHighlighter->EditColours(*highlighter, slot.ClassName);
            return;
        }
    }
}
