// Every highlighter on any lines: no crash or endless line, no empty token, the same states for
// the same text, every state a line leaves taken back as it is, a line not scanned yet (-1)
// scanned as from the top, and an incremental rescan after an edited line equals a scan of the
// whole new text.
#include "highlight/GlyphHighlightScan.h"
#include "highlight/GlyphLanguageCatalogue.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "highlight/TGlyphPHPHighlighter.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<TGlyphCustomHighlighter>> MakeHighlighters() {
    std::vector<std::unique_ptr<TGlyphCustomHighlighter>> all;
    for (const TGlyphLanguageEntry& language : GlyphLanguageCatalogue())
        all.push_back(language.Make());
    // A page with style sheets, scripts and PHP blocks in their own languages, and a PHP file
    // read as such a page.
    auto page = std::make_unique<TGlyphHTMLHighlighter>();
    page->SetEmbeddedLanguages({});
    auto php = std::make_unique<TGlyphPHPHighlighter>();
    auto phpPage = std::make_unique<TGlyphHTMLHighlighter>();
    phpPage->SetEmbeddedLanguages({nullptr, nullptr, nullptr, php.get()});
    php->SetPage(phpPage.get());
    all.push_back(std::move(page));
    all.push_back(std::move(phpPage));
    all.push_back(std::move(php));
    return all;
}

// What an editor does after line `edited` changed: rescan from there with the state before it
// until a line starts in the state it started in before, and keep the old scan from there on.
QList<TGlyphScannedLine> Rescan(TGlyphCustomHighlighter& h, const QList<TGlyphScannedLine>& old,
                                const QStringList& lines, int edited) {
    QList<TGlyphScannedLine> result = old.mid(0, edited);
    TGlyphCustomHighlighter::TState state = edited > 0 ? old[edited - 1].EndState : ResetStateOf(h);
    for (int i = edited; i < lines.size(); ++i) {
        if (i > edited && state == old[i].StartState) {
            result += old.mid(i);
            break;
        }
        result << ScanLine(h, lines[i], i + 1, state);
        state = result.last().EndState;
    }
    return result;
}

// Aborts on an empty token or on a state the highlighter does not take back.
void CheckScan(TGlyphCustomHighlighter& h, const QList<TGlyphScannedLine>& scan) {
    for (const TGlyphScannedLine& line : scan) {
        for (const TGlyphToken& token : line.Tokens) {
            if (token.Length <= 0)
                std::abort();
        }
        h.RestoreState(line.EndState);
        if (h.State() != line.EndState)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto highlighters = MakeHighlighters();
    if (size < 2)
        return 0;
    // The first byte picks the line that is edited; the text is the rest, and the edited line
    // takes the text of the line after it.
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    const QStringList lines = text.split(u'\n');
    const int edited = data[0] % lines.size();
    QStringList changed = lines;
    changed[edited] = lines[(edited + 1) % lines.size()];
    for (const auto& h : highlighters) {
        const QList<TGlyphScannedLine> before = ScanLines(*h, lines);
        if (ScanLines(*h, lines) != before)
            std::abort(); // the same text must give the same states and tokens
        CheckScan(*h, before);
        if (ScanLine(*h, lines[0], 0, -1).Tokens != before[0].Tokens)
            std::abort();
        if (Rescan(*h, before, changed, edited) != ScanLines(*h, changed))
            std::abort();
    }
    return 0;
}
