// The recovery journal read back: seeded random editing sessions on a file and on an untitled
// text, with batches written at random moments, replay to the editor's text; a batch cut off by
// a kill is left out.
#include "editor/TGlyphRecoveryJournal.h"

#include "editor/TGlyphEditFindReplace.h"
#include "editor/TGlyphEditKeyCmds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

constexpr TGlyphEditorCommand Commands[] = {
    ecLeft,      ecRight,   ecUp,         ecDown,           ecLineEnd,
    ecSelRight,  ecSelDown, ecDeleteChar, ecDeleteLastChar, ecDeleteLine,
    ecLineBreak, ecUndo,    ecRedo,       ecEditorBottom,   ecSelectAll};

struct TJournalled {
    TGlyphEdit Edit;
    std::unique_ptr<TGlyphRecoveryJournal> Journal;

    explicit TJournalled(const QString& folder)
        : Journal(std::make_unique<TGlyphRecoveryJournal>(Edit, folder)) {
        Edit.OnLinesChanged = [this](const TGlyphLinesChange& c) { Journal->LinesChanged(c); };
    }
    ~TJournalled() { Edit.OnLinesChanged = nullptr; }
};

// A journal left by an earlier version (batches framed without a checksum) is still recovered.
void ExpectAnEarlierVersionsFramingReadsAlike(const QString& journal, const QString& text) {
    QFile file(journal);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray current = file.readAll();
    QByteArray earlier;
    for (qsizetype at = 0; at + 6 <= current.size();) {
        const qsizetype size = qFromBigEndian<quint32>(current.constData() + at);
        earlier += current.mid(at, 4) + current.mid(at + 6, size);
        at += 6 + size;
    }
    earlier.replace(4, 5, "VGRJ1");
    ASSERT_TRUE(file.resize(0));
    file.write(earlier);
    file.flush();
    EXPECT_EQ(ReadRecoveryJournal(journal).Text, text);
    ASSERT_TRUE(file.resize(0));
    file.write(current);
}

TEST(TGlyphRecoveryJournal, RandomSessionsReplayToTheEditorsText) {
    QTemporaryDir dir;
    const QString file = dir.filePath("page.htm");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("<p>one</p>\r\ntwo\nthree\r\n\r\nfive");
    }
    for (quint32 seed = 1; seed <= 40; ++seed) {
        const bool fromFile = seed % 2 == 0;
        SCOPED_TRACE(testing::Message() << "seed " << seed << (fromFile ? " file" : " untitled"));
        TJournalled doc(dir.filePath("recovery"));
        if (fromFile)
            doc.Edit.Lines().LoadFile(file);
        doc.Edit.SetModified(false);
        doc.Journal->Restart(fromFile ? file : "Untitled.htm", fromFile);
        QRandomGenerator random(seed);
        for (int step = 0; step < 200; ++step) {
            const quint32 pick = random.bounded(40u);
            if (pick < std::size(Commands))
                doc.Edit.RunCommand(Commands[pick]);
            else
                doc.Edit.RunCommand(ecChar, QChar(u'a' + pick));
            if (random.bounded(10u) == 0)
                doc.Journal->Flush();
        }
        doc.Edit.RunCommand(ecChar, QChar(u'!')); // modified at the end, whatever came before
        doc.Journal->Flush();
        const QString journal = doc.Journal->JournalPath();
        const TGlyphRecoveredText recovered = ReadRecoveryJournal(journal);
        EXPECT_EQ(recovered.Text, doc.Edit.Text());
        EXPECT_EQ(recovered.FileName, fromFile ? file : "Untitled.htm");
        ExpectAnEarlierVersionsFramingReadsAlike(journal, recovered.Text);

        // A batch cut off in the middle is left out, with any whole one written after it: the
        // text before it comes back.
        const QString before = doc.Edit.Text();
        const qint64 whole = QFileInfo(journal).size();
        doc.Edit.RunCommand(ecChar, QChar(u'?'));
        doc.Journal->Flush();
        QFile cut(journal);
        ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
        ASSERT_TRUE(cut.seek(whole));
        const QByteArray last = cut.readAll();
        ASSERT_TRUE(cut.resize(cut.size() - 3));
        ASSERT_TRUE(cut.seek(cut.size()));
        if (seed % 2)
            cut.write(last);
        cut.close();
        EXPECT_EQ(ReadRecoveryJournal(journal).Text, before);
        doc.Journal->Discard();
    }
}

// Replace all rewrites many lines at once: short runs of lines are journalled line by line,
// long ones as the whole text; either way, and after undoing it, the journal replays to the
// editor's text.
TEST(TGlyphRecoveryJournal, ReplaceAllOverManyLinesReplaysToTheEditorsText) {
    QTemporaryDir dir;
    struct {
        const char* what;
        int lines;
        int every; // every n-th line has nothing to replace; 0: none
        bool undo;
    } cases[] = {
        {"a few lines", 20, 0, false},
        {"runs of two lines", 3000, 3, false},
        {"one run of thousands of lines", 3000, 0, false},
        {"one run of thousands of lines, undone", 3000, 0, true},
    };
    for (const auto& c : cases) {
        const QString file = dir.filePath("page.htm");
        {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            for (int i = 1; i <= c.lines; ++i)
                out.write(c.every > 0 && i % c.every == 0 ? "<p>x</p>\n" : "<p>cat</p>\n");
        }
        TJournalled doc(dir.filePath("recovery"));
        doc.Edit.Lines().LoadFile(file);
        doc.Edit.SetModified(false);
        doc.Journal->Restart(file, true);
        TGlyphEditFindReplace finder(doc.Edit);
        ASSERT_GT(finder.FindAndReplace("cat", "lion", SearchReplaceAll | SearchEntireText), 0)
            << c.what;
        if (c.undo) {
            doc.Journal->Flush();
            doc.Edit.Undo();
            doc.Edit.RunCommand(ecChar, QChar(u'!'));
        }
        doc.Journal->Flush();
        EXPECT_EQ(ReadRecoveryJournal(doc.Journal->JournalPath()).Text, doc.Edit.Text()) << c.what;
        doc.Journal->Discard();
    }
}

} // namespace
