#include "editor/TGlyphEditHighlighting.h"

#include "editor/TGlyphEdit.h"
#include "highlight/GlyphHighlightScan.h"
#include "highlight/GlyphLineCheckpoints.h"
#include "highlight/TGlyphCppHighlighter.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "support/LanguageSamples.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

QList<TGlyphCustomHighlighter::TState> StoredStates(const TCustomGlyphEdit& edit) {
    QList<TGlyphCustomHighlighter::TState> states;
    for (int i = 0; i < edit.LineCount(); ++i)
        states << edit.Lines().RangeState(i);
    return states;
}

QStringList HtmlPage(int lines) {
    QStringList page;
    for (int i = 0; i < lines; ++i)
        page << QString("<p class=\"c%1\">Line %1 &amp; <b>bold</b></p>").arg(i);
    return page;
}

struct Fixture {
    TGlyphEdit edit;
    TGlyphEditHighlighting link{edit};
    QList<QPair<int, int>> repaints;

    explicit Fixture(TGlyphCustomHighlighter& h, const QStringList& text) {
        edit.SetText(text.join("\n"));
        link.SetHighlighter(&h);
        link.OnRepaint = [this](int first, int last) { repaints << qMakePair(first, last); };
    }

    bool RepaintedFromLineOneToTheEnd() const {
        return std::any_of(repaints.begin(), repaints.end(), [this](const QPair<int, int>& r) {
            return r.first == 1 && r.second >= edit.LineCount();
        });
    }

    void Type(const QString& text) {
        for (QChar c : text)
            edit.RunCommand(ecChar, c);
    }

    void ExpectStatesOfAFullScan(TGlyphCustomHighlighter& h, const char* when) {
        EXPECT_EQ(StoredStates(edit), ScanLineStates(h, edit.Lines().Lines())) << when;
    }
};

} // namespace

TEST(EditHighlighting, SettingAHighlighterStoresTheStateOfEveryLine) {
    TGlyphHTMLHighlighter html;
    const QStringList text = {"<!-- open", "still comment", "-->", "<p>", "text"};
    Fixture f(html, text);
    f.ExpectStatesOfAFullScan(html, "after install");
    EXPECT_NE(f.edit.Lines().RangeState(1), f.edit.Lines().RangeState(4));
}

TEST(EditHighlighting, OpeningACommentOnLineOneRecoloursEveryFollowingLineAndClosingRestores) {
    TGlyphHTMLHighlighter html;
    Fixture f(html, HtmlPage(1000));
    const auto before = StoredStates(f.edit);

    f.edit.SetCaretXY({1, 1});
    f.Type("<!--");
    f.ExpectStatesOfAFullScan(html, "after opening the comment");
    EXPECT_NE(StoredStates(f.edit), before);
    EXPECT_TRUE(f.RepaintedFromLineOneToTheEnd()) << "every following line is repainted";

    f.repaints.clear();
    for (int i = 0; i < 4; ++i)
        f.edit.RunCommand(ecDeleteLastChar);
    EXPECT_EQ(StoredStates(f.edit), before);
    EXPECT_TRUE(f.RepaintedFromLineOneToTheEnd());
}

TEST(EditHighlighting, TypingWhereTheEndStateStaysRescansThatLineOnly) {
    TGlyphHTMLHighlighter html;
    Fixture f(html, HtmlPage(50));
    f.edit.SetCaretXY({20, 10});
    f.Type("xyz");
    ASSERT_FALSE(f.repaints.isEmpty());
    for (const auto& r : f.repaints)
        EXPECT_EQ(r, qMakePair(10, 10));
}

TEST(EditHighlighting, LineBreaksAndDeletesKeepStatesEqualToAFullScan) {
    TGlyphHTMLHighlighter html;
    TGlyphCppHighlighter cpp;
    const QStringList sources[] = {
        HtmlPage(30) + QStringList{"<!-- a", "b -->", "<script>", "var s = 1;", "</script>"},
        {"/* block", " comment */", "int main() {", "  return \"s\\", "tring\";", "}"},
    };
    TGlyphCustomHighlighter* highlighters[] = {&html, &cpp};
    const QString alphabet = "<>!-/*\"' abc=&;\n\t";
    for (int which = 0; which < 2; ++which) {
        const quint32 seed = 4242 + which;
        QRandomGenerator rng(seed);
        Fixture f(*highlighters[which], sources[which]);
        for (int step = 0; step < 400; ++step) {
            const int y = 1 + rng.bounded(f.edit.LineCount());
            const int x = 1 + rng.bounded(f.edit.LineText(y).size() + 1);
            f.edit.SetCaretXY({x, y});
            switch (rng.bounded(5)) {
            case 0:
                f.edit.RunCommand(ecLineBreak);
                break;
            case 1:
                f.edit.RunCommand(ecDeleteLastChar);
                break;
            case 2:
                f.edit.RunCommand(ecDeleteChar);
                break;
            case 3:
                f.edit.RunCommand(ecUndo);
                break;
            default:
                f.Type(QString(alphabet[rng.bounded(alphabet.size())]));
                break;
            }
            if (f.edit.LineCount() > 0 &&
                StoredStates(f.edit) !=
                    ScanLineStates(*highlighters[which], f.edit.Lines().Lines())) {
                FAIL() << "seed " << seed << ", step " << step;
            }
        }
        f.edit.SetText("<!--\nreplaced whole\n-->");
        f.ExpectStatesOfAFullScan(*highlighters[which], "after replacing the whole text");
    }
}

TEST(EditHighlighting, MatchingBracketSkipsStringsAndComments) {
    TGlyphCppHighlighter cpp;
    Fixture f(cpp, {"f(\")\", /* ) */ x);", "g()"});
    f.edit.SetCaretXY({2, 1});
    f.edit.RunCommand(ecMatchBracket);
    EXPECT_EQ(f.edit.CaretXY(), (TBufferCoord{17, 1}));
    EXPECT_TRUE(f.link.InStringOrComment({4, 1}));
    EXPECT_TRUE(f.link.InStringOrComment({11, 1}));
    EXPECT_FALSE(f.link.InStringOrComment({17, 1}));
    EXPECT_FALSE(f.link.InStringOrComment({1, 9})) << "outside the text";
}

TEST(EditHighlighting, AttributeChangesRepaintEverythingUntilTheHighlighterIsReplaced) {
    TGlyphHTMLHighlighter html;
    TGlyphCppHighlighter cpp;
    Fixture f(html, {"<p>"});
    html.StandardAttribute(0)->SetForeground(0x00112233);
    ASSERT_FALSE(f.repaints.isEmpty());
    EXPECT_EQ(f.repaints.last(), qMakePair(1, INT_MAX));
    f.link.SetHighlighter(&cpp);
    f.repaints.clear();
    html.StandardAttribute(0)->SetForeground(0x00445566);
    EXPECT_TRUE(f.repaints.isEmpty()) << "the old highlighter is unhooked";
}

TEST(EditHighlighting, InstallingAHighlighterKeepsTheSelectionAndModifiedFlag) {
    TGlyphHTMLHighlighter html;
    TGlyphCppHighlighter cpp;
    Fixture f(html, {"<p>one</p>", "two"});
    f.edit.SetSelectionAnchor({2, 1});
    f.edit.SetSelectionActiveEnd({2, 2});
    ASSERT_TRUE(f.edit.HasSelection());
    f.link.SetHighlighter(&cpp);
    f.link.SetHighlighter(&html);
    EXPECT_TRUE(f.edit.HasSelection());
    EXPECT_EQ(f.edit.SelectedText(), QString("p>one</p>\r\nt"));
    EXPECT_FALSE(f.edit.Modified());
    EXPECT_FALSE(f.edit.UndoAvailable());
}

// ---- Lazy states: the cost of an edit follows the screen, the colours stay those of a full scan

namespace {

void ExpectExactUpTo(TCustomGlyphEdit& edit, TGlyphCustomHighlighter& h, int last,
                     const std::string& where) {
    const auto full = ScanLineStates(h, edit.Lines().Lines());
    for (int i = 0; i <= last; ++i) {
        if (edit.Lines().RangeState(i) != full[i]) {
            ADD_FAILURE() << where << ": line " << i << " holds " << edit.Lines().RangeState(i)
                          << ", a full scan gives " << full[i];
            return;
        }
    }
}

// Random caret moves, typing, line breaks, deletes and undo through the editor, on an HTML page
// of `pageLines` lines with comments of both kinds, under the HTML and the C++ highlighter.
// After each edit `between` may do more of the link's work (it gets the step's generator); the
// states the link calls exact must equal a full scan's after every step, and all of them after
// `finish`.
struct TRandomEditRun {
    quint32 Seed = 0;
    int PageLines = 60;
    int Steps = 400;
    std::function<int(QRandomGenerator&, int lineCount)> Limit;
    std::function<void(TGlyphEditHighlighting&, QRandomGenerator&)> Between;
    std::function<void(TGlyphEditHighlighting&, int lineCount)> Finish;
};

void RandomEditsKeepExactStates(const TRandomEditRun& run) {
    TGlyphHTMLHighlighter html;
    TGlyphCppHighlighter cpp;
    TGlyphCustomHighlighter* highlighters[] = {&html, &cpp};
    const QString alphabet = "<>!-/*\"' abc=&;\n\t";
    for (int which = 0; which < 2; ++which) {
        const quint32 seed = run.Seed + which;
        QRandomGenerator rng(seed);
        TGlyphCustomHighlighter& h = *highlighters[which];
        TGlyphEdit edit;
        TGlyphEditHighlighting link(edit);
        int limit = 8;
        link.ScanLimit = [&] { return limit; };
        edit.SetText(
            (HtmlPage(run.PageLines) + QStringList{"/* x", "y */", "\"s\"", "<!-- c", "-->"})
                .join("\n"));
        link.SetHighlighter(&h);
        for (int step = 0; step < run.Steps; ++step) {
            const std::string where =
                "seed " + std::to_string(seed) + ", step " + std::to_string(step);
            limit = run.Limit(rng, edit.LineCount());
            const int y = 1 + rng.bounded(edit.LineCount());
            edit.SetCaretXY({1 + rng.bounded(edit.LineLength(y) + 1), y});
            switch (rng.bounded(5)) {
            case 0:
                edit.RunCommand(ecLineBreak);
                break;
            case 1:
                edit.RunCommand(rng.bounded(2) ? ecDeleteLastChar : ecDeleteChar);
                break;
            case 2:
                edit.RunCommand(ecUndo);
                break;
            default:
                edit.RunCommand(ecChar, alphabet[rng.bounded(alphabet.size())]);
                break;
            }
            if (run.Between)
                run.Between(link, rng);
            ExpectExactUpTo(edit, h, link.ValidUpTo(), where);
            if (testing::Test::HasFailure())
                return;
        }
        run.Finish(link, edit.LineCount());
        ExpectExactUpTo(edit, h, edit.LineCount() - 1,
                        "seed " + std::to_string(seed) + " at the end");
    }
}

} // namespace

TEST(EditHighlightingLazy, AnEditScansNoFurtherThanTheLimitUnlessStatesDisagreeAbove) {
    TGlyphHTMLHighlighter html;
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    link.ScanLimit = [] { return 40; };
    edit.SetText(HtmlPage(100000).join("\n"));
    link.SetHighlighter(&html);
    EXPECT_LT(link.ValidUpTo(), 50) << "installing scans only what is asked for";
    link.EnsureScanned(60);
    ExpectExactUpTo(edit, html, 60, "after the first screen");

    edit.SetCaretXY({1, 1});
    for (QChar c : QString("<!--"))
        edit.RunCommand(ecChar, c);
    EXPECT_LE(link.ValidUpTo(), 61) << "opening a comment re-scans the screen, not the file";
    ExpectExactUpTo(edit, html, link.ValidUpTo(), "after opening the comment");
    link.EnsureScanned(edit.LineCount() - 1);
    ExpectExactUpTo(edit, html, edit.LineCount() - 1, "after scanning to the end");
}

TEST(EditHighlightingLazy, RandomEditsKeepEveryExactStateEqualToAFullScan) {
    RandomEditsKeepExactStates({
        .Seed = 777,
        .PageLines = 60,
        .Steps = 600,
        .Limit = [](QRandomGenerator& rng, int lineCount) { return rng.bounded(lineCount + 5); },
        // Now and then painting asks for some line further down.
        .Between =
            [](TGlyphEditHighlighting& link, QRandomGenerator& rng) {
                if (rng.bounded(6) == 0)
                    link.EnsureScanned(rng.bounded(100));
            },
        .Finish = [](TGlyphEditHighlighting& link,
                     int lineCount) { link.EnsureScanned(lineCount - 1); },
    });
}

TEST(EditHighlightingLazy, InstallingTheSameHighlighterAgainKeepsTheWorkDone) {
    TGlyphHTMLHighlighter html;
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    link.ScanLimit = [] { return 10; };
    edit.SetText(HtmlPage(500).join("\n"));
    link.SetHighlighter(&html);
    link.EnsureScanned(400);
    int repaints = 0;
    link.OnRepaint = [&](int first, int last) { repaints += first == 1 && last == INT_MAX; };
    link.SetHighlighter(&html);
    EXPECT_EQ(link.ValidUpTo(), 400);
    EXPECT_EQ(repaints, 1) << "the colours are drawn again";
    ExpectExactUpTo(edit, html, 400, "after installing again");
}

// ---- Background scan: idle-time slices carry the exact states down to the last line

namespace {

// Runs the event loop until the background scan has nothing left to do, at most ten seconds.
bool WaitForBackgroundScan(const TGlyphEditHighlighting& link) {
    QElapsedTimer clock;
    clock.start();
    while (link.BackgroundScanPending() && clock.elapsed() < 10000)
        QCoreApplication::processEvents();
    return !link.BackgroundScanPending();
}

} // namespace

TEST(EditHighlightingBackground, ASliceDoesPartOfTheWorkAndTheLastOneSaysDone) {
    TGlyphHTMLHighlighter html;
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    link.ScanLimit = [] { return 10; };
    edit.SetText(HtmlPage(20000).join("\n"));
    link.SetHighlighter(&html);
    const int before = link.ValidUpTo();
    EXPECT_FALSE(link.ScanSlice(0));
    EXPECT_GT(link.ValidUpTo(), before) << "every slice makes progress";
    EXPECT_LT(link.ValidUpTo(), 1000) << "an exhausted budget ends the slice early";
    ExpectExactUpTo(edit, html, link.ValidUpTo(), "after one slice");
    int slices = 1;
    while (!link.ScanSlice(0) && slices < 100000)
        ++slices;
    EXPECT_TRUE(link.FullyScanned());
    EXPECT_EQ(link.ValidUpTo(), edit.LineCount() - 1);
    EXPECT_TRUE(link.ScanSlice(0)) << "nothing left to do";
    ExpectExactUpTo(edit, html, edit.LineCount() - 1, "after the last slice");
}

TEST(EditHighlightingBackground, RandomEditsBetweenSlicesEndInTheStatesOfAFullScan) {
    RandomEditsKeepExactStates({
        .Seed = 4242,
        .PageLines = 3000,
        .Steps = 400,
        .Limit = [](QRandomGenerator& rng, int) { return rng.bounded(40); },
        .Between =
            [](TGlyphEditHighlighting& link, QRandomGenerator& rng) {
                for (int k = rng.bounded(3); k > 0; --k)
                    link.ScanSlice(0);
            },
        .Finish =
            [](TGlyphEditHighlighting& link, int) {
                while (!link.ScanSlice(0)) {
                }
            },
    });
}

TEST(EditHighlightingBackground, RunsWhileIdleStopsWhenDoneAndRestartsAfterAnEdit) {
    TGlyphHTMLHighlighter html;
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    link.ScanLimit = [] { return 20; };
    edit.SetText(HtmlPage(30000).join("\n"));
    link.SetBackgroundScan(true);
    link.SetHighlighter(&html);
    EXPECT_TRUE(link.BackgroundScanPending()) << "a new highlighter starts the scan";
    ASSERT_TRUE(WaitForBackgroundScan(link));
    EXPECT_EQ(link.ValidUpTo(), edit.LineCount() - 1);
    ExpectExactUpTo(edit, html, edit.LineCount() - 1, "after the idle scan");

    // Opening a comment at the top changes every state below the screen.
    edit.SetCaretXY({1, 1});
    for (QChar c : QString("<!--"))
        edit.RunCommand(ecChar, c);
    EXPECT_LT(link.ValidUpTo(), 100) << "the edit itself scans only the screen";
    EXPECT_TRUE(link.BackgroundScanPending()) << "a lowered watermark starts the scan again";
    ASSERT_TRUE(WaitForBackgroundScan(link));
    ExpectExactUpTo(edit, html, edit.LineCount() - 1, "after the comment was opened");

    // An edit whose states agree again at once leaves nothing to do.
    edit.SetCaretXY({1, 500});
    edit.RunCommand(ecChar, QChar('x'));
    EXPECT_FALSE(link.BackgroundScanPending());
    EXPECT_TRUE(link.FullyScanned());
}

TEST(EditHighlightingBackground, SlicesWaitUntilEditingPauses) {
    TGlyphHTMLHighlighter html;
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    link.ScanLimit = [] { return 20; };
    edit.SetText(HtmlPage(20000).join("\n"));
    link.SetBackgroundScan(true);
    link.SetHighlighter(&html);
    ASSERT_TRUE(WaitForBackgroundScan(link));
    // Opening a comment leaves every state below the screen to the idle scan; the typing that
    // follows keeps putting it off.
    edit.SetCaretXY({1, 1});
    for (QChar c : QString("<!--"))
        edit.RunCommand(ecChar, c);
    for (QChar c : QString("typing")) {
        QElapsedTimer clock;
        clock.start();
        edit.RunCommand(ecChar, c);
        const int watermark = link.ValidUpTo();
        EXPECT_LT(watermark, edit.LineCount() - 1);
        EXPECT_TRUE(link.BackgroundScanPending());
        QCoreApplication::processEvents();
        // Only meaningful while the pause has not passed yet on a slow machine.
        if (clock.elapsed() < TGlyphEditHighlighting::QuietMilliseconds / 2) {
            EXPECT_EQ(link.ValidUpTo(), watermark) << "no slice right after a keystroke";
        }
    }
    ASSERT_TRUE(WaitForBackgroundScan(link));
    ExpectExactUpTo(edit, html, edit.LineCount() - 1, "after the pause");
}

TEST(EditHighlightingBackground, SwitchedOffItLeavesTheStatesBelowTheWatermarkAlone) {
    TGlyphHTMLHighlighter html;
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    link.ScanLimit = [] { return 20; };
    edit.SetText(HtmlPage(5000).join("\n"));
    link.SetBackgroundScan(true);
    link.SetHighlighter(&html);
    link.SetBackgroundScan(false);
    EXPECT_FALSE(link.BackgroundScanPending());
    const int watermark = link.ValidUpTo();
    QCoreApplication::processEvents();
    EXPECT_EQ(link.ValidUpTo(), watermark);
    edit.SetCaretXY({1, 1});
    edit.RunCommand(ecChar, QChar('<'));
    EXPECT_FALSE(link.BackgroundScanPending());
}

// ---- Long lines: checkpoints inside the line keep states and token answers exact

namespace {

// Whether a full scan of line `y` puts column x (1-based) in a string or comment token.
bool FullScanSaysStringOrComment(TCustomGlyphEdit& edit, TGlyphCustomHighlighter& h,
                                 TBufferCoord p) {
    const auto states = ScanLineStates(h, edit.Lines().Lines());
    // In a page, the strings and comments of the language each token is written in.
    h.RestoreState(states[p.Y - 1]);
    h.StartLine(edit.LineText(p.Y), p.Y - 1);
    bool inside = false;
    for (; !h.AtLineEnd(); h.Advance()) {
        if (p.X - 1 >= h.TokenStart() && p.X - 1 < h.TokenStart() + h.TokenLength()) {
            const TGlyphHighlighterAttributes* a = h.TokenAttribute();
            const TGlyphCustomHighlighter* language = h.TokenLanguage();
            inside = a && (a == language->StandardAttribute(SYN_ATTR_STRING) ||
                           a == language->StandardAttribute(SYN_ATTR_COMMENT));
            break;
        }
    }
    h.ReleaseLine();
    return inside;
}

// Keeps what can be one line of a text set whole (no line breaks, no NUL, which ends it) and
// is painted cell for character (no tabs).
QString OneLine(QString text) {
    for (QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(0), QChar(u'\t')})
        text.remove(c);
    return text;
}

// Pieces that comment out the rest of a line in some language are left out: with no line
// break to end such a comment, the long line would be one token after the first of them.
QStringList InLinePieces(const QStringList& pieces) {
    QStringList kept;
    for (const QString& piece : pieces) {
        if (!piece.contains(u"//") && !piece.contains(u'#') && !piece.contains(u'\'') &&
            !piece.contains(u';'))
            kept << piece;
    }
    return kept;
}

QString RandomLineText(QRandomGenerator& rng, const QStringList& pieces, int length) {
    QString text = OneLine(RandomSampleText(rng, InLinePieces(pieces), length));
    while (text.contains(QStringLiteral("//")))
        text.replace(QStringLiteral("//"), QStringLiteral("/ /"));
    return text;
}

} // namespace

TEST(EditHighlightingLongLines, RandomEditsAtRandomColumnsKeepStatesAndTokenAnswersExact) {
    for (const TLanguageSample& sample : LanguageSamples()) {
        const std::unique_ptr<TGlyphCustomHighlighter> h = sample.Make();
        const QString keys = OneLine(InLinePieces(sample.Pieces).join(QString()));
        QRandomGenerator rng(11);
        TGlyphEdit edit;
        TGlyphEditHighlighting link(edit);
        link.ScanLimit = [] { return 30; };
        const int longLength = TGlyphEditHighlighting::LongLineLength * 3;
        QStringList text;
        for (int i = 0; i < 7; ++i)
            text << RandomLineText(rng, sample.Pieces, i == 3 ? longLength : 20);
        edit.SetText(text.join("\n"));
        link.SetHighlighter(h.get());
        for (int step = 0; step < 120; ++step) {
            const std::string where = std::string(sample.Name) + ", step " + std::to_string(step);
            const int y = 4;
            const int x = 1 + rng.bounded(edit.LineLength(y) + 1);
            edit.SetCaretXY({x, y});
            switch (rng.bounded(5)) {
            case 0:
                edit.RunCommand(ecDeleteLastChar);
                break;
            case 1:
                edit.RunCommand(ecUndo);
                break;
            case 2: {
                // A change far from the caret, in one go.
                QString line = edit.LineText(y);
                line.insert(rng.bounded(int(line.size())), RandomLineText(rng, sample.Pieces, 300));
                edit.Lines().SetLine(y - 1, line);
                break;
            }
            default:
                edit.RunCommand(ecChar, keys[rng.bounded(int(keys.size()))]);
                break;
            }
            if (edit.LineCount() < 7 || edit.LineLength(y) < TGlyphEditHighlighting::LongLineLength)
                break; // undo went back before the long line; nothing long left to test
            // What the watermark claims holds before anything is scanned on.
            ExpectExactUpTo(edit, *h, link.ValidUpTo(), where + ", as left by the edit");
            link.EnsureScanned(edit.LineCount() - 1);
            ExpectExactUpTo(edit, *h, edit.LineCount() - 1, where);
            const TBufferCoord probe{1 + rng.bounded(edit.LineLength(y)), y};
            EXPECT_EQ(link.InStringOrComment(probe), FullScanSaysStringOrComment(edit, *h, probe))
                << where << " at column " << probe.X;
            // Painting reads the long line from the checkpoint before the columns shown.
            ASSERT_TRUE(link.ScanWindow(y - 1, probe.X - 1, probe.X + 99)) << where;
            if (HasFailure())
                return;
        }
    }
}

namespace {

// A scanner that cannot continue a line part way, as a highlighter of someone else's may be.
class TWholeLineHighlighter : public TGlyphJScriptHighlighter {
public:
    bool CanResumeLine() const override { return false; }
};

} // namespace

TEST(EditHighlightingLongLines, WindowsOnlyForLongLinesWithoutTabsAndResumableScanners) {
    TGlyphHTMLHighlighter html;
    TWholeLineHighlighter wholeLines;
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    const QString longLine(TGlyphEditHighlighting::LongLineLength * 2, u'a');
    edit.SetText(QStringList{"short", longLine, longLine + "\t"}.join("\n"));
    link.SetHighlighter(&html);
    EXPECT_FALSE(link.ScanWindow(0, 0, 10)) << "a short line is read whole";
    const std::optional<TGlyphScanWindow> window = link.ScanWindow(1, 20000, 20100);
    ASSERT_TRUE(window);
    EXPECT_LE(window->TextFrom, window->ResumeAt);
    EXPECT_LE(window->ResumeAt, 20000);
    EXPECT_GT(window->TextTo, 20100);
    EXPECT_FALSE(link.ScanWindow(2, 20000, 20100)) << "tabs move the cells painted";
    link.SetHighlighter(&wholeLines);
    EXPECT_FALSE(link.ScanWindow(1, 20000, 20100)) << "the scanner cannot resume a line";
}

TEST(EditHighlightingLongLines, TheIdleScanTakesALongLineAStretchAtATime) {
    TGlyphHTMLHighlighter html;
    QRandomGenerator rng(3);
    TGlyphEdit edit;
    TGlyphEditHighlighting link(edit);
    link.ScanLimit = [] { return 0; };
    const QString longLine = RandomLineText(rng, LanguageSamples().front().Pieces,
                                            TGlyphEditHighlighting::LongLineLength * 8);
    edit.SetText(QStringList{"<p>", "<!-- a", longLine, "x -->", "<b>"}.join("\n"));
    link.SetHighlighter(&html);
    int slices = 0;
    while (!link.ScanSlice(0) && slices < 100000)
        ++slices;
    EXPECT_GT(slices, 8) << "an exhausted budget ends the slice inside the long line";
    ExpectExactUpTo(edit, html, edit.LineCount() - 1, "after the idle scan");

    // Typing into the long line after a partial idle scan.
    edit.SetCaretXY({1, 1});
    for (QChar c : QString("<!--"))
        edit.RunCommand(ecChar, c);
    ASSERT_FALSE(link.ScanSlice(0)) << "the comment changed the states below";
    edit.SetCaretXY({5000, 3});
    for (QChar c : QString("-->"))
        edit.RunCommand(ecChar, c);
    while (!link.ScanSlice(0)) {
    }
    ExpectExactUpTo(edit, html, edit.LineCount() - 1, "after typing between slices");
}
