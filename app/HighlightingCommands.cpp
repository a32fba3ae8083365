// "Edit Highlighting...": the colours dialog for the highlighter in force.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "highlight/TFormGlyphCustomHighlighter.h"

void TFormGlyphon::ConnectHighlightingCommands() {
    connect(MIEditHighlighting, &QAction::triggered, this,
            [this] { RunCommand([this] { MIEditHighlightingClick(); }); });
}

void TFormGlyphon::MIEditHighlightingClick() {
    const std::optional<TGlyphLanguageId> language = CurrentLanguage();
    if (language && *language != glGeneral)
        CustomHighlighterForm().EditColours(*CurrentHighlighter(),
                                            LanguageEntry(*language).ClassName);
}

// Made at its first use: a window that is never asked for colours never pays for its controls.
TFormGlyphCustomHighlighter& TFormGlyphon::CustomHighlighterForm() {
    if (!FormGlyphCustomHighlighter)
        FormGlyphCustomHighlighter = new TFormGlyphCustomHighlighter(this);
    return *FormGlyphCustomHighlighter;
}
