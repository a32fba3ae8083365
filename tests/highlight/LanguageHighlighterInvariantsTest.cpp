// Properties every language highlighter keeps on any input: generated, mutated and hostile
// lines are tokenised without gaps or overlaps, scanning ends, and a line scanned from its
// stored start state gives exactly what a scan from the top of the document gives.

#include "highlight/GlyphHighlightScan.h"
#include "highlight/GlyphLanguageCatalogue.h"
#include "highlight/TGlyphGeneralHighlighter.h"
#include "support/LanguageSamples.h"

#include <QSet>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <random>

namespace {

using TState = TGlyphCustomHighlighter::TState;

struct TLanguage {
    const char* Name;
    TGlyphLanguageId Id;
    // Null: the language's highlighter as its class makes it.
    std::function<std::unique_ptr<TGlyphCustomHighlighter>()> Make;
    // Every state the language may leave at a line end; empty for a page, whose states are too
    // many to list: it must take back each one it leaves.
    QSet<TState> States;
    QStringList Fragments; // pieces of the language that open, close and escape constructs
};

void PrintTo(const TLanguage& language, std::ostream* os) {
    *os << language.Name;
}

std::unique_ptr<TGlyphCustomHighlighter> MakeMainWindowGeneral() {
    auto h = std::make_unique<TGlyphGeneralHighlighter>();
    h->ApplyMainWindowSettings();
    return h;
}

std::unique_ptr<TGlyphCustomHighlighter> MakeAllCommentsGeneral() {
    auto h = std::make_unique<TGlyphGeneralHighlighter>();
    h->SetComments(csAnsiStyle | csPasStyle | csCStyle | csAsmStyle | csBasStyle);
    h->SetKeyWords({"begin", "end", "program"});
    h->SetStringDelimiter(QLatin1Char('"'));
    return h;
}

const QStringList kCommonFragments = {"/*",
                                      "*/",
                                      "//",
                                      "\"",
                                      "'",
                                      "\\",
                                      "\\\"",
                                      "#",
                                      " ",
                                      "\t",
                                      "0x1F",
                                      "1..2",
                                      "12.5",
                                      ".",
                                      "...",
                                      "-",
                                      "x",
                                      "if",
                                      "_a",
                                      "{",
                                      "}",
                                      "(",
                                      ")",
                                      ";",
                                      "$",
                                      "@",
                                      "%",
                                      "=",
                                      "\r",
                                      "\n",
                                      QString(QChar(0)),
                                      QString(QChar(0xE9)),
                                      QString(QChar(0x0142)),
                                      QString(QChar(0xD800)),
                                      QString(QChar(0x2028)),
                                      "\x7f",
                                      "e",
                                      "E"};

QStringList With(QStringList extra) {
    extra += kCommonFragments;
    return extra;
}

// The boundaries of the parts of a page, and what opens strings and comments inside them.
const QStringList kPageFragments =
    With({"<style",      "<style>",   "</style>",   "<script",
          "<script>",    "</script>", "</SCRIPT >", " type=\"text/vbscript\"",
          " type=x",     "<?php ",    "<?=",        "<?",
          "?>",          "<%",        "%>",         " style=\"",
          " onclick=\"", "<!--",      "-->",        "<",
          ">",           "<p",        "&amp;",      "&#38;",
          "&",           "<_",        "color:red",  "var",
          "Dim",         "$x"});

const TLanguage kLanguages[] = {
    {"HTML",
     glHTML,
     nullptr,
     {hsServerScript, hsComment, hsTagName, hsTagBody, hsText, hsValue},
     kPageFragments},
    // As the main window holds them: a page's parts in their own languages, and a PHP file read
    // as such a page.
    {"HTMLPage", glHTML, MakeMixedPage, {}, kPageFragments},
    {"PHPPage", glPHP, [] { return std::make_unique<TPhpPageSample>(); }, {}, kPageFragments},
    {"JScript",
     glJScript,
     nullptr,
     {0, 1},
     With({"document", "onClick", "var", "/**/", "'''", "->", "&&"})},
    {"Java", glJava, nullptr, {0, 1, 2}, With({"/**", "/**/", "class", "1-2L", ".5", "a$b"})},
    {"Css",
     glCss,
     nullptr,
     {0, 1},
     With({"color", "COLOR", "#FF0000", " -1", "-.5", "10em", "1ex", "panose-7", "{1"})},
    {"PHP",
     glPHP,
     nullptr,
     {0, 1, 2, 3},
     With({"$name", "ECHO", "__FILE__", "\\'", "\\\\", "<?php", "?>"})},
    {"Perl",
     glPerl,
     nullptr,
     {0},
     With({"$ARGV", "$argv", "$^W", "$_", "%INC", "@ARGV", "x=", "1e-5", "`", "my", "cmp"})},
    {"VBScript",
     glVBScript,
     nullptr,
     {0},
     With({"Dim", "dim", "#1/1/2000#", "<>", ">=", "Rem", "1E5"})},
    {"Cpp",
     glCpp,
     nullptr,
     {0, 1, 2, 3},
     With({"#include", "#define X \\", "017", "08", "0x", "1.5f", "1e+", "'\\''", "L\"", "__int64",
           "12ab"})},
    {"General", glGeneral, nullptr, {0, 1, 2, 3}, With({"(*", "*)", "#!"})},
    {"GeneralAllComments",
     glGeneral,
     MakeAllCommentsGeneral,
     {0, 1, 2, 3},
     With({"(*", "*)", "begin", "END", "; asm"})},
    {"GeneralMainWindow", glGeneral, MakeMainWindowGeneral, {0, 1, 2, 3}, With({"don't", "1st"})},
};

class Invariants : public ::testing::TestWithParam<TLanguage> {
protected:
    void SetUp() override {
        h_ = GetParam().Make ? GetParam().Make() : LanguageEntry(GetParam().Id).Make();
    }

    // Checks one scanned line: the tokens run from 0 to the line's end in order, none empty,
    // and the end state is a known one.
    void CheckLine(const QString& text, const TGlyphScannedLine& line) {
        int expectedStart = 0;
        for (const TGlyphToken& t : line.Tokens) {
            ASSERT_EQ(t.Start, expectedStart) << "gap or overlap in " << Printable(text);
            ASSERT_GT(t.Length, 0) << "empty token in " << Printable(text);
            expectedStart += t.Length;
        }
        ASSERT_EQ(expectedStart, text.size())
            << "tokens do not reach the end of " << Printable(text);
        const QSet<TState>& states = GetParam().States;
        if (states.isEmpty()) {
            h_->RestoreState(line.EndState);
            ASSERT_EQ(h_->State(), line.EndState) << "not taken back after " << Printable(text);
        } else {
            ASSERT_TRUE(states.contains(line.EndState))
                << "unknown state " << line.EndState << " after " << Printable(text);
        }
    }

    // Scans the document from the top, then every line again, in a shuffled order, from its
    // stored start state; both must agree token for token.
    void CheckDocument(const QStringList& lines, std::mt19937& random) {
        const QList<TGlyphScannedLine> carried = ScanCarried(lines);
        ASSERT_EQ(carried.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            CheckLine(lines[i], carried[i]);
            if (HasFatalFailure()) {
                return;
            }
            if (i > 0) {
                ASSERT_EQ(carried[i].StartState, carried[i - 1].EndState);
            }
        }
        std::vector<int> order(std::size_t(lines.size()));
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), random);
        for (int i : order) {
            const TGlyphScannedLine again = ScanLine(*h_, lines[i], i, carried[i].StartState);
            ASSERT_EQ(again, carried[i]) << "line " << i << ": " << Printable(lines[i]);
        }
    }

    // Scans the document the way a painter walks down it: one ResetState, then every line
    // starts in whatever state the previous one left in the highlighter.
    QList<TGlyphScannedLine> ScanCarried(const QStringList& lines) {
        QList<TGlyphScannedLine> result;
        h_->ResetState();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            TGlyphScannedLine line;
            line.StartState = h_->State();
            h_->StartLine(lines[i], int(i));
            for (qsizetype n = 0; !h_->AtLineEnd(); ++n) {
                if (n > lines[i].size()) {
                    ADD_FAILURE() << "no end of line " << i << ": " << Printable(lines[i]);
                    return result;
                }
                // Each token is drawn with an attribute of the language it is in, or none.
                if (h_->TokenAttribute() && !Owns(*h_->TokenLanguage(), h_->TokenAttribute())) {
                    ADD_FAILURE() << "foreign attribute in line " << i << ": "
                                  << Printable(lines[i]);
                    return result;
                }
                line.Tokens.append(
                    {h_->TokenStart(), h_->TokenLength(), h_->TokenKind(), h_->TokenAttribute()});
                h_->Advance();
            }
            line.EndState = h_->State();
            result.append(line);
        }
        return result;
    }

    static bool Owns(const TGlyphCustomHighlighter& h, const TGlyphHighlighterAttributes* a) {
        for (int i = 0; i < h.AttributeCount(); ++i) {
            if (h.AttributeAt(i) == a) {
                return true;
            }
        }
        return false;
    }

    static std::string Printable(const QString& text) {
        QString out;
        for (QChar c : text.left(80)) {
            out += c.unicode() < 32 || c.unicode() > 126
                       ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                       : QString(c);
        }
        return out.toStdString();
    }

    QString RandomCodeUnits(std::mt19937& random, int length, char16_t maxUnit) {
        std::uniform_int_distribution<int> unit(0, maxUnit);
        QString s;
        for (int i = 0; i < length; ++i) {
            s += QChar(char16_t(unit(random)));
        }
        return s;
    }

    QString RandomFragments(std::mt19937& random, int count) {
        const QStringList& pool = GetParam().Fragments;
        std::uniform_int_distribution<qsizetype> pick(0, pool.size() - 1);
        QString s;
        for (int i = 0; i < count; ++i) {
            s += pool[pick(random)];
        }
        return s;
    }

    // Deletes, inserts or repeats a few characters of `line`.
    QString Mutate(std::mt19937& random, QString line) {
        std::uniform_int_distribution<int> op(0, 2);
        for (int n = 0; n < 3; ++n) {
            std::uniform_int_distribution<qsizetype> at(0, line.size());
            const qsizetype p = at(random);
            switch (op(random)) {
            case 0:
                line.remove(p, 1);
                break;
            case 1:
                line.insert(p, RandomFragments(random, 1));
                break;
            default:
                line.insert(p, line.mid(p, 3));
                break;
            }
        }
        return line;
    }

    std::unique_ptr<TGlyphCustomHighlighter> h_;
};

const unsigned kSeeds[] = {1, 7, 42, 1234, 99991};

TEST_P(Invariants, RandomBytesLines) {
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        QStringList lines;
        std::uniform_int_distribution<int> length(0, 60);
        for (int i = 0; i < 200; ++i) {
            lines << RandomCodeUnits(random, length(random), 255);
        }
        CheckDocument(lines, random);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST_P(Invariants, RandomUnicodeLines) {
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        QStringList lines;
        std::uniform_int_distribution<int> length(0, 60);
        for (int i = 0; i < 200; ++i) {
            lines << RandomCodeUnits(random, length(random), 0xFFFF);
        }
        CheckDocument(lines, random);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST_P(Invariants, GeneratedLanguageLines) {
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        QStringList lines;
        std::uniform_int_distribution<int> count(0, 12);
        for (int i = 0; i < 400; ++i) {
            lines << RandomFragments(random, count(random));
        }
        CheckDocument(lines, random);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST_P(Invariants, MutatedLines) {
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        QStringList lines;
        for (int i = 0; i < 100; ++i) {
            lines << RandomFragments(random, 8);
        }
        for (int round = 0; round < 5; ++round) {
            for (QString& line : lines) {
                line = Mutate(random, line);
            }
            CheckDocument(lines, random);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
}

TEST_P(Invariants, VeryLongLines) {
    std::mt19937 random(5);
    QStringList lines;
    lines << RandomFragments(random, 40000);
    lines << RandomCodeUnits(random, 200000, 255);
    for (const QString& piece : GetParam().Fragments) {
        lines << piece.repeated(100000 / std::max<qsizetype>(1, piece.size()));
    }
    CheckDocument(lines, random);
}

// Every fragment alone and at the end of a line: strings, comments and directives left open
// must still end the line's tokens, and the next line must scan from the state they leave.
TEST_P(Invariants, UnterminatedConstructs) {
    std::mt19937 random(11);
    QStringList lines;
    for (const QString& piece : GetParam().Fragments) {
        lines << piece << "x " + piece << ""
              << "  " + piece + "\\";
    }
    CheckDocument(lines, random);
}

// The editor marks a line not yet scanned with -1; a stale number, or another language's normal
// state after a switch of highlighter, must not leave the scanner in a construct it cannot end.
TEST_P(Invariants, UnknownStartStatesAreTakenAsNormal) {
    for (TState state : {TState(-1), TState(0), TState(6), TState(99), TState(1) << 40}) {
        const TGlyphScannedLine fromUnknown = ScanLine(*h_, "a = 1; // x", 0, state);
        const TGlyphScannedLine fromReset = ScanLine(*h_, "a = 1; // x", 0, ResetStateOf(*h_));
        EXPECT_EQ(fromUnknown.Tokens, fromReset.Tokens) << state;
        EXPECT_EQ(fromUnknown.EndState, fromReset.EndState) << state;
    }
}

// The editor's re-scan after an edit: from the changed line on, until a line's stored start
// state already equals the newly computed one. Its result must equal a full scan.
TEST_P(Invariants, IncrementalRescanEqualsFullScan) {
    for (unsigned seed : kSeeds) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        QStringList lines;
        for (int i = 0; i < 60; ++i) {
            lines << RandomFragments(random, 5);
        }
        QList<TState> stored = ScanLineStates(*h_, lines);
        std::uniform_int_distribution<qsizetype> lineAt(0, lines.size() - 1);
        for (int edit = 0; edit < 200; ++edit) {
            const qsizetype i = lineAt(random);
            lines[i] = Mutate(random, lines[i]);
            TState state = stored[i];
            for (qsizetype j = i; j < lines.size(); ++j) {
                if (j > i && stored[j] == state) {
                    break;
                }
                stored[j] = state;
                state = ScanLine(*h_, lines[j], int(j), state).EndState;
            }
            ASSERT_EQ(stored, ScanLineStates(*h_, lines)) << "after edit " << edit;
        }
    }
}

TEST_P(Invariants, TokenTextMatchesTheLine) {
    std::mt19937 random(3);
    for (int i = 0; i < 100; ++i) {
        const QString line = RandomFragments(random, 10);
        h_->ResetState();
        h_->StartLine(line, 0);
        while (!h_->AtLineEnd()) {
            ASSERT_EQ(h_->TokenText(), line.mid(h_->TokenStart(), h_->TokenLength()));
            h_->Advance();
        }
    }
}

// A language added to the program is checked here too.
TEST(InvariantsTable, HoldsEveryLanguage) {
    for (const TGlyphLanguageEntry& language : GlyphLanguageCatalogue()) {
        EXPECT_TRUE(std::any_of(std::begin(kLanguages), std::end(kLanguages),
                                [&](const TLanguage& l) { return l.Id == language.Id; }))
            << language.Name;
    }
}

std::string LanguageName(const ::testing::TestParamInfo<TLanguage>& info) {
    return info.param.Name;
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, Invariants, ::testing::ValuesIn(kLanguages), LanguageName);

} // namespace
