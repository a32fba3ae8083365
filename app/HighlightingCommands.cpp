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
    const std::optional<TGlyphLanguageId> language = CurrentLanguage();
    if (language && *language != glGeneral)
        FormGlyphCustomHighlighter->EditColours(*CurrentHighlighter(),
                                                LanguageEntry(*language).ClassName);
}
