// Copy, cut and paste through the real clipboard of the (offscreen) platform.

#include "GlyphEditTestSupport.h"

#include "editor/TGlyphEditClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

const QString PrivateType = QString::fromLatin1(GlyphEditClipboardMimeType);

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        ConfigureMainWindow(edit);
    }

    static void PutPlainText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

    static void PutPrivateBytes(const QByteArray& bytes) {
        auto* data = new QMimeData;
        data->setText(QStringLiteral("plain"));
        data->setData(PrivateType, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
    }

    TGlyphEdit edit;
};

TEST_F(ClipboardTest, CopyPutsPlainTextAndThePrivateFormat) {
    SetLines(edit, {"abcd", "efgh"});
    Select(edit, {2, 1}, {4, 2}, smColumn);
    edit.ClipboardCopy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), "bc\r\nfg");
    const QByteArray bytes = data->data(PrivateType);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(bytes.front(), char(smColumn));
    EXPECT_EQ(bytes.back(), '\0');
    EXPECT_EQ(bytes.mid(1, bytes.size() - 2), QByteArray("bc\r\nfg"));
    // Copying changes no text and records nothing.
    EXPECT_FALSE(edit.Modified());
}

TEST_F(ClipboardTest, CopyWithoutSelectionLeavesClipboardAlone) {
    PutPlainText("kept");
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {2, 1});
    edit.ClipboardCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

struct RoundTripCase {
    const char* name;
    QStringList lines;
    TBufferCoord anchor;
    TBufferCoord active;
    TGlyphSelectionMode mode;
    TBufferCoord pasteAt;
    QStringList after;
    TBufferCoord caretAfter;
};

class ClipboardRoundTripTest : public ClipboardTest,
                               public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ClipboardRoundTripTest, PasteKeepsTheModeAndIsOneUndoStep) {
    const RoundTripCase& c = GetParam();
    SetLines(edit, c.lines);
    Select(edit, c.anchor, c.active, c.mode);
    Press(edit, Qt::Key_C, Qt::ControlModifier);
    // The editor's own mode no longer matters: the clipboard carries it.
    edit.SetSelectionMode(smNormal);
    PlaceCaret(edit, c.pasteAt);
    ASSERT_TRUE(edit.PasteAvailable());
    Press(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Lines(edit), c.after);
    EXPECT_EQ(edit.CaretXY(), c.caretAfter);
    edit.Undo();
    EXPECT_FALSE(edit.UndoAvailable());
    EXPECT_EQ(Lines(edit), c.lines);
    EXPECT_EQ(edit.CaretXY(), c.pasteAt);
    EXPECT_FALSE(edit.Modified());
    edit.Redo();
    EXPECT_EQ(Lines(edit), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ClipboardRoundTripTest,
    ::testing::Values(RoundTripCase{"Normal",
                                    {"abcd", "efgh"},
                                    {2, 1},
                                    {3, 2},
                                    smNormal,
                                    {5, 2},
                                    {"abcd", "efghbcd", "ef"},
                                    {3, 3}},
                      RoundTripCase{"Column",
                                    {"abcd", "efgh", "ijkl"},
                                    {2, 1},
                                    {4, 2},
                                    smColumn,
                                    {1, 2},
                                    {"abcd", "bcefgh", "fgijkl"},
                                    {1, 3}},
                      RoundTripCase{"ColumnIntoShortLines",
                                    {"abcd", "efgh", "", "x"},
                                    {2, 1},
                                    {4, 2},
                                    smColumn,
                                    {3, 3},
                                    {"abcd", "efgh", "  bc", "x fg"},
                                    {3, 4}},
                      RoundTripCase{"ColumnBelowTheEnd",
                                    {"abcd", "efgh"},
                                    {2, 1},
                                    {4, 2},
                                    smColumn,
                                    {2, 2},
                                    {"abcd", "ebcfgh", " fg"},
                                    {2, 3}},
                      // Line mode: whole lines go in above the caret line, whose own text stays.
                      RoundTripCase{"Line",
                                    {"one", "two", "three"},
                                    {2, 1},
                                    {2, 2},
                                    smLine,
                                    {3, 3},
                                    {"one", "two", "one", "two", "three"},
                                    {1, 5}},
                      RoundTripCase{"LineWithLastLine",
                                    {"one", "two", "three"},
                                    {1, 2},
                                    {1, 3},
                                    smLine,
                                    {3, 1},
                                    {"two", "three", "one", "two", "three"},
                                    {1, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClipboardTest, PlainTextFromElsewherePastesInTheEditorsMode) {
    PutPlainText("x\r\ny");
    SetLines(edit, {"abc"});
    Select(edit, {2, 1}, {3, 1});
    edit.ClipboardPaste();
    EXPECT_EQ(Lines(edit), (QStringList{"ax", "yc"}));
    EXPECT_EQ(edit.CaretXY(), (TBufferCoord{2, 2}));
    EXPECT_EQ(edit.UndoList().PeekItem().Kind, uckPaste);
    edit.Undo();
    EXPECT_EQ(Lines(edit), (QStringList{"abc"}));
    EXPECT_EQ(edit.SelectedText(), "b");
    EXPECT_FALSE(edit.UndoAvailable());
}

// A NUL is an ordinary character of a line: copy and paste keep all of the text, through the
// private format and as plain text.
TEST_F(ClipboardTest, TextHoldingANulIsCopiedAndPastedWhole) {
    const QString nul(QChar(u'\0'));
    const QString ab = "a" + nul + "b";
    const QString cd = "c" + nul + "d";
    const struct {
        const char* what;
        TGlyphSelectionMode mode;
        bool plain; // pasted from the plain text the copy left, the private format taken away
        QStringList after;
    } cases[] = {
        {"stream", smNormal, false, {ab, cd + nul + "b", "c" + nul}},
        {"stream as plain text", smNormal, true, {ab, cd + nul + "b", "c" + nul}},
        {"lines", smLine, false, {ab, ab, cd, cd}},
        {"column", smColumn, false, {ab, cd + nul, "   " + nul}},
    };
    for (const auto& c : cases) {
        SetLines(edit, {ab, cd});
        Select(edit, {2, 1}, {3, 2}, c.mode);
        const QString selected = edit.SelectedText();
        edit.ClipboardCopy();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), selected) << c.what;
        if (c.plain)
            PutPlainText(QGuiApplication::clipboard()->text());
        edit.SetSelectionMode(smNormal);
        PlaceCaret(edit, {4, 2});
        edit.ClipboardPaste();
        EXPECT_EQ(Lines(edit), c.after) << c.what;
    }
}

TEST_F(ClipboardTest, CutRemovesAndUndoRestores) {
    SetLines(edit, {"hello world"});
    Select(edit, {6, 1}, {12, 1});
    Press(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.LineText(1), "hello");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), " world");
    EXPECT_EQ(edit.UndoList().PeekItem().Kind, uckDelete);
    edit.Undo();
    EXPECT_EQ(edit.LineText(1), "hello world");
    EXPECT_EQ(edit.SelectedText(), " world");
}

TEST_F(ClipboardTest, ReadOnlyRefusesCutAndPasteButCopies) {
    PutPlainText("x");
    SetLines(edit, {"abc"});
    edit.SelectAll();
    edit.SetReadOnly(true);
    EXPECT_FALSE(edit.PasteAvailable());
    edit.ClipboardPaste();
    edit.ClipboardCut();
    EXPECT_EQ(edit.LineText(1), "abc");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "x");
    edit.ClipboardCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
    EXPECT_FALSE(edit.PasteAvailable());
}

TEST_F(ClipboardTest, PasteAvailableFollowsTheClipboard) {
    EXPECT_FALSE(edit.PasteAvailable());
    PutPlainText("x");
    EXPECT_TRUE(edit.PasteAvailable());
    auto* data = new QMimeData;
    data->setData(PrivateType, EncodeGlyphClipboardBlock("y", smLine));
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_TRUE(edit.PasteAvailable());
}

TEST_F(ClipboardTest, UnreadablePrivateFormatRaisesThePasteError) {
    SetLines(edit, {"abc"});
    PlaceCaret(edit, {2, 1});
    for (const QByteArray& bad :
         {QByteArray(), QByteArray("\x07text", 5) + '\0', QByteArray("\x00text", 5)}) {
        PutPrivateBytes(bad);
        try {
            edit.ClipboardPaste();
            ADD_FAILURE() << "no error for " << bad.toHex().constData();
        } catch (const EGlyphEditError& e) {
            EXPECT_EQ(e.Message(), "Clipboard paste operation failed.");
        }
        EXPECT_EQ(edit.LineText(1), "abc");
        EXPECT_FALSE(edit.UndoAvailable());
        EXPECT_EQ(edit.UndoList().GroupDepth(), 0);
        EXPECT_EQ(edit.PaintLock(), 0);
    }
    // Through the key the error reaches the caller too, with the paint lock released.
    EXPECT_THROW(Press(edit, Qt::Key_V, Qt::ControlModifier), EGlyphEditError);
    EXPECT_EQ(edit.PaintLock(), 0);
}

TEST(ClipboardBlock, EncodesAndDecodes) {
    for (TGlyphSelectionMode mode : {smNormal, smLine, smColumn}) {
        TGlyphSelectionMode decodedMode = smNormal;
        QString text;
        ASSERT_TRUE(DecodeGlyphClipboardBlock(EncodeGlyphClipboardBlock("a\r\nä€", mode),
                                              decodedMode, text));
        EXPECT_EQ(decodedMode, mode);
        EXPECT_EQ(text, QString::fromUtf8("a\r\nä€"));
    }
    TGlyphSelectionMode mode = smNormal;
    QString text;
    EXPECT_FALSE(DecodeGlyphClipboardBlock(QByteArray("\x03x", 2) + '\0', mode, text));
    EXPECT_FALSE(DecodeGlyphClipboardBlock(QByteArray("\x01x", 2), mode, text));
    EXPECT_FALSE(DecodeGlyphClipboardBlock(QByteArray(1, '\0'), mode, text));
}

} // namespace
