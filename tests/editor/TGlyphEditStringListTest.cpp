#include "editor/TGlyphEditStringList.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void LoadBytes(TGlyphEditStringList& list, const QByteArray& bytes,
               std::optional<TTextEncoding> encoding = {}) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    list.LoadStream(buffer, encoding);
}

// Records every notification as text, so that tests can compare whole sequences.
struct Recorder {
    QStringList events;
    void Attach(TGlyphEditStringList& list) {
        list.OnBeginChanges = [this] { events << "begin"; };
        list.OnEndChanges = [this] { events << "end"; };
        list.OnLineAdded = [this](int i, const QString& s) {
            events << QString("added %1 %2").arg(i).arg(s);
        };
        list.OnLineInserted = [this](int i, const QString& s) {
            events << QString("inserted %1 %2").arg(i).arg(s);
        };
        list.OnLineChanged = [this, &list](int i) {
            events << QString("changed %1 %2").arg(i).arg(list.GetLine(i));
        };
        list.OnLinesDeleted = [this](int i, int n) {
            events << QString("deleted %1 %2").arg(i).arg(n);
        };
        list.OnCleared = [this] { events << "cleared"; };
    }
};

QByteArray BytesRepeated(const QByteArray& bytes, int times) {
    return bytes.repeated(times);
}

QStringList LinesRepeated(const QString& line, int times) {
    return QStringList(qsizetype(times), line);
}

// Files of 4 MB and more are read in pieces of 1 MB while their lines are cut. `middle` (whole
// lines) starts `before` bytes ahead of the end of the first piece, amid 64-byte lines of
// x's, and `last` ends the file.
struct TAcrossPieces {
    QByteArray bytes;
    QStringList lines;
};

TAcrossPieces AcrossPieces(const QByteArray& middle, const QStringList& middleLines, int before,
                           const QByteArray& last = {}, const QStringList& lastLines = {}) {
    constexpr int Piece = 1 << 20;
    const QByteArray filler = QByteArray(63, 'x') + '\n';
    TAcrossPieces file;
    const int head = Piece - before;
    file.bytes = filler.repeated(head / 64);
    file.lines = QStringList(head / 64, QString(63, u'x'));
    if (head % 64 != 0) {
        file.bytes += QByteArray(head % 64 - 1, 'x') + '\n';
        file.lines << QString(head % 64 - 1, u'x');
    }
    file.bytes += middle + filler.repeated(4 * Piece / 64) + last;
    file.lines += middleLines + QStringList(4 * Piece / 64, QString(63, u'x')) + lastLines;
    return file;
}

TGlyphEditStringList ListOf(const QStringList& lines) {
    TGlyphEditStringList list;
    for (const QString& line : lines)
        list.AppendLine(line);
    return list;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Loading and saving: line breaks

// Every line keeps the break it was read with and saving writes the same bytes; the style is
// the most frequent break.
struct LineBreakCase {
    const char* name;
    QByteArray input;
    QStringList lines;
    TLineBreakStyle style;
    bool mixed;
};

LineBreakCase Split(const char* name, const TAcrossPieces& file, TLineBreakStyle style,
                    bool mixed) {
    return {name, file.bytes, file.lines, style, mixed};
}

class LineBreaks : public ::testing::TestWithParam<LineBreakCase> {};

TEST_P(LineBreaks, LoadGivesLinesAndStyleAndSaveWritesTheSameBytes) {
    const LineBreakCase& c = GetParam();
    TGlyphEditStringList list;
    LoadBytes(list, c.input);
    EXPECT_EQ(list.Lines(), c.lines);
    EXPECT_EQ(list.LineBreakStyle(), c.style);
    EXPECT_EQ(list.MixedLineBreaks(), c.mixed);
    EXPECT_EQ(list.SaveToBytes(), c.input);

    QTemporaryDir dir;
    const QString path = dir.filePath("saved.txt");
    list.SaveFile(path);
    EXPECT_EQ(ReadBytes(path), c.input) << "SaveFile and SaveStream must write the same bytes";
}

INSTANTIATE_TEST_SUITE_P(
    StringList, LineBreaks,
    ::testing::Values(
        LineBreakCase{"CrLf", "a\r\nb\r\n", {"a", "b"}, lbsCrLf, false},
        LineBreakCase{"LfNoFinalBreak", "a\nb", {"a", "b"}, lbsLf, false},
        LineBreakCase{"LoneCr", "a\rb", {"a", "b"}, lbsCr, false},
        LineBreakCase{"CrLfAndLoneLfTieIsCrLf", "a\r\nb\nc", {"a", "b", "c"}, lbsCrLf, true},
        LineBreakCase{"MostlyLfIsLf", "a\r\nb\nc\n", {"a", "b", "c"}, lbsLf, true},
        LineBreakCase{"LfCrEndsTwoLines", "a\n\rb", {"a", "", "b"}, lbsLf, true},
        LineBreakCase{"CrThenCrLf", "a\r\r\nb\r\n", {"a", "", "b"}, lbsCrLf, true},
        LineBreakCase{"NulIsACharacter",
                      QByteArray("a\0b", 3),
                      {QString("a") + QChar(0) + "b"},
                      lbsCrLf,
                      false},
        LineBreakCase{"NulAfterCrLf",
                      QByteArray("a\r\n\0b\n", 6),
                      {"a", QString(QChar(0)) + "b"},
                      lbsCrLf,
                      true},
        LineBreakCase{"EmptyFile", "", {}, lbsCrLf, false},
        LineBreakCase{"OnlyABreak", "\n", {""}, lbsLf, false},
        LineBreakCase{"EmptyLastLineKept", "a\n\n", {"a", ""}, lbsLf, false},
        LineBreakCase{"BlankLinesCrLf", "\r\n\r\n", {"", ""}, lbsCrLf, false},
        LineBreakCase{"NoBreakAtAll", "abc", {"abc"}, lbsCrLf, false},
        // Long enough to be counted many bytes at a time, breaks at every offset.
        LineBreakCase{"LongMostlyCrLf",
                      BytesRepeated("line\r\n", 3000) + BytesRepeated("x\n", 2999),
                      LinesRepeated("line", 3000) + LinesRepeated("x", 2999), lbsCrLf, true},
        LineBreakCase{"LongMostlyLf", BytesRepeated("line\r\n", 2999) + BytesRepeated("x\n", 3000),
                      LinesRepeated("line", 2999) + LinesRepeated("x", 3000), lbsLf, true},
        Split("CrLfAcrossPieces", AcrossPieces("a\r\nb\n", {"a", "b"}, 2), lbsLf, true),
        Split("LoneCrEndsAPiece", AcrossPieces("a\rb\n", {"a", "b"}, 2), lbsLf, true),
        Split("Utf8LetterAcrossPieces",
              AcrossPieces("caf\xC3\xA9\n", {QStringLiteral(u"caf\u00e9")}, 4), lbsLf, false),
        // One byte that is not UTF-8 at the end makes every line Windows-1252.
        Split("NotUtf8AtTheEndOfPieces",
              AcrossPieces("caf\xC3\xA9\n", {QStringLiteral(u"caf\u00c3\u00a9")}, 4, "\x80",
                           {QStringLiteral(u"\u20ac")}),
              lbsLf, false),
        LineBreakCase{"LongWithOneLetterBeyondAscii",
                      BytesRepeated("line\n", 3000) + "caf\xc3\xa9\n" + BytesRepeated("line\n", 10),
                      LinesRepeated("line", 3000) + QStringList{QStringLiteral(u"caf\u00e9")} +
                          LinesRepeated("line", 10),
                      lbsLf, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A line keeps its own break until it is edited; then it takes the style. Swaps move it with
// its line, and neither tab expansion nor a tab width change disturbs it.
TEST(StringListLoad, EachLineKeepsItsBreakUntilItIsEdited) {
    const QByteArray mixed = "a\r\nb\nc\rd\r\ne";
    struct {
        const char* what;
        std::function<void(TGlyphEditStringList&)> edit;
        QByteArray saved;
        bool mixed;
    } cases[] = {
        {"unchanged", [](auto&) {}, mixed, true},
        {"line with LF retyped", [](auto& l) { l.SetLine(1, "B"); }, "a\r\nB\r\nc\rd\r\ne", true},
        {"character typed into the CR line", [](auto& l) { l.ReplaceChars(2, 1, 0, u"x"); },
         "a\r\nb\ncx\r\nd\r\ne", true},
        {"both odd lines deleted", [](auto& l) { l.RemoveLines(1, 2); }, "a\r\nd\r\ne", false},
        {"odd lines swapped", [](auto& l) { l.SwapLines(1, 2); }, "a\r\nc\rb\nd\r\ne", true},
        {"new line takes the style", [](auto& l) { l.InsertLine(0, "n"); }, "n\r\n" + mixed, true},
        {"whole text replaced", [](auto& l) { l.SetAllText("x\ny"); }, "x\r\ny", false},
        {"style chosen", [](auto& l) { l.SetLineBreakStyle(lbsLf); }, "a\nb\nc\nd\ne", false},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list;
        LoadBytes(list, mixed);
        list.LongestLineLength();
        list.SetTabWidth(3);
        c.edit(list);
        list.ExpandedText(1);
        EXPECT_EQ(list.SaveToBytes(), c.saved) << c.what;
        EXPECT_EQ(list.MixedLineBreaks(), c.mixed) << c.what;
    }
}

TEST(StringListLoad, StyleSurvivesReplacingTheWholeText) {
    TGlyphEditStringList list;
    LoadBytes(list, "a\nb\n");
    list.SetAllText("x\r\ny\r\nz");
    EXPECT_EQ(list.LineBreakStyle(), lbsLf);
    EXPECT_EQ(list.SaveToBytes(), QByteArray("x\ny\nz\n"));
    list.RemoveAll();
    list.AppendLine("q");
    EXPECT_EQ(list.SaveToBytes(), QByteArray("q\n")) << "clearing keeps the style of the last load";
}

TEST(StringListLoad, NewBufferWritesCrLf) {
    TGlyphEditStringList list = ListOf({"a", "b"});
    EXPECT_EQ(list.SaveToBytes(), QByteArray("a\r\nb\r\n"));
}

TEST(StringListLoad, LoadReplacesPreviousTextAndResetsStates) {
    TGlyphEditStringList list = ListOf({"old1", "old2", "old3"});
    list.SetRangeState(0, 7);
    LoadBytes(list, "new\n");
    EXPECT_EQ(list.Lines(), QStringList{"new"});
    EXPECT_EQ(list.RangeState(0), -1);
}

// ---------------------------------------------------------------------------------------------
// Byte-identical round trips through real files in every encoding

QByteArray AllCp1252Bytes() {
    QByteArray bytes;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            bytes.append(static_cast<char>(b));
        if (b % 32 == 0)
            bytes.append("\r\n");
    }
    return bytes + "\r\n";
}

QByteArray Utf16(const QString& text, bool little) {
    QByteArray bytes;
    for (QChar c : text) {
        const char low = char(c.unicode() & 0xFF);
        const char high = char(c.unicode() >> 8);
        bytes.append(little ? low : high).append(little ? high : low);
    }
    return bytes;
}

const QString Utf16Sample = QStringLiteral("h\u00E9llo \u20AC\r\nw\u00F6rld\n") + QChar(0) +
                            QChar(0xD800) + QStringLiteral("\rend");

struct RoundTripCase {
    const char* name;
    QByteArray bytes;
    TTextEncoding encoding;
    bool bom;
    QString firstLine = {};                   // checked unless null
    std::optional<TTextEncoding> chosen = {}; // the encoding the file is opened in
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, UnchangedFileSavesByteIdentical) {
    const RoundTripCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("file.txt");
    WriteBytes(path, c.bytes);
    TGlyphEditStringList list;
    list.LoadFile(path, c.chosen);
    EXPECT_EQ(list.Encoding(), c.encoding);
    EXPECT_EQ(list.HasByteOrderMark(), c.bom);
    if (!c.firstLine.isNull()) {
        EXPECT_EQ(list.GetLine(0), c.firstLine);
    }
    list.SaveFile(path);
    EXPECT_EQ(ReadBytes(path), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    StringList, RoundTrip,
    ::testing::Values(
        RoundTripCase{"CrLf", "<p>one</p>\r\n\r\n<p>two</p>\r\n", TTextEncoding::Utf8, false},
        RoundTripCase{"Lf", "line 1\nline 2\n\n", TTextEncoding::Utf8, false},
        RoundTripCase{"Cr", "line 1\rline 2\r", TTextEncoding::Utf8, false},
        RoundTripCase{"Utf8NoBom", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\n",
                      TTextEncoding::Utf8, false},
        RoundTripCase{"Utf8Bom", "\xEF\xBB\xBFna\xC3\xAFve\r\nsecond\r\n", TTextEncoding::Utf8,
                      true},
        RoundTripCase{"BomOnly", "\xEF\xBB\xBF", TTextEncoding::Utf8, true},
        RoundTripCase{"Windows1252", "caf\xE9 \x80 \x93quoted\x94\r\n", TTextEncoding::Windows1252,
                      false},
        RoundTripCase{"Windows1252EveryByte", AllCp1252Bytes(), TTextEncoding::Windows1252, false},
        RoundTripCase{"Utf16LeWithMark", "\xFF\xFE" + Utf16(Utf16Sample, true),
                      TTextEncoding::Utf16LE, true, QStringLiteral("h\u00E9llo \u20AC")},
        RoundTripCase{"Utf16BeWithMark", "\xFE\xFF" + Utf16(Utf16Sample, false),
                      TTextEncoding::Utf16BE, true, QStringLiteral("h\u00E9llo \u20AC")},
        RoundTripCase{"Utf16MarkOnly", "\xFF\xFE", TTextEncoding::Utf16LE, true},
        RoundTripCase{"Utf16MarkWithOddLengthIsNotUtf16", "\xFF\xFE\x61",
                      TTextEncoding::Windows1252, false, QStringLiteral("\u00FF\u00FEa")},
        RoundTripCase{"NulBytes", QByteArray("a\0\0b\r\n\0\n\0", 9), TTextEncoding::Utf8, false,
                      QString("a") + QChar(0) + QChar(0) + "b"},
        RoundTripCase{"PngHeader",
                      QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\x01\0\0\0\x01\0\x08\x06\0\0\0"
                                 "\x1F\x15\xC4\x89\0\0\0\nIDATx\x9C\xFF\xFE",
                                 45),
                      TTextEncoding::Windows1252, false, QStringLiteral("\u2030PNG")},
        RoundTripCase{"CrCrLf", "a\r\r\nb\r\r\n", TTextEncoding::Utf8, false},
        RoundTripCase{"MixedBreaksNoFinalBreak", "one\r\ntwo\nthree\rfour\r\nfive",
                      TTextEncoding::Utf8, false},
        RoundTripCase{"StrayByteReadAsUtf8", "caf\xC3\xA9 \xE9 \xED\xA0\x80\n\xF0\x9F\x98",
                      TTextEncoding::Utf8, false,
                      QStringLiteral("caf\u00E9 ") + QChar(0xDCE9) + ' ' + QChar(0xDCED) +
                          QChar(0xDCA0) + QChar(0xDC80),
                      TTextEncoding::Utf8},
        RoundTripCase{"Utf8MarkThenNotUtf8IsWindows1252", "\xEF\xBB\xBF\x61\r\n\xE9\r\n",
                      TTextEncoding::Windows1252, false, QStringLiteral("\u00EF\u00BB\u00BFa")},
        RoundTripCase{"Utf8MarkReadAsWindows1252", "\xEF\xBB\xBF\x61\r\n",
                      TTextEncoding::Windows1252, false, QStringLiteral("\u00EF\u00BB\u00BFa"),
                      TTextEncoding::Windows1252},
        RoundTripCase{"Utf16LeWithoutMarkChosen", Utf16(QStringLiteral("ab\r\ncd"), true),
                      TTextEncoding::Utf16LE, false, QStringLiteral("ab"), TTextEncoding::Utf16LE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StringListEncoding, Windows1252DecodesToTheRightCharacters) {
    TGlyphEditStringList list;
    LoadBytes(list, "\x80\x93\xE9\x81");
    EXPECT_EQ(list.GetLine(0), QString::fromUtf8("\xE2\x82\xAC\xE2\x80\x9C\xC3\xA9\xC2\x81"));
}

// Random bytes of every kind (breaks and NULs among them) come back unchanged whatever the
// encoding they are read in.
TEST(StringListEncoding, AnyBytesComeBackInEveryEncoding) {
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const char pool[] = "ab\r\n\0\t\x80\x9D\xC3\xA9\xE2\x82\xAC\xF0\x9F\xED\xFF\xFE";
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes;
        for (int i = 2 * int(random.bounded(40)); i > 0; --i)
            bytes.append(random.bounded(4) ? pool[random.bounded(int(sizeof pool) - 1)]
                                           : char(random.bounded(256)));
        for (int encoding = -1; encoding <= int(TTextEncoding::Windows1252); ++encoding) {
            TGlyphEditStringList list;
            LoadBytes(list, bytes,
                      encoding < 0 ? std::nullopt : std::optional(TTextEncoding(encoding)));
            ASSERT_EQ(list.SaveToBytes(), bytes)
                << "seed " << seed << " encoding " << encoding << " " << bytes.toHex().data();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Whole text

TEST(StringListText, AllTextJoinsWithCrLfAfterEveryLine) {
    TGlyphEditStringList list;
    EXPECT_EQ(list.AllText(), QString());
    list = ListOf({"a", "", "b"});
    EXPECT_EQ(list.AllText(), QString("a\r\n\r\nb\r\n"));
}

TEST(StringListText, SettingAllTextSplitsAtEveryBreakAndKeepsNul) {
    struct {
        QString text;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"a\n\nb", {"a", "", "b"}},
        {QString("ab") + QChar(0) + "cd\r\nef", {QString("ab") + QChar(0) + "cd", "ef"}},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list = ListOf({"old"});
        list.SetAllText(c.text);
        EXPECT_EQ(list.Lines(), c.lines) << c.text.toStdString();
        EXPECT_EQ(list.AllText().isEmpty(), c.lines.isEmpty());
    }
}

// ---------------------------------------------------------------------------------------------
// Index errors and out-of-range reads

TEST(StringListIndex, ReadsOutsideTheRangeNeverRaise) {
    TGlyphEditStringList list = ListOf({"a"});
    int data = 0;
    list.SetLineData(0, &data);
    EXPECT_EQ(list.GetLine(1), QString());
    EXPECT_EQ(list.GetLine(-1), QString());
    EXPECT_EQ(list.GetLineData(1), nullptr);
    EXPECT_EQ(list.GetLineData(0), &data);
    EXPECT_EQ(list.RangeState(5), 0);
    EXPECT_EQ(list.ExpandedText(3), QString());
}

TEST(StringListIndex, SetLineAtCountAppends) {
    TGlyphEditStringList empty;
    empty.SetLine(0, "first");
    EXPECT_EQ(empty.Lines(), QStringList{"first"});
    empty.SetLine(1, "second");
    EXPECT_EQ(empty.Lines(), (QStringList{"first", "second"}));
}

TEST(StringListIndex, InvalidIndicesRaiseTheIndexErrorAndChangeNothing) {
    struct {
        const char* what;
        std::function<void(TGlyphEditStringList&)> op;
        int index;
    } cases[] = {
        {"InsertLine past end", [](auto& l) { l.InsertLine(5, "x"); }, 5},
        {"InsertLine negative", [](auto& l) { l.InsertLine(-1, "x"); }, -1},
        {"SetLine past count", [](auto& l) { l.SetLine(6, "x"); }, 6},
        {"DeleteLine at count", [](auto& l) { l.DeleteLine(4); }, 4},
        {"SwapLines second bad", [](auto& l) { l.SwapLines(0, 9); }, 9},
        {"SetRangeState", [](auto& l) { l.SetRangeState(4, 1); }, 4},
        {"SetLineData", [](auto& l) { l.SetLineData(-2, nullptr); }, -2},
        {"RemoveLines past count", [](auto& l) { l.RemoveLines(5, 1); }, 5},
        {"InsertEmptyLines past count", [](auto& l) { l.InsertEmptyLines(7, 2); }, 7},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list = ListOf({"a", "b", "c", "d"});
        try {
            c.op(list);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EGlyphEditStringList& e) {
            EXPECT_EQ(e.Message(), QString("Invalid stringlist index %1").arg(c.index)) << c.what;
        }
        EXPECT_EQ(list.Lines(), (QStringList{"a", "b", "c", "d"})) << c.what;
    }
}

// ---------------------------------------------------------------------------------------------
// Editing operations and their notifications

TEST(StringListChanges, EachOperationFiresItsNotificationInsideItsBracket) {
    struct {
        const char* what;
        std::function<void(TGlyphEditStringList&)> op;
        QStringList events;
        QStringList lines;
    } cases[] = {
        {"SetLine",
         [](auto& l) { l.SetLine(1, "B"); },
         {"begin", "changed 1 B", "end"},
         {"a", "B", "c"}},
        {"AppendLine",
         [](auto& l) { l.AppendLine("d"); },
         {"begin", "added 3 d", "end"},
         {"a", "b", "c", "d"}},
        {"InsertLine",
         [](auto& l) { l.InsertLine(0, "z"); },
         {"begin", "inserted 0 z", "end"},
         {"z", "a", "b", "c"}},
        {"InsertLine at end",
         [](auto& l) { l.InsertLine(3, "z"); },
         {"begin", "inserted 3 z", "end"},
         {"a", "b", "c", "z"}},
        {"DeleteLine",
         [](auto& l) { l.DeleteLine(1); },
         {"begin", "deleted 1 1", "end"},
         {"a", "c"}},
        {"RemoveLines clipped",
         [](auto& l) { l.RemoveLines(1, 10); },
         {"begin", "deleted 1 2", "end"},
         {"a"}},
        {"RemoveLines none", [](auto& l) { l.RemoveLines(1, 0); }, {}, {"a", "b", "c"}},
        {"InsertEmptyLines",
         [](auto& l) { l.InsertEmptyLines(1, 2); },
         {"begin", "added 1 ", "end"},
         {"a", "", "", "b", "c"}},
        {"InsertEmptyLines none", [](auto& l) { l.InsertEmptyLines(1, -3); }, {}, {"a", "b", "c"}},
        {"SwapLines", [](auto& l) { l.SwapLines(0, 2); }, {"begin", "end"}, {"c", "b", "a"}},
        {"RemoveAll", [](auto& l) { l.RemoveAll(); }, {"begin", "cleared", "end"}, {}},
        {"SetAllText",
         [](auto& l) { l.SetAllText("x\ny"); },
         {"begin", "cleared", "added 0 x", "added 1 y", "end"},
         {"x", "y"}},
        {"nested brackets",
         [](auto& l) {
             l.BeginChanges();
             l.SetLine(0, "A");
             l.BeginChanges();
             l.InsertLine(1, "n");
             l.EndChanges();
             l.DeleteLine(3);
             l.EndChanges();
         },
         {"begin", "changed 0 A", "inserted 1 n", "deleted 3 1", "end"},
         {"A", "n", "b"}},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list = ListOf({"a", "b", "c"});
        Recorder rec;
        rec.Attach(list);
        c.op(list);
        EXPECT_EQ(rec.events, c.events) << c.what;
        EXPECT_EQ(list.Lines(), c.lines) << c.what;
    }
}

TEST(StringListChanges, RemoveAllOnAnEmptyBufferFiresNothing) {
    TGlyphEditStringList list;
    Recorder rec;
    rec.Attach(list);
    list.RemoveAll();
    EXPECT_TRUE(rec.events.isEmpty()) << rec.events.join(", ").toStdString();
}

TEST(StringListChanges, LoadingFiresOneBracketAroundClearAndOneBlockAppend) {
    TGlyphEditStringList list = ListOf({"old"});
    Recorder rec;
    rec.Attach(list);
    LoadBytes(list, "a\r\nb");
    EXPECT_EQ(rec.events, (QStringList{"begin", "cleared", "added 0 ", "end"}));
    EXPECT_EQ(list.Lines(), (QStringList{"a", "b"}));
}

TEST(StringListChanges, LoadingIntoAnEmptyBufferFiresOnlyTheBlock) {
    struct {
        const char* what;
        QByteArray bytes;
        QStringList events;
    } cases[] = {
        {"lines", "x\ny\nz\n", {"begin", "added 0 ", "end"}},
        {"empty file", "", {"begin", "end"}},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list;
        Recorder rec;
        rec.Attach(list);
        LoadBytes(list, c.bytes);
        EXPECT_EQ(rec.events, c.events) << c.what;
    }
}

TEST(StringListChanges, AppendLinesCopiesTextAndDataWithOneNotification) {
    int tag = 0;
    TGlyphEditStringList source = ListOf({"x", "y"});
    source.SetLineData(1, &tag);
    source.SetRangeState(0, 42);
    TGlyphEditStringList list = ListOf({"a"});
    Recorder rec;
    rec.Attach(list);
    list.AppendLines(source);
    EXPECT_EQ(rec.events, QStringList{"added 1 "});
    EXPECT_EQ(list.Lines(), (QStringList{"a", "x", "y"}));
    EXPECT_EQ(list.GetLineData(2), &tag);
    EXPECT_EQ(list.RangeState(1), -1) << "appended lines are not scanned yet";
    EXPECT_EQ(list.Capacity() % 16, 0);
    list.AppendLines(TGlyphEditStringList());
    EXPECT_EQ(rec.events.size(), 1);
}

TEST(StringListChanges, LineRecordsKeepOrLoseTheirStateAsDocumented) {
    int tag = 0;
    TGlyphEditStringList list = ListOf({"a", "b"});
    list.SetRangeState(0, 3);
    list.SetLineData(0, &tag);
    list.SetLine(0, "changed");
    EXPECT_EQ(list.RangeState(0), 3) << "SetLine keeps the scanner state";
    EXPECT_EQ(list.GetLineData(0), &tag) << "SetLine keeps the user data";
    list.InsertLine(0, "new");
    EXPECT_EQ(list.RangeState(0), -1);
    EXPECT_EQ(list.GetLineData(0), nullptr);
    list.SwapLines(0, 1);
    EXPECT_EQ(list.RangeState(0), 3) << "SwapLines moves whole records";
    EXPECT_EQ(list.GetLineData(0), &tag);
    list.InsertEmptyLines(3, 1);
    EXPECT_EQ(list.RangeState(3), 0);
}

// Small states live in the line record beside its flags, large ones in the list's table: states
// on both sides of every limit come back unchanged and leave each line's tabs and break alone.
TEST(StringListChanges, ScannerStatesOfEverySizeComeBackUnchanged) {
    const std::intptr_t top = (1 << 27) - 1;
    const std::intptr_t aboveTop = top + 1;
    const std::intptr_t bottom = -(1 << 26);
    const std::intptr_t belowBottom = bottom - 1;
    const std::intptr_t wide = std::intptr_t(3) << 40;
    const std::vector<std::intptr_t> states = {0,          -1,          top,       aboveTop,
                                               bottom,     belowBottom, INT32_MAX, INT32_MIN,
                                               INTPTR_MAX, INTPTR_MIN,  wide,      aboveTop};
    QByteArray bytes;
    for (std::size_t k = 0; k < states.size(); ++k)
        bytes += k % 3 ? "\tx\n" : "y\r\n";
    TGlyphEditStringList list;
    LoadBytes(list, bytes);
    for (int k = 0; k < list.LineCount(); ++k)
        list.SetRangeState(k, states[k]);
    for (int k = 0; k < list.LineCount(); ++k) {
        EXPECT_EQ(list.RangeState(k), states[k]) << k;
        EXPECT_EQ(list.LineHasTabs(k), k % 3 != 0) << k;
    }
    EXPECT_EQ(list.SaveToBytes(), bytes) << "every line keeps its own break";
}

TEST(StringListChanges, RecordArrayGrowsBySixteenThenByAQuarter) {
    TGlyphEditStringList list;
    struct {
        int lines;
        int capacity;
    } steps[] = {{1, 16}, {16, 16}, {17, 32}, {64, 64}, {65, 80}, {81, 100}, {101, 125}};
    for (const auto& step : steps) {
        while (list.LineCount() < step.lines)
            list.AppendLine("x");
        EXPECT_EQ(list.Capacity(), step.capacity) << step.lines << " lines";
    }
    list.RemoveAll();
    EXPECT_EQ(list.Capacity(), 0);
}

// ---------------------------------------------------------------------------------------------
// Tab expansion and the longest line

TEST(StringListTabs, ExpansionAtWidthsOneTwoThreeAndEight) {
    const QString T = "\t";
    struct {
        int width;
        QString line;
        QString expanded;
    } cases[] = {
        {1, "\tab", " ab"},
        {1, "a\t\tb", "a  b"},
        {2, "\tab", "\t\tab"},
        {2, "a\tb", "a\tb"},
        {2, "ab\t", "ab\t\t"},
        {3, "\tx", "\t\t\tx"},
        {3, "ab\tc\td", "ab\tc\t\td"},
        {3, "abc\t", "abc\t\t\t"},
        {8, "a\tb", "a" + T.repeated(7) + "b"},
        {8, "abcdefgh\t", "abcdefgh" + T.repeated(8)},
        {8, "no tabs", "no tabs"},
        {8, "", ""},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list = ListOf({c.line});
        list.SetTabWidth(c.width);
        EXPECT_EQ(list.ExpandedText(0), c.expanded) << c.width << " " << c.line.toStdString();
        EXPECT_EQ(list.LongestLineLength(), c.expanded.size()) << c.width;
    }
}

TEST(StringListTabs, LongestLineFollowsEditsSwapsAndTabWidth) {
    TGlyphEditStringList list = ListOf({"\tab", "abc", "a"});
    list.SetTabWidth(2);
    EXPECT_EQ(list.LongestLineLength(), 4);
    EXPECT_EQ(list.LongestLineIndex(), 0);
    list.SwapLines(0, 2);
    EXPECT_EQ(list.LongestLineIndex(), 2) << "the cached index follows its line";
    EXPECT_EQ(list.LongestLineLength(), 4);
    list.SetLine(1, "abcdefg");
    EXPECT_EQ(list.LongestLineIndex(), -1);
    EXPECT_EQ(list.LongestLineLength(), 7);
    EXPECT_EQ(list.LongestLineIndex(), 1);
    list.SetTabWidth(8);
    EXPECT_EQ(list.LongestLineLength(), 10) << "tab then ab at width 8";
    EXPECT_EQ(list.LongestLineIndex(), 2);
    list.DeleteLine(2);
    EXPECT_EQ(list.LongestLineLength(), 7);
    TGlyphEditStringList empty;
    EXPECT_EQ(empty.LongestLineLength(), 0);
}

TEST(StringListTabs, TieGoesToTheFirstLongestLine) {
    TGlyphEditStringList list = ListOf({"ab", "cd", "e"});
    EXPECT_EQ(list.LongestLineLength(), 2);
    EXPECT_EQ(list.LongestLineIndex(), 0);
}

// ---------------------------------------------------------------------------------------------
// Bad input and failing saves lose nothing

TEST(StringListFiles, FilesThatCannotBeReadLeaveTheBufferAsItWas) {
    QTemporaryDir dir;
    const QString vanishing = dir.filePath("vanishing.txt");
    WriteBytes(vanishing, "soon gone\n");
    const bool existed = QFile::exists(vanishing);
    QFile::remove(vanishing);
    struct {
        const char* what;
        QString path;
        QString messageStart;
    } cases[] = {
        {"missing file", dir.filePath("missing.txt"), "Cannot open file"},
        {"folder", dir.path(), "Cannot open file"},
        {"vanished between test and read", vanishing, "Cannot open file"},
        // Opening succeeds but every read fails: the kernel refuses reads at address 0.
        {"read fails after open", "/proc/self/mem", "Cannot read file"},
    };
    ASSERT_TRUE(existed);
    for (const auto& c : cases) {
        TGlyphEditStringList list = ListOf({"keep", "me"});
        try {
            list.LoadFile(c.path);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EGlyphFileError& e) {
            EXPECT_TRUE(e.Message().startsWith(c.messageStart)) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(c.path)) << e.Message().toStdString();
        }
        EXPECT_EQ(list.Lines(), (QStringList{"keep", "me"})) << c.what;
    }
}

// The new lines are built aside: a load refused half-way leaves the text, its format and the
// editor's notifications as they were.
TEST(StringListFiles, ALoadRefusedHalfWayChangesNothing) {
    struct {
        QByteArray bytes;
        TGlyphLoadLimits limits;
        std::optional<TTextEncoding> encoding;
        QString error;
    } cases[] = {
        {"1\n2\n3\n4\n", {3, INT_MAX}, {}, "It has more lines than the editor can hold (3)."},
        {"ab\nabcd\nabcde\n",
         {INT_MAX, 4},
         {},
         "It has a line longer than the editor can hold (4 characters)."},
        {"abc", {}, TTextEncoding::Utf16LE, "It has an odd number of bytes, so it is not UTF-16."},
        // Refused while the bytes are still being read in pieces.
        {AcrossPieces("a\n", {"a"}, 2).bytes,
         {1000, INT_MAX},
         {},
         "It has more lines than the editor can hold (1000)."},
    };
    for (const auto& c : cases) {
        TGlyphEditStringList list;
        LoadBytes(list, "caf\xE9\rme\r");
        Recorder rec;
        rec.Attach(list);
        list.LoadLimits = c.limits;
        try {
            LoadBytes(list, c.bytes, c.encoding);
            ADD_FAILURE() << c.error.toStdString();
        } catch (const EGlyphFileError& e) {
            EXPECT_EQ(e.Message(), "Cannot read the file. " + c.error);
        }
        EXPECT_EQ(list.Lines(), (QStringList{QStringLiteral("caf\u00E9"), "me"}));
        EXPECT_EQ(list.Encoding(), TTextEncoding::Windows1252);
        EXPECT_EQ(list.LineBreakStyle(), lbsCr);
        EXPECT_TRUE(rec.events.isEmpty()) << rec.events.join(", ").toStdString();
    }
}

TEST(StringListFiles, SavingIntoAMissingFolderOrOverAFolderFails) {
    QTemporaryDir dir;
    const TGlyphEditStringList list = ListOf({"a"});
    EXPECT_THROW(list.SaveFile(dir.filePath("no/such/folder/x.txt")), EGlyphFileError);
    EXPECT_THROW(list.SaveFile(dir.path()), EGlyphFileError);
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST(StringListFiles, SaveKeepsTheTargetsPermissions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("page.htm");
    WriteBytes(path, "old\n");
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, perms));
    ListOf({"new"}).SaveFile(path);
    EXPECT_EQ(ReadBytes(path), QByteArray("new\r\n"));
    const auto ownerGroupOther = QFileDevice::Permissions(0x7077);
    EXPECT_EQ(QFile::permissions(path) & ownerGroupOther, perms & ownerGroupOther);
}

// A save cut short by the file-size limit must leave the old file whole and no stray files,
// for a text far larger than the limit and for one that fails only in the last write.
class SaveFailingHalfWay : public ::testing::TestWithParam<int> {};

TEST_P(SaveFailingHalfWay, LeavesTheTargetUntouched) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    const QByteArray old = "the previous version\n";
    WriteBytes(path, old);
    TGlyphEditStringList list;
    const int lines = GetParam();
    for (int i = 0; i < lines; ++i)
        list.AppendLine(QString("line %1 with some text to make it long").arg(i));

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = lines > 1 ? 40000 : 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        list.SaveFile(path);
    } catch (const EGlyphFileError& e) {
        threw = true;
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"big.txt"});
}

INSTANTIATE_TEST_SUITE_P(StringListFiles, SaveFailingHalfWay, ::testing::Values(5000, 1));

TEST(StringListFiles, WriterFlushesThroughItsBufferAndGrowsForLongLines) {
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    const QByteArray longLine(TGlyphEditFiler::BufferSize * 2 + 5, 'x');
    {
        TGlyphEditFileWriter writer(device, lbsLf);
        writer.WriteLine("short");
        EXPECT_EQ(device.data().size(), 0) << "small lines wait in the buffer";
        writer.WriteLine(longLine);
        EXPECT_EQ(device.data(), QByteArray("short\n")) << "the buffer is written out first";
        writer.WriteLine("tail");
    }
    EXPECT_EQ(device.data(), "short\n" + longLine + "\ntail\n") << "released writer flushes";
}
