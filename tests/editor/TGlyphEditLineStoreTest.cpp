// The compact line store seen from outside: every kind of character comes back as it went in,
// in-place edits equal rebuilding the line, loading tells the editor once, typing in a long
// line and replace all give the text and undo that the match-by-match way gives.
#include "editor/TGlyphEditFindReplace.h"
#include "editor/TGlyphEditHighlighting.h"
#include "editor/TGlyphEditLineChunks.h"
#include "editor/TGlyphEditStringList.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include "GlyphEditTestSupport.h"
#include "support/QtPrinters.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>

namespace {

const QString Wide = QStringLiteral("\u03A9\u20AC");               // Greek capital omega, euro sign
const QString Surrogates = QStringLiteral("\U0001F600\U00010348"); // two pairs
const QString HighLatin1 = QStringLiteral("\u00E9\u00FF\u0080\u009F\u00A0");

QString Long(qsizetype n, const QString& unit) {
    QString s;
    while (s.size() < n)
        s += unit;
    s.truncate(n);
    return s;
}

// The texts every test walks: each form a line can take, and both sides of the long-line size.
QStringList SampleLines() {
    const qsizetype longLine = TGlyphEditLineChars::LongLine;
    return {
        QString(),
        QStringLiteral("plain ascii"),
        QStringLiteral("tab\there"),
        HighLatin1 + QStringLiteral(" accents"),
        QStringLiteral("wide ") + Wide,
        QStringLiteral("pairs ") + Surrogates,
        Long(longLine - 1, QStringLiteral("abc ")),
        Long(longLine, QStringLiteral("abc ")),
        Long(longLine + 7, QStringLiteral("x") + Wide),
    };
}

void LoadBytes(TGlyphEditStringList& list, const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    list.LoadStream(buffer);
}

// ---------------------------------------------------------------------------------------------
// Reading lines back

TEST(LineStoreRead, EveryFormComesBackWithItsLengthAndParts) {
    TGlyphEditStringList list;
    const QStringList lines = SampleLines();
    for (const QString& line : lines)
        list.AppendLine(line);
    ASSERT_EQ(list.Lines(), lines);
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const qsizetype n = line.size();
        SCOPED_TRACE(i);
        EXPECT_EQ(list.GetLine(i), line);
        EXPECT_EQ(list.LineLength(i), n);
        // LineMid at the edges follows QString::mid.
        const std::pair<qsizetype, qsizetype> parts[] = {{0, -1},
                                                         {0, 0},
                                                         {0, 1},
                                                         {n, -1},
                                                         {n, 5},
                                                         {n + 1, 2},
                                                         {-3, 5},
                                                         {-3, -1},
                                                         {n / 2, -1},
                                                         {n / 2, n},
                                                         {std::max<qsizetype>(n - 1, 0), 1}};
        for (auto [from, count] : parts)
            EXPECT_EQ(list.LineMid(i, from, count), line.mid(from, count)) << from << " " << count;
        EXPECT_EQ(list.LineChar(i, -1), QChar());
        EXPECT_EQ(list.LineChar(i, n), QChar());
        if (n > 0) {
            EXPECT_EQ(list.LineChar(i, 0), line.front());
            EXPECT_EQ(list.LineChar(i, n - 1), line.back());
        }
        EXPECT_EQ(list.LineHasTabs(i), line.contains(u'\t'));
    }
    EXPECT_EQ(list.LineMid(int(lines.size()), 0, 3), QString());
    EXPECT_EQ(list.LineLength(-1), 0);
}

TEST(LineStoreRead, AllTextAndCopiesKeepEveryForm) {
    TGlyphEditStringList list;
    const QStringList lines = SampleLines();
    for (const QString& line : lines)
        list.AppendLine(line);
    EXPECT_EQ(list.AllText(), lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    TGlyphEditStringList copy;
    copy.AppendLines(list);
    EXPECT_EQ(copy.Lines(), lines);
    copy.SetLine(1, QStringLiteral("changed"));
    EXPECT_EQ(list.GetLine(1), QStringLiteral("plain ascii")) << "the copy owns its text";
}

// ---------------------------------------------------------------------------------------------
// Editing in place

TEST(LineStoreEdit, ReplaceCharsEqualsRebuildingTheLine) {
    struct {
        const char* what;
        QString line;
        qsizetype from;
        qsizetype count;
        QString text;
    } cases[] = {
        {"insert at start", "abc", 0, 0, "x"},
        {"insert at end", "abc", 3, 0, "xyz"},
        {"delete middle", "abcdef", 2, 2, ""},
        {"delete all", "abc", 0, 3, ""},
        {"latin-1 gains a wide char", "abc", 1, 0, Wide},
        {"wide line loses its wide chars", "a" + Wide + "b", 1, 2, ""},
        {"wide line keeps one", "a" + Wide + "b", 1, 1, ""},
        {"high latin-1 stays one byte", "abc", 1, 1, HighLatin1},
        {"surrogate pair inserted", "abc", 3, 0, Surrogates},
        {"surrogate pairs removed", "a" + Surrogates, 1, 4, ""},
        {"into an empty line", "", 0, 0, "new"},
        {"clipped range", "abc", 2, 99, "Z"},
        {"crossing into a long line", Long(4095, "ab"), 4000, 0, "0123456789"},
        {"long line back to short", Long(5000, "ab"), 10, 4980, ""},
        {"long line stays long", Long(5000, "ab"), 10, 100, Wide},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list;
        list.AppendLine(c.line);
        list.AppendLine("next");
        QString expected = c.line;
        expected.replace(c.from, std::min(c.count, c.line.size() - c.from), c.text);
        list.ReplaceChars(0, c.from, c.count, c.text);
        EXPECT_EQ(list.GetLine(0), expected) << c.what;
        EXPECT_EQ(list.LineLength(0), expected.size()) << c.what;
        EXPECT_EQ(list.GetLine(1), QStringLiteral("next")) << c.what;
    }
}

TEST(LineStoreEdit, ReplaceCharsFiresOneChangeInItsBracketAndChecksTheIndex) {
    TGlyphEditStringList list;
    list.AppendLine("abc");
    QStringList events;
    list.OnBeginChanges = [&] { events << "begin"; };
    list.OnEndChanges = [&] { events << "end"; };
    list.OnLineChanged = [&](int i) {
        events << QString("changed %1 %2").arg(i).arg(list.GetLine(i));
    };
    list.ReplaceChars(0, 1, 1, QStringLiteral("XY"));
    EXPECT_EQ(events, (QStringList{"begin", "changed 0 aXYc", "end"}));
    EXPECT_THROW(list.ReplaceChars(1, 0, 0, QStringLiteral("x")), EGlyphEditStringList);
    EXPECT_EQ(list.GetLine(0), QStringLiteral("aXYc"));
}

// Random edits against a plain list of QStrings: texts, expanded lengths and the longest line.
TEST(LineStoreEdit, RandomEditsMatchAPlainReference) {
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    QRandomGenerator random(seed);
    const QString pool = QStringLiteral("ab \t\u00E9\u00FF") + Wide + Surrogates;
    const auto randomText = [&](int max) {
        QString s;
        const int n = random.bounded(max + 1);
        for (int i = 0; i < n; ++i)
            s += pool.at(random.bounded(int(pool.size())));
        return s;
    };
    TGlyphEditStringList list;
    list.SetTabWidth(3);
    QStringList reference;
    for (int i = 0; i < 6; ++i) {
        reference << randomText(12);
        list.AppendLine(reference.back());
    }
    reference[2] = Long(4090, QStringLiteral("xy"));
    list.SetLine(2, reference[2]);
    for (int step = 0; step < 3000; ++step) {
        const int i = random.bounded(int(reference.size()));
        const qsizetype size = reference[i].size();
        const qsizetype from = random.bounded(int(size + 1));
        const qsizetype count = random.bounded(int(size - from + 1));
        const QString text = randomText(step % 50 == 0 ? 20 : 3);
        reference[i].replace(from, count, text);
        list.ReplaceChars(i, from, count, text);
        if (step % 7 == 0) {
            int best = -1;
            int bestLength = -1;
            for (int k = 0; k < reference.size(); ++k) {
                const int length = int(list.ExpandedText(k).size());
                if (length > bestLength) {
                    best = k;
                    bestLength = length;
                }
            }
            ASSERT_EQ(list.LongestLineLength(), bestLength) << "step " << step;
            ASSERT_EQ(list.LongestLineIndex(), best) << "step " << step;
        }
        ASSERT_EQ(list.GetLine(i), reference[i]) << "step " << step;
    }
    EXPECT_EQ(list.Lines(), reference);
}

// Lines inserted, replaced and deleted around the longest line, asked for now and then as the
// view does: its index and length against a count of every line.
TEST(LineStoreEdit, LongestLineFollowsInsertsAndDeletes) {
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    QRandomGenerator random(seed);
    TGlyphEditStringList list;
    list.SetTabWidth(4);
    for (int step = 0; step < 2000; ++step) {
        const int count = list.LineCount();
        const int i = random.bounded(count + 1);
        const QString text = QString(random.bounded(3), u'\t') + QString(random.bounded(9), u'x');
        switch (count < 3 ? 0 : random.bounded(6)) {
        case 0:
            list.InsertLine(i, text);
            break;
        case 1:
            list.AppendLine(text);
            break;
        case 2:
            list.InsertEmptyLines(i, 2);
            break;
        case 3:
            list.DeleteLine(std::min(i, count - 1));
            break;
        case 4:
            list.SetLine(std::min(i, count - 1), text);
            break;
        default:
            list.RemoveLines(std::min(i, count - 2), 2);
        }
        if (step % 3 != 0)
            continue;
        int best = 0;
        qsizetype bestLength = -1;
        for (int k = 0; k < list.LineCount(); ++k) {
            const qsizetype length = list.ExpandedText(k).size();
            if (length > bestLength) {
                best = k;
                bestLength = length;
            }
        }
        ASSERT_EQ(list.LongestLineLength(), bestLength) << "step " << step;
        ASSERT_EQ(list.LongestLineIndex(), best) << "step " << step;
    }
}

TEST(LineStoreEdit, UserDataFollowsItsLineThroughInsertsAndDeletes) {
    int a = 0;
    int b = 0;
    TGlyphEditStringList list;
    for (const char* line : {"0", "1", "2", "3"})
        list.AppendLine(line);
    list.SetLineData(1, &a);
    list.SetLineData(3, &b);
    list.InsertLine(0, "new");
    EXPECT_EQ(list.GetLineData(2), &a);
    EXPECT_EQ(list.GetLineData(4), &b);
    list.InsertEmptyLines(3, 2);
    EXPECT_EQ(list.GetLineData(6), &b);
    list.RemoveLines(2, 1);
    EXPECT_EQ(list.GetLineData(2), nullptr) << "the line with the data is gone";
    EXPECT_EQ(list.GetLineData(5), &b);
    list.DeleteLine(0);
    EXPECT_EQ(list.GetLineData(4), &b);
    list.SetLineData(4, nullptr);
    EXPECT_EQ(list.GetLineData(4), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Files: every form written back byte for byte

TEST(LineStoreFiles, MixedFormsRoundTripByteIdenticalInEveryStyle) {
    const QByteArray longAscii = QByteArray(6000, 'q');
    const QByteArray utf8Lines = "plain\x01" + QByteArray("caf\xC3\xA9 \xC3\xBF") + "\x01" +
                                 QByteArray("\xCE\xA9 \xE2\x82\xAC") + "\x01" +
                                 QByteArray("\xF0\x9F\x98\x80") + "\x01" + "\x01" + longAscii +
                                 "\x01" + longAscii + QByteArray("\xCE\xA9");
    const QByteArray cp1252Lines =
        QByteArray("caf\xE9 \x80\x93\x81") + "\x01" + "plain" + "\x01" + longAscii + "\x9D";
    struct {
        const char* what;
        QByteArray body;
        QByteArray bom;
    } bodies[] = {{"utf-8", utf8Lines, {}},
                  {"utf-8 with mark", utf8Lines, "\xEF\xBB\xBF"},
                  {"windows-1252", cp1252Lines, {}}};
    const QByteArray breaks[] = {"\r\n", "\n", "\r"};
    QTemporaryDir dir;
    for (const auto& body : bodies) {
        for (const QByteArray& lineBreak : breaks) {
            QByteArray bytes = body.bom + body.body;
            bytes.replace('\x01', lineBreak);
            bytes += lineBreak;
            const QString path = dir.filePath("file.txt");
            TGlyphEditStringList list;
            LoadBytes(list, bytes);
            list.SaveFile(path);
            QFile saved(path);
            ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
            EXPECT_EQ(saved.readAll(), bytes) << body.what << " " << lineBreak.toHex().data();
            EXPECT_EQ(list.SaveToBytes(), bytes) << body.what;
        }
    }
}

TEST(LineStoreFiles, LoadedCharactersDecodeAsTheEncodingSays) {
    TGlyphEditStringList list;
    LoadBytes(list, QByteArray("caf\xC3\xA9\n\xCE\xA9\nascii\n"));
    EXPECT_EQ(list.Lines(), (QStringList{QStringLiteral("caf\u00E9"), QStringLiteral("\u03A9"),
                                         QStringLiteral("ascii")}));
    LoadBytes(list, QByteArray("caf\xE9\n\x80\xA0\n"));
    EXPECT_EQ(list.Lines(),
              (QStringList{QStringLiteral("caf\u00E9"), QStringLiteral("\u20AC\u00A0")}));
}

// ---------------------------------------------------------------------------------------------
// Loading through the editor: one notification, the same state as line by line

struct TEditorState {
    QStringList lines;
    TBufferCoord caret;
    bool hasSelection = false;
    bool undo = false;
    bool marks = false;
    int topLine = 0;
};

TEditorState StateOf(const TGlyphEdit& edit) {
    bool marks = false;
    for (int n = 0; n < 10; ++n)
        marks = marks || edit.Bookmark(n).has_value();
    return {edit.Lines().Lines(), edit.CaretXY(), edit.HasSelection(),
            edit.UndoAvailable(), marks,          edit.TopLine()};
}

// An editor with text, a bookmark, a selection, a scrolled view and an undo entry.
void Dirty(TGlyphEdit& edit) {
    GlyphEditTest::ConfigureMainWindow(edit);
    GlyphEditTest::SetLines(edit, QStringList(60, QStringLiteral("old line")));
    edit.SetBookmark(2, {1, 30});
    edit.SetCaretXY({3, 40});
    GlyphEditTest::Type(edit, QStringLiteral("x"));
    GlyphEditTest::Select(edit, {1, 41}, {4, 45});
    edit.SetTopLine(30);
}

TEST(LineStoreLoad, EditorHearsOfTheLoadedBlockOnceAndEndsAsLineByLine) {
    QByteArray bytes;
    QStringList expected;
    for (int i = 0; i < 500; ++i) {
        expected << QStringLiteral("line %1 \u00E9").arg(i);
        bytes += expected.back().toUtf8() + "\r\n";
    }
    TGlyphEdit loaded;
    Dirty(loaded);
    QStringList changes;
    loaded.OnLinesChanged = [&](const TGlyphLinesChange& c) {
        changes << QString("%1 %2 %3").arg(int(c.Kind)).arg(c.Index).arg(c.Count);
    };
    LoadBytes(loaded.Lines(), bytes);
    EXPECT_EQ(changes, (QStringList{QString("%1 0 0").arg(int(TGlyphLinesChange::Cleared)),
                                    QString("%1 0 500").arg(int(TGlyphLinesChange::Added))}));

    // The same text put in line by line.
    TGlyphEdit appended;
    Dirty(appended);
    appended.Lines().BeginChanges();
    appended.Lines().RemoveAll();
    for (const QString& line : expected)
        appended.Lines().AppendLine(line);
    appended.Lines().EndChanges();

    const TEditorState a = StateOf(loaded);
    const TEditorState b = StateOf(appended);
    EXPECT_EQ(a.lines, expected);
    EXPECT_EQ(a.lines, b.lines);
    EXPECT_EQ(a.caret, b.caret);
    EXPECT_EQ(a.caret, (TBufferCoord{1, 1}));
    EXPECT_EQ(a.hasSelection, b.hasSelection);
    EXPECT_FALSE(a.undo);
    EXPECT_FALSE(a.marks);
    EXPECT_EQ(a.topLine, b.topLine);
    // The editor counts the block: a line added later lands after it.
    loaded.Lines().AppendLine("after");
    EXPECT_EQ(loaded.LineCount(), 501);
    EXPECT_EQ(changes.back(), QString("%1 500 1").arg(int(TGlyphLinesChange::Added)));
}

TEST(LineStoreLoad, HighlightingStatesAfterALoadEqualLineByLine) {
    QStringList page;
    for (int i = 0; i < 300; ++i)
        page << (i % 50 == 7    ? QStringLiteral("<!-- open comment")
                 : i % 50 == 20 ? QStringLiteral("end -->")
                                : QStringLiteral("<p a=\"%1\">text</p>").arg(i));
    const auto statesAfter = [&page](bool load) {
        TGlyphEdit edit;
        TGlyphHTMLHighlighter html;
        TGlyphEditHighlighting link(edit);
        link.SetHighlighter(&html);
        GlyphEditTest::SetLines(edit, {"<!-- old", "text"});
        if (load) {
            LoadBytes(edit.Lines(), page.join("\n").toUtf8());
        } else {
            edit.Lines().BeginChanges();
            edit.Lines().RemoveAll();
            for (const QString& line : page)
                edit.Lines().AppendLine(line);
            edit.Lines().EndChanges();
        }
        link.EnsureScanned(edit.LineCount() - 1);
        QList<std::intptr_t> states;
        for (int i = 0; i < edit.LineCount(); ++i)
            states << edit.Lines().RangeState(i);
        link.SetHighlighter(nullptr);
        return states;
    };
    const QList<std::intptr_t> loaded = statesAfter(true);
    EXPECT_EQ(loaded.size(), page.size());
    EXPECT_EQ(loaded, statesAfter(false));
    EXPECT_NE(loaded.at(10), loaded.at(30)) << "inside and outside the comment differ";
}

// ---------------------------------------------------------------------------------------------
// Typing in a long line

TEST(LineStoreTyping, LongLineTypingAndDeletingGiveTheTextAndUndoOfAShortOne) {
    const QString base = Long(20000, QStringLiteral("<p>some text</p>"));
    struct {
        const char* what;
        TBufferCoord caret;
        bool insert;
    } cases[] = {{"middle, insert", {10001, 1}, true},
                 {"start, insert", {1, 1}, true},
                 {"end, insert", {20001, 1}, true},
                 {"middle, overwrite", {10001, 1}, false}};
    for (const auto& c : cases) {
        TGlyphEdit edit;
        GlyphEditTest::ConfigureMainWindow(edit);
        GlyphEditTest::SetLines(edit, {base});
        edit.SetInsertMode(c.insert);
        GlyphEditTest::PlaceCaret(edit, c.caret);
        QString expected = base;
        const int at = c.caret.X - 1;
        GlyphEditTest::Type(edit, QStringLiteral("ab") + Wide);
        if (c.insert)
            expected.insert(at, QStringLiteral("ab") + Wide);
        else
            expected.replace(at, std::min<qsizetype>(4, base.size() - at),
                             QStringLiteral("ab") + Wide);
        EXPECT_EQ(edit.LineText(1), expected) << c.what;
        EXPECT_EQ(edit.CaretXY(), (TBufferCoord{c.caret.X + 4, 1})) << c.what;
        edit.RunCommand(ecDeleteLastChar);
        expected.remove(at + 3, 1);
        EXPECT_EQ(edit.LineText(1), expected) << c.what;
        if (at + 3 < expected.size()) {
            edit.RunCommand(ecDeleteChar);
            expected.remove(at + 3, 1);
        }
        EXPECT_EQ(edit.LineText(1), expected) << c.what;
        while (edit.UndoAvailable())
            edit.Undo();
        EXPECT_EQ(edit.LineText(1), base) << c.what;
        EXPECT_FALSE(edit.Modified()) << c.what;
        while (edit.RedoAvailable())
            edit.Redo();
        EXPECT_EQ(edit.LineText(1), expected) << c.what;
    }
}

TEST(LineStoreTyping, UndoEntriesHoldOnlyWhatChanged) {
    TGlyphEdit edit;
    GlyphEditTest::ConfigureMainWindow(edit);
    GlyphEditTest::SetLines(edit, {Long(30000, QStringLiteral("abcd"))});
    GlyphEditTest::PlaceCaret(edit, {15001, 1});
    GlyphEditTest::Type(edit, QStringLiteral("x"));
    edit.RunCommand(ecDeleteChar);
    edit.RunCommand(ecDeleteLastChar);
    const TGlyphEditUndoList& undo = edit.UndoList();
    ASSERT_GE(undo.ItemCount(), 3);
    for (int i = 0; i < undo.ItemCount(); ++i)
        EXPECT_LE(undo.Item(i).Text.size(), 1) << "entry " << i;
}

TEST(LineStoreTyping, ALineBreakTrimsTheLongLeftPartAndUndoBringsItBack) {
    TGlyphEdit edit;
    GlyphEditTest::ConfigureMainWindow(edit);
    const QString head = Long(9000, QStringLiteral("word "));
    GlyphEditTest::SetLines(edit, {head + QStringLiteral("end")});
    GlyphEditTest::PlaceCaret(edit, {int(head.size()) + 1, 1});
    edit.RunCommand(ecLineBreak);
    EXPECT_EQ(GlyphEditTest::Lines(edit), (QStringList{head.chopped(1), QStringLiteral("end")}));
    edit.Undo();
    EXPECT_EQ(GlyphEditTest::Lines(edit), QStringList{head + QStringLiteral("end")});
    edit.Redo();
    EXPECT_EQ(GlyphEditTest::Lines(edit), (QStringList{head.chopped(1), QStringLiteral("end")}));
}

// ---------------------------------------------------------------------------------------------
// Replace all: one pass per line, the same result as match by match

struct TReplaceResult {
    QStringList lines;
    int count = 0;
    TBufferCoord caret;
    TBufferCoord selStart;
    TBufferCoord selEnd;
    QStringList undone; // the lines after one undo
};

// Where replace all starts: the caret, or a selection (searched alone) in a selection mode.
struct TReplaceStart {
    TBufferCoord caret;
    TBufferCoord selectionEnd; // the active end of a selection from `caret`; (1, 1) for none
    TGlyphSelectionMode mode = smNormal;
};

TReplaceResult ReplaceAll(const QStringList& lines, const TReplaceStart& start,
                          const QString& search, const QString& replace,
                          TGlyphSearchOptions options, bool prompt, TGlyphEdit* keep = nullptr) {
    TGlyphEdit local;
    TGlyphEdit& edit = keep ? *keep : local;
    edit.SetOptions(GlyphEditMainWindowOptions);
    GlyphEditTest::SetLines(edit, lines);
    if (start.selectionEnd != TBufferCoord{} && start.selectionEnd != start.caret) {
        GlyphEditTest::Select(edit, start.caret, start.selectionEnd, start.mode);
        options |= SearchSelectionOnly;
    } else {
        edit.SetSelectionMode(start.mode);
        GlyphEditTest::PlaceCaret(edit, start.caret);
    }
    TGlyphEditFindReplace finder(edit);
    if (prompt) {
        // Answering every prompt with "replace" walks the match-by-match way.
        options |= SearchPrompt;
        finder.OnReplaceText = [](TCustomGlyphEdit*, const QString&, const QString&, int, int,
                                  TGlyphReplaceAction& action) { action = raReplace; };
    }
    TReplaceResult r;
    r.count = finder.FindAndReplace(search, replace, options | SearchReplaceAll);
    r.lines = edit.Lines().Lines();
    r.caret = edit.CaretXY();
    r.selStart = edit.SelectionStart();
    r.selEnd = edit.SelectionEnd();
    if (!keep) {
        edit.Undo();
        r.undone = edit.Lines().Lines();
    }
    return r;
}

// Every case runs forwards and backwards in each selection mode, once in one pass per line and
// once match by match; both must leave the same text, count, caret and selection, and one undo
// takes the one-pass replacement back.
TEST(LineStoreReplaceAll, OnePassEqualsMatchByMatch) {
    const QString many = Long(3000 * 13, QStringLiteral("the cat sat; "));
    const QString blankEnded = Long(2000 * 10, QStringLiteral("ab cd efg "));
    const TGlyphSearchOptions entire = SearchEntireText;
    struct {
        const char* what;
        QStringList lines;
        TBufferCoord caret;
        TBufferCoord selectionEnd;
        QString search;
        QString replace;
        TGlyphSearchOptions options;
    } cases[] = {
        {"many matches in one line", {many, "cat", many}, {1, 1}, {}, "cat", "lion", entire},
        {"overlapping pattern", {"aaaaaaa", "baaab"}, {1, 1}, {}, "aa", "b", entire},
        {"replacement holds the pattern", {"a.a.a", "aaa"}, {1, 1}, {}, "a", "aa", entire},
        {"shorter replacement", {many}, {1, 1}, {}, "the cat", "", entire},
        {"from the caret", {"cat cat cat", "cat cat"}, {5, 1}, {}, "cat", "dog", {}},
        {"ignoring case", {"Cat CAT cat", "x"}, {1, 1}, {}, "cat", "c", entire},
        {"whole words",
         {"cat cats cat_ cat-cat"},
         {1, 1},
         {},
         "cat",
         "C",
         entire | SearchWholeWord},
        {"wide characters", {"\u03A9x\u03A9x" + Wide, "x"}, {1, 1}, {}, "x", "\u20AC", entire},
        {"last line gets the rest selected", {"ab ab ab tail"}, {1, 1}, {}, "ab", "c", entire},
        // Lines ending in blanks, which every replacement trims.
        {"a line ending in blanks", {"a b  ", "a b"}, {1, 1}, {}, " ", "_", entire},
        {"many matches before the blanks", {blankEnded, "cd x "}, {1, 1}, {}, "cd", "xyz", entire},
        {"deleting before blanks trims nothing", {"b", " ba b b"}, {3, 2}, {}, "b", "", {}},
        // Replacements holding line breaks.
        {"a line break", {"a,b,c", "d,e"}, {1, 1}, {}, ",", "\r\n", entire},
        {"line breaks around text",
         {"one two three", "two"},
         {1, 1},
         {},
         "two",
         "2\r\nx\n",
         entire},
        {"a line break from the caret", {"a,b,c", "d,e"}, {3, 1}, {}, ",", "\n", {}},
        // Selections, searched alone.
        {"inside a selection",
         {"cat cat cat", "cat cat cat", "cat"},
         {5, 1},
         {8, 2},
         "cat",
         "lion",
         {}},
        {"a selection holding several matches",
         {"ab ab ab ab", "ab ab ab ab"},
         {1, 1},
         {10, 2},
         "ab",
         "abcd",
         {}},
        {"a selection of lines ending in blanks",
         {"a b  ", "b b ", "b"},
         {2, 1},
         {2, 2},
         "b",
         "\r\nc",
         {}},
    };
    for (const auto& c : cases) {
        for (const TGlyphSelectionMode mode : {smNormal, smLine, smColumn}) {
            for (const bool backward : {false, true}) {
                const TGlyphSearchOptions options =
                    backward ? c.options | SearchBackward : c.options;
                const std::string what = std::string(c.what) + (backward ? ", backwards" : "") +
                                         ", mode " + std::to_string(mode);
                const TReplaceStart start{c.caret, c.selectionEnd, mode};
                const TReplaceResult bulk =
                    ReplaceAll(c.lines, start, c.search, c.replace, options, false);
                const TReplaceResult single =
                    ReplaceAll(c.lines, start, c.search, c.replace, options, true);
                EXPECT_EQ(bulk.lines, single.lines) << what;
                EXPECT_EQ(bulk.count, single.count) << what;
                EXPECT_EQ(bulk.caret, single.caret) << what;
                EXPECT_EQ(bulk.selStart, single.selStart) << what;
                EXPECT_EQ(bulk.selEnd, single.selEnd) << what;
                EXPECT_EQ(bulk.undone, c.lines) << what;
                if (mode == smNormal && !backward) {
                    EXPECT_GT(bulk.count, 0) << what;
                }
            }
        }
    }
}

// Random short texts full of blanks, patterns and replacements that touch them, random
// directions, modes, carets and selections: one pass and match by match must agree.
TEST(LineStoreReplaceAll, RandomCasesAgreeWithMatchByMatch) {
    const QStringList patterns = {"a", "b", " ", "ab", "b ", "  ", "a a"};
    const QStringList replacements = {"", "x", "  ", "x ", "\r\n", " \r\nx", "ab", "a\n  "};
    for (quint32 seed = 1; seed <= 3000; ++seed) {
        QRandomGenerator random(seed);
        auto pick = [&](int n) { return static_cast<int>(random.bounded(n)); };
        QStringList lines;
        for (int i = 0, n = 1 + pick(4); i < n; ++i) {
            QString line;
            for (int k = 0, len = pick(12); k < len; ++k)
                line += QStringLiteral("ab  ").at(pick(4));
            lines << line;
        }
        const int y = 1 + pick(int(lines.size()));
        TReplaceStart start{{1 + pick(int(lines.at(y - 1).size()) + 2), y}, {}, smNormal};
        start.mode = std::array{smNormal, smLine, smColumn}[pick(3)];
        if (pick(2)) {
            const int y2 = 1 + pick(int(lines.size()));
            start.selectionEnd = {1 + pick(int(lines.at(y2 - 1).size()) + 2), y2};
        }
        TGlyphSearchOptions options = pick(2) ? SearchEntireText : TGlyphSearchOptions();
        if (pick(2))
            options |= SearchBackward;
        const QString search = patterns.at(pick(int(patterns.size())));
        const QString replace = replacements.at(pick(int(replacements.size())));
        const TReplaceResult bulk = ReplaceAll(lines, start, search, replace, options, false);
        const TReplaceResult single = ReplaceAll(lines, start, search, replace, options, true);
        ASSERT_EQ(bulk.lines, single.lines) << "seed " << seed;
        ASSERT_EQ(bulk.count, single.count) << "seed " << seed;
        ASSERT_EQ(bulk.caret, single.caret) << "seed " << seed;
        ASSERT_EQ(bulk.selStart, single.selStart) << "seed " << seed;
        ASSERT_EQ(bulk.selEnd, single.selEnd) << "seed " << seed;
        ASSERT_EQ(bulk.undone, lines) << "seed " << seed;
    }
}

// Replace all without prompting writes each line a few times, not once per match: the
// characters of all line writes stay within a small multiple of the text before and after.
TEST(LineStoreReplaceAll, WritesEachLineOnceInEveryMode) {
    constexpr int Matches = 200;
    const QString line = QStringLiteral("ab cd efg ").repeated(Matches); // ends in a blank
    struct {
        const char* what;
        TGlyphSelectionMode mode;
        QString replace;
        bool backward;
    } cases[] = {
        {"a line ending in a blank", smNormal, "xyz", false},
        {"backwards", smNormal, "xyz", true},
        {"line selection mode", smLine, "xyz", false},
        {"column selection mode", smColumn, "xyz", false},
        {"a replacement holding a line break", smNormal, "x\r\ny", false},
        {"a line break, backwards", smNormal, "x\r\ny", true},
    };
    for (const auto& c : cases) {
        TGlyphEdit edit;
        edit.SetOptions(GlyphEditMainWindowOptions);
        GlyphEditTest::SetLines(edit, {line});
        edit.SetSelectionMode(c.mode);
        qsizetype written = 0;
        edit.OnLinesChanged = [&](const TGlyphLinesChange& change) {
            if (change.Kind == TGlyphLinesChange::Deleted ||
                change.Kind == TGlyphLinesChange::Cleared)
                return;
            for (int i = change.Index; i < change.Index + change.Count; ++i)
                written += edit.Lines().LineLength(i);
        };
        TGlyphEditFindReplace finder(edit);
        TGlyphSearchOptions options = SearchEntireText | SearchReplaceAll | SearchMatchCase;
        if (c.backward)
            options |= SearchBackward;
        // A column block keeps its columns while the replaced text grows: the last few fall out.
        EXPECT_GT(finder.FindAndReplace("cd", c.replace, options), Matches * 9 / 10) << c.what;
        EXPECT_LE(written, 5 * (line.size() + edit.Text().size())) << c.what;
    }
}

TEST(LineStoreReplaceAll, KnownResultsForTheTrickyPatterns) {
    struct {
        const char* what;
        QString line;
        QString search;
        QString replace;
        QString expected;
        int count;
    } cases[] = {
        {"overlapping", "aaaaa", "aa", "b", "bba", 2},
        {"pattern in the replacement", "aaa", "a", "aa", "aaaaaa", 3},
        {"trimmed spaces end the line's matches", "a b  ", " ", "_", "a_b", 1},
    };
    for (const auto& c : cases) {
        const TReplaceResult r = ReplaceAll({c.line}, TReplaceStart{{1, 1}, {}, smNormal}, c.search,
                                            c.replace, SearchEntireText, false);
        EXPECT_EQ(r.lines, QStringList{c.expected}) << c.what;
        EXPECT_EQ(r.count, c.count) << c.what;
    }
}

TEST(LineStoreReplaceAll, OneUndoRestoresALongLineExactlyAndRedoAgain) {
    const QStringList lines = {"first cat", Long(50000, QStringLiteral("a cat, ") + Wide), "",
                               "cat"};
    TGlyphEdit edit;
    const TReplaceResult r = ReplaceAll(lines, TReplaceStart{{1, 1}, {}, smNormal}, "cat", "dog",
                                        SearchEntireText | SearchMatchCase, false, &edit);
    ASSERT_GT(r.count, 1000);
    const QStringList replaced = edit.Lines().Lines();
    EXPECT_FALSE(replaced.join("").contains("cat"));
    edit.Undo();
    EXPECT_EQ(edit.Lines().Lines(), lines);
    EXPECT_FALSE(edit.UndoAvailable()) << "one step held the whole replace all";
    EXPECT_FALSE(edit.Modified());
    edit.Redo();
    EXPECT_EQ(edit.Lines().Lines(), replaced);
    EXPECT_EQ(edit.CaretXY(), r.caret);
}

// ---------------------------------------------------------------------------------------------
// Loaded lines that share chunks of the file until they are edited

// A file of ASCII lines of 59 characters and a break, numbered, with a non-ASCII line now and
// then (those have blocks of their own from the start).
QByteArray NumberedLines(int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        QByteArray line = QByteArray::number(i).rightJustified(9, '0');
        line += i % 1000 == 999 ? QByteArray(" caf\xC3\xA9") : QByteArray(" plain");
        bytes += line.leftJustified(59, '.') + '\n';
    }
    return bytes;
}

QString WriteTemp(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath("shared.txt");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TEST(LineStoreChunks, AChunkGoesWithTheLastLineThatPointsIntoIt) {
    using namespace TGlyphEditLineChunks;
    const int before = LiveChunks();
    // Lines 0 .. perChunk - 1 lie wholly in the first chunk of 60-byte lines.
    const int perChunk = int((ChunkSize - 59) / 60) + 1;
    QTemporaryDir dir;
    const QByteArray bytes = NumberedLines(4 * perChunk - 10);
    const QString path = WriteTemp(dir, bytes);
    TGlyphEditStringList list;
    list.LoadFile(path);
    EXPECT_EQ(LiveChunks(), before + 4);
    TGlyphEditStringList copy;
    copy.AppendLines(list);

    // Every line of the first chunk edited: the copy still points into it.
    QStringList expected = QString::fromUtf8(bytes).split(u'\n');
    expected.removeLast();
    for (int i = 0; i < perChunk; ++i) {
        list.ReplaceChars(i, 2, 3, QStringLiteral("#"));
        expected[i].replace(2, 3, QStringLiteral("#"));
    }
    EXPECT_EQ(LiveChunks(), before + 4);
    copy.RemoveLines(0, perChunk);
    EXPECT_EQ(LiveChunks(), before + 3) << "no line points into the first chunk";
    EXPECT_EQ(list.Lines(), expected);
    EXPECT_EQ(list.SaveToBytes(), expected.join(u'\n').toUtf8() + '\n');

    // The second chunk (lines perChunk + 1 to 2 perChunk - 1; the line between the chunks has a
    // block of its own) goes with its last line, in whichever list.
    copy.RemoveLines(1, perChunk - 1);
    list.RemoveLines(perChunk + 1, perChunk - 2);
    EXPECT_EQ(LiveChunks(), before + 3);
    list.DeleteLine(perChunk + 1);
    EXPECT_EQ(LiveChunks(), before + 2);
    list.RemoveAll();
    EXPECT_EQ(LiveChunks(), before + 2) << "the copy holds the last two";
    copy.RemoveAll();
    EXPECT_EQ(LiveChunks(), before);
}

TEST(LineStoreChunks, NothingStaysOfALoadThatNoLineSharesOrThatIsRefused) {
    using namespace TGlyphEditLineChunks;
    const int before = LiveChunks();
    const qsizetype bytesBefore = LiveBytes();
    QTemporaryDir dir;
    struct {
        const char* what;
        QByteArray bytes;
        TGlyphLoadLimits limits;
        bool loads;
    } cases[] = {
        {"no ASCII line", QByteArray("\xCE\xA9 omega\n").repeated(40000), {}, true},
        {"too many lines", NumberedLines(40000), {30000, INT_MAX}, false},
        {"a line too long", NumberedLines(40000) + QByteArray(500, 'x'), {INT_MAX, 400}, false},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list;
        list.LoadLimits = c.limits;
        if (c.loads) {
            list.LoadFile(WriteTemp(dir, c.bytes));
        } else {
            EXPECT_THROW(list.LoadFile(WriteTemp(dir, c.bytes)), EGlyphFileError) << c.what;
        }
        EXPECT_EQ(LiveChunks(), before) << c.what;
        EXPECT_EQ(LiveBytes(), bytesBefore) << c.what;
        if (c.loads) {
            EXPECT_EQ(list.SaveToBytes(), c.bytes) << c.what;
        }
    }
}

// Replace all over a loaded file: a line without a match keeps pointing into its chunk, the
// undo step keeps the replaced lines' old characters (in their chunks) without copying them, and
// a chunk goes once neither a line nor the history points into it.
TEST(LineStoreChunks, ReplaceAllLeavesLinesWithoutAMatchInTheirChunk) {
    using namespace TGlyphEditLineChunks;
    const int before = LiveChunks();
    QTemporaryDir dir;
    const QByteArray bytes = NumberedLines(40000); // 3 chunks
    QStringList original = QString::fromUtf8(bytes).split(u'\n');
    original.removeLast();
    struct {
        const char* what;
        QString search; // "caf\u00E9" stands only in the lines that have blocks of their own
        bool undo;
        int chunksAfterClearing;
        int chunksAtTheEnd; // once the editor is gone
    } cases[] = {
        {"only the lines with blocks of their own", "caf\u00E9", false, 3, 0},
        {"every shared line", "plain", false, 0, 0},
        {"every shared line, undone", "plain", true, 3, 0},
    };
    for (const auto& c : cases) {
        {
            TGlyphEdit edit;
            edit.SetOptions(GlyphEditMainWindowOptions);
            edit.Lines().LoadFile(WriteTemp(dir, bytes));
            ASSERT_EQ(LiveChunks(), before + 3) << c.what;
            TGlyphEditFindReplace finder(edit);
            const int count = finder.FindAndReplace(
                c.search, "X", SearchReplaceAll | SearchEntireText | SearchMatchCase);
            QStringList expected = original;
            expected.replaceInStrings(c.search, "X");
            EXPECT_EQ(count, c.search == "plain" ? 40000 - 40 : 40) << c.what;
            EXPECT_EQ(edit.Lines().Lines(), expected) << c.what;
            EXPECT_EQ(LiveChunks(), before + 3) << c.what << ": the undo step holds the old lines";
            if (c.undo) {
                edit.Undo();
                EXPECT_EQ(edit.Lines().SaveToBytes(), bytes) << c.what;
            }
            edit.ClearUndoHistory();
            EXPECT_EQ(LiveChunks(), before + c.chunksAfterClearing) << c.what;
        }
        EXPECT_EQ(LiveChunks(), before + c.chunksAtTheEnd) << c.what;
    }
}

// Random edits of a loaded file against a plain list of QStrings; every chunk goes at the end.
TEST(LineStoreChunks, RandomEditsOfSharedLinesMatchAPlainReference) {
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    QRandomGenerator random(seed);
    const int before = TGlyphEditLineChunks::LiveChunks();
    QTemporaryDir dir;
    const QByteArray bytes = NumberedLines(40000);
    {
        TGlyphEditStringList list;
        list.LoadFile(WriteTemp(dir, bytes));
        QStringList reference = QString::fromUtf8(bytes).split(u'\n');
        reference.removeLast();
        TGlyphEditStringList copy;
        for (int step = 0; step < 4000; ++step) {
            const int i = random.bounded(list.LineCount());
            const int j = random.bounded(list.LineCount());
            const qsizetype size = reference[i].size();
            const qsizetype from = random.bounded(int(size + 1));
            const QString text = random.bounded(2) ? Wide : QStringLiteral("ab");
            switch (random.bounded(6)) {
            case 0:
                list.ReplaceChars(i, from, 1, text);
                reference[i].replace(from, 1, text);
                break;
            case 1:
                list.SetLine(i, text);
                reference[i] = text;
                break;
            case 2:
                list.DeleteLine(i);
                reference.removeAt(i);
                break;
            case 3:
                list.InsertLine(i, reference[j]);
                reference.insert(i, reference[j]);
                break;
            case 4:
                list.SwapLines(i, j);
                reference.swapItemsAt(i, j);
                break;
            default:
                copy.RemoveAll();
                copy.AppendLines(list);
                break;
            }
            ASSERT_EQ(list.GetLine(i), reference.value(i)) << "step " << step;
        }
        EXPECT_EQ(list.Lines(), reference);
        EXPECT_EQ(list.SaveToBytes(), (reference.join(u'\n') + u'\n').toUtf8());
    }
    EXPECT_EQ(TGlyphEditLineChunks::LiveChunks(), before);
}

} // namespace
