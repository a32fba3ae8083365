// Checkpoints inside long lines: a scan continued from any of them, or from any token boundary
// of any highlighter, gives exactly the tokens and end state of a scan of the whole line, also
// after random edits at random columns.

#include "highlight/GlyphLineCheckpoints.h"
#include "highlight/GlyphHighlightScan.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "support/LanguageSamples.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using TState = TGlyphCustomHighlighter::TState;

QString RandomHtml(QRandomGenerator& rng, int length) {
    return RandomSampleText(rng, LanguageSamples().front().Pieces, length);
}

// The tokens from the first token after the one that ends at `offset`.
QList<TGlyphToken> FullTokensAfter(const TGlyphScannedLine& full, int offset) {
    for (qsizetype k = 0; k < full.Tokens.size(); ++k) {
        if (full.Tokens[k].Start + full.Tokens[k].Length == offset)
            return full.Tokens.mid(k + 1);
    }
    ADD_FAILURE() << "no token ends at " << offset;
    return {};
}

TGlyphScannedLine Resumed(TGlyphCustomHighlighter& h, const QString& text, int shift,
                          TGlyphLineCheckpoint from) {
    TGlyphScannedLine line;
    h.RestoreState(from.State);
    h.ResumeLine(text, 0, from.Offset - shift);
    for (int guard = 0; !h.AtLineEnd() && guard < 4 * text.size() + 16; ++guard) {
        line.Tokens.append(
            {h.TokenStart() + shift, h.TokenLength(), h.TokenKind(), h.TokenAttribute()});
        h.Advance();
    }
    line.EndState = h.State();
    return line;
}

// Every checkpoint resumes the line exactly as a full scan goes on; a complete build also ends
// in the state of a full scan.
void ExpectLikeAFullScan(TGlyphCustomHighlighter& h, const TGlyphLineCheckpoints& points,
                         const QString& text, TState start, const std::string& where,
                         bool complete = true) {
    ASSERT_EQ(points.Length(), text.size()) << where;
    const TGlyphScannedLine full = ScanLine(h, text, 0, start);
    if (complete) {
        ASSERT_TRUE(points.IsComplete()) << where;
        EXPECT_EQ(points.EndState(), full.EndState) << where;
    }
    int previous = 0;
    for (const TGlyphLineCheckpoint& p : points.Points()) {
        ASSERT_GT(p.Offset, previous) << where << ": checkpoints in order";
        previous = p.Offset;
        const TGlyphScannedLine resumed = Resumed(h, text, 0, p);
        EXPECT_EQ(resumed.Tokens, FullTokensAfter(full, p.Offset))
            << where << ": from checkpoint at " << p.Offset;
        EXPECT_EQ(resumed.EndState, full.EndState) << where << ": from " << p.Offset;
        if (testing::Test::HasFailure())
            return;
    }
}

// Replaces `removed` characters at `at` by `inserted` in the text and tells the checkpoints, as
// the line store's edit notification does.
void EditLine(QString& text, TGlyphLineCheckpoints& points, int at, int removed,
              const QString& inserted) {
    removed = std::min(removed, int(text.size()) - at);
    text.replace(at, removed, inserted);
    points.NoteEdit(at, removed, int(inserted.size()));
}

// ---- Resuming a line at any token boundary ----

TEST(ResumeLine, EveryTokenBoundaryContinuesLikeTheWholeLine) {
    // Lines where what came before a token decides it: a # that opens a directive only after
    // blanks, entities and quotes of HTML.
    const QStringList fixed = {"  #define x 1 // c",
                               "x #y",
                               " \r #z",
                               "\t#if a /* b */ c",
                               "a &amp; b &#38; c &#12 d &lt e &copy;f",
                               "<!-->x<%>y<!-- a - b -- c -->z<% q % %>w",
                               "<a href=\"x\" id=3 title=\"t>\">&amp;</a>",
                               "<h1 id=&amp;x>&&#;&#1;&",
                               "\"open <b =\"q\" = > text"};
    for (const TLanguageSample& sample : LanguageSamples()) {
        const std::unique_ptr<TGlyphCustomHighlighter> h = sample.Make();
        ASSERT_TRUE(h->CanResumeLine()) << sample.Name;
        QRandomGenerator rng(31);
        QStringList lines = fixed;
        for (int i = 0; i < 40; ++i)
            lines << RandomSampleText(rng, sample.Pieces, 200);
        for (const QString& text : lines) {
            for (TState start : sample.Starts) {
                const TGlyphScannedLine full = ScanLine(*h, text, 0, start);
                // What the scanner carries after each token, as a scan of the whole line has it.
                h->RestoreState(start);
                h->StartLine(text, 0);
                QList<TGlyphLineCheckpoint> boundaries;
                for (; !h->AtLineEnd(); h->Advance())
                    boundaries.append({h->TokenStart() + h->TokenLength(), h->ResumeState()});
                for (qsizetype k = 0; k < boundaries.size(); ++k) {
                    const TGlyphScannedLine resumed = Resumed(*h, text, 0, boundaries[k]);
                    ASSERT_EQ(resumed.Tokens, full.Tokens.mid(k + 1))
                        << sample.Name << ": " << text.toStdString() << " from token " << k
                        << " in state " << start;
                    ASSERT_EQ(resumed.EndState, full.EndState) << sample.Name;
                }
            }
        }
    }
}

// Passing over tokens up to an offset stands on the token a scan token by token reaches, in the
// state that scan has there, and the scan goes on from it alike.
TEST(ResumeLine, SkippingToAnOffsetStandsWhereAdvancingDoes) {
    for (const TLanguageSample& sample : LanguageSamples()) {
        const std::unique_ptr<TGlyphCustomHighlighter> h = sample.Make();
        QRandomGenerator rng(17);
        for (int i = 0; i < 20; ++i) {
            const QString text = RandomSampleText(rng, sample.Pieces, 300);
            const TState start = sample.Starts[rng.bounded(int(sample.Starts.size()))];
            const TGlyphScannedLine full = ScanLine(*h, text, 0, start);
            h->RestoreState(start);
            h->StartLine(text, 0);
            for (int offset = rng.bounded(40); !h->AtLineEnd(); offset += 1 + rng.bounded(60)) {
                h->SkipTokensBefore(offset);
                const auto reached = std::find_if(
                    full.Tokens.begin(), full.Tokens.end(),
                    [offset](const TGlyphToken& t) { return t.Start + t.Length >= offset; });
                if (reached == full.Tokens.end()) {
                    ASSERT_TRUE(h->AtLineEnd()) << sample.Name << " to " << offset;
                    break;
                }
                ASSERT_FALSE(h->AtLineEnd()) << sample.Name << " to " << offset;
                ASSERT_EQ(h->TokenStart(), reached->Start) << sample.Name << " to " << offset;
                ASSERT_EQ(h->TokenLength(), reached->Length) << sample.Name << " to " << offset;
                ASSERT_EQ(h->TokenKind(), reached->Kind) << sample.Name << " to " << offset;
            }
            ASSERT_EQ(h->State(), full.EndState) << sample.Name;
        }
    }
}

// ---- Building and updating ----

TEST(LineCheckpoints, BuildingGivesTheTokensAndEndStateOfAFullScan) {
    TGlyphHTMLHighlighter html;
    QRandomGenerator rng(5);
    struct TCase {
        const char* Name;
        QString Text;
        TState Start;
    };
    const std::vector<TCase> cases{
        {"MixedHtml", RandomHtml(rng, 50000), hsText},
        {"StartsInAComment", RandomHtml(rng, 30000), hsComment},
        {"OneLongComment", "<!--" + QString(40000, u'x') + "-->" + RandomHtml(rng, 9000), hsText},
        {"Short", "<p>short</p>", hsText},
        {"Empty", QString(), hsTagBody},
    };
    for (const TCase& c : cases) {
        TGlyphLineCheckpoints points;
        points.Build(html, c.Text, 0, c.Start);
        ExpectLikeAFullScan(html, points, c.Text, c.Start, c.Name);
        if (c.Text.size() > 2 * TGlyphLineCheckpoints::Spacing &&
            c.Name != std::string("OneLongComment")) {
            EXPECT_GE(points.Points().size(),
                      std::size_t(c.Text.size() / TGlyphLineCheckpoints::Spacing / 2))
                << c.Name;
        }
    }
}

TEST(LineCheckpoints, RandomEditsAtRandomColumnsKeepThemExact) {
    for (const TLanguageSample& sample : LanguageSamples()) {
        const std::unique_ptr<TGlyphCustomHighlighter> h = sample.Make();
        const QStringList& pieces = sample.Pieces;
        for (quint32 seed : {101u, 202u}) {
            QRandomGenerator rng(seed);
            QString text = RandomSampleText(rng, pieces, 40000);
            TState start = sample.Starts.front();
            TGlyphLineCheckpoints points;
            points.Build(*h, text, 0, start);
            for (int step = 0; step < 120; ++step) {
                const std::string where = std::string(sample.Name) + ", seed " +
                                          std::to_string(seed) + ", step " + std::to_string(step);
                // One to three edits before the checkpoints are brought up to date.
                for (int edits = 1 + rng.bounded(3); edits > 0; --edits) {
                    const int at = rng.bounded(int(text.size()) + 1);
                    switch (rng.bounded(6)) {
                    case 0:
                        EditLine(text, points, at, 1 + rng.bounded(20), QString());
                        break;
                    case 1:
                        EditLine(text, points, at, rng.bounded(9000), QString()); // several points
                        break;
                    case 2:
                        EditLine(text, points, at, 0,
                                 RandomSampleText(rng, pieces, 1 + rng.bounded(6000)));
                        break;
                    case 3:
                        if (rng.bounded(4) == 0)
                            start = sample.Starts[rng.bounded(int(sample.Starts.size()))];
                        break;
                    default:
                        EditLine(text, points, at, rng.bounded(3),
                                 pieces[rng.bounded(int(pieces.size()))]);
                        break;
                    }
                }
                // Now and then only as far as some column, as for a screen showing the line's
                // start; the next edit then meets a build that stopped part way.
                if (rng.bounded(3) == 0) {
                    const int stopAt = rng.bounded(int(text.size()) + 1);
                    points.Update(*h, text, 0, start, stopAt);
                    EXPECT_GE(points.ScannedTo(), stopAt) << where;
                    ExpectLikeAFullScan(*h, points, text, start, where + " (in part)", false);
                } else {
                    points.Update(*h, text, 0, start);
                    ExpectLikeAFullScan(*h, points, text, start, where);
                }
                if (HasFailure())
                    return;
            }
        }
    }
}

TEST(LineCheckpoints, StretchesAroundAnyColumnGiveTheTokensOfAFullScan) {
    for (const TLanguageSample& sample : LanguageSamples()) {
        const std::unique_ptr<TGlyphCustomHighlighter> h = sample.Make();
        QRandomGenerator rng(77);
        const QString text = RandomSampleText(rng, sample.Pieces, 60000);
        const TState start = sample.Starts.front();
        TGlyphLineCheckpoints points;
        points.Build(*h, text, 0, start);
        const TGlyphScannedLine full = ScanLine(*h, text, 0, start);
        for (int k = 0; k < 200; ++k) {
            const int first = rng.bounded(int(text.size()));
            const int last = std::min(first + rng.bounded(300), int(text.size()) - 1);
            const TGlyphLineCheckpoint from = points.Before(first);
            ASSERT_LE(from.Offset, first);
            const int textFrom = std::max(from.Offset - TGlyphLineCheckpoints::LookBehind, 0);
            const int textTo = points.ReadLimit(last);
            ASSERT_GT(textTo, last);
            QList<TGlyphToken> expected;
            for (const TGlyphToken& t : full.Tokens) {
                if (t.Start >= from.Offset && t.Start <= last && t.Start + t.Length > from.Offset)
                    expected.append(t);
            }
            TGlyphScannedLine stretch;
            if (from.Offset == 0) {
                stretch = ScanLine(*h, text.mid(0, textTo), 0, start);
            } else {
                stretch = Resumed(*h, text.mid(textFrom, textTo - textFrom), textFrom, from);
            }
            QList<TGlyphToken> got;
            for (const TGlyphToken& t : stretch.Tokens) {
                if (t.Start <= last && t.Start + t.Length > from.Offset)
                    got.append(t);
            }
            ASSERT_EQ(got, expected) << sample.Name << ": columns " << first << ".." << last;
        }
    }
}

// Counts the tokens it scans; otherwise the HTML highlighter itself.
class TCountingHTMLHighlighter : public TGlyphHTMLHighlighter {
public:
    void Advance() override {
        ++Advances;
        TGlyphHTMLHighlighter::Advance();
    }
    int Advances = 0;
};

TEST(LineCheckpoints, AnEditRescansOnlyAroundItsColumn) {
    TCountingHTMLHighlighter html;
    QRandomGenerator rng(9);
    QString text = RandomHtml(rng, 1'000'000);
    TGlyphLineCheckpoints points;
    points.Build(html, text, 0, hsText);
    const int wholeLine = html.Advances;
    for (int at : {10, 500'000, int(text.size()) - 10}) {
        EditLine(text, points, at, 0, QStringLiteral("q"));
        html.Advances = 0;
        points.Update(html, text, 0, hsText);
        EXPECT_LT(html.Advances, wholeLine / 50) << "typing at " << at;
        ExpectLikeAFullScan(html, points, text, hsText, "after typing at " + std::to_string(at));
    }
}

TEST(LineCheckpoints, ABuildInPartsEndsLikeABuildInOne) {
    TGlyphHTMLHighlighter html;
    QRandomGenerator rng(12);
    const QString text = RandomHtml(rng, 70000);
    for (TState start : {TState(hsText), TState(hsComment)}) {
        TGlyphLineCheckpoints points;
        points.StartBuild(int(text.size()), start);
        EXPECT_FALSE(points.IsComplete());
        int parts = 0;
        while (!points.IsComplete() && parts < 100000) {
            points.ContinueBuild(html, text, 0, 1 + rng.bounded(5000));
            ++parts;
        }
        EXPECT_GT(parts, 10) << "each part scans only about the characters asked for";
        ExpectLikeAFullScan(html, points, text, start, "built in parts");
        // An edit after a build in parts works from its checkpoints like any other.
        QString edited = text;
        EditLine(edited, points, 35000, 0, QStringLiteral("<!--"));
        points.Update(html, edited, 0, start);
        ExpectLikeAFullScan(html, points, edited, start, "edited after a build in parts");
    }
}

TEST(LineCheckpoints, AnEditWhoseStatesKeepDisagreeingStopsPastTheColumnAsked) {
    TCountingHTMLHighlighter html;
    // One comment to the line's end; taking away a dash of its opening turns it into many short
    // tags, none of them in the state the old checkpoints had.
    QString text = QStringLiteral("<!--");
    while (text.size() < 400000)
        text += QStringLiteral("<p class=\"x\">text</p> ");
    TGlyphLineCheckpoints points;
    points.Build(html, text, 0, hsText);
    EditLine(text, points, 3, 1, QString());
    html.Advances = 0;
    points.Update(html, text, 0, hsText, 100);
    EXPECT_FALSE(points.IsComplete());
    TCountingHTMLHighlighter wholeScan;
    TGlyphLineCheckpoints whole;
    whole.Build(wholeScan, text, 0, hsText);
    EXPECT_LT(html.Advances, wholeScan.Advances / 20) << "no further than a little past the edit";
    ExpectLikeAFullScan(html, points, text, hsText, "comment taken away, in part", false);
    // Typed back before the rest was scanned, then wanted whole.
    EditLine(text, points, 3, 0, QStringLiteral("-"));
    points.Update(html, text, 0, hsText, 100);
    points.Update(html, text, 0, hsText);
    ExpectLikeAFullScan(html, points, text, hsText, "comment again, whole");
}

TEST(LineCheckpoints, AnEditOfUnknownPlaceOrLengthScansTheLineAgain) {
    TCountingHTMLHighlighter html;
    QRandomGenerator rng(31);
    QString text = RandomHtml(rng, 50000);
    TGlyphLineCheckpoints points;
    points.Build(html, text, 0, hsText);
    // The line was replaced whole: nothing noted says where.
    text.replace(20000, 4, QStringLiteral("<!--"));
    points.NoteUnknownEdit();
    points.Update(html, text, 0, hsText);
    ExpectLikeAFullScan(html, points, text, hsText, "after an unknown edit");
    // A text whose length disagrees with the noted edits is not trusted either.
    EditLine(text, points, 100, 0, QStringLiteral("<b>"));
    text.append(QStringLiteral("</p>"));
    points.Update(html, text, 0, hsText);
    ExpectLikeAFullScan(html, points, text, hsText, "after an edit not noted");
    // Nothing noted and the same text: no scan at all.
    html.Advances = 0;
    points.Update(html, text, 0, hsText);
    EXPECT_EQ(html.Advances, 0);
}

} // namespace
