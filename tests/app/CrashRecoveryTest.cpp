// Crash recovery for real: the program runs as a process of its own, types, is killed with
// SIGKILL, and the next start offers what it had typed.
#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "common/Paths.h"
#include "common/Prompts.h"
#include "net/DialogDriver.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// A batch reaches the disk at most 2 s after the last edit; the rest is slack for a busy
// machine.
constexpr int kJournalDeadlineMs = 2000 + 1500;
// A signalled program ends within 2 s; the rest is slack for a busy machine.
constexpr int kSignalDeadlineMs = 2000 + 1000;

QString RecoveryFolder() {
    return QFileInfo(UserFilePath(TUserFolder::State, "recovery/x")).path();
}

QStringList Journals() {
    return QDir(RecoveryFolder()).entryList({"*.journal"}, QDir::Files);
}

class CrashRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir(RecoveryFolder()).removeRecursively();
    }
    void TearDown() override {
        form.reset();
        QDir(RecoveryFolder()).removeRecursively();
    }

    void Start() {
        SetCommandLineArgs({"glyphon"});
        form = std::make_unique<TFormGlyphon>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    }

    // A journal of Text under the document name FileName, as an ended process leaves it.
    void LeaveJournal(const QString& fileName, const QString& text) {
        TGlyphEdit edit;
        TGlyphRecoveryJournal journal(edit, RecoveryFolder());
        edit.OnLinesChanged = [&](const TGlyphLinesChange& c) { journal.LinesChanged(c); };
        journal.Restart(fileName, false);
        edit.SetSelectedText(text);
        journal.Flush();
        edit.OnLinesChanged = nullptr;
    }

    QTemporaryDir dir;
    std::unique_ptr<TFormGlyphon> form;
};

TEST_F(CrashRecovery, TextTypedBeforeAKillIsOfferedAndRecoveredAtTheNextStart) {
    const QString file = dir.filePath("page.htm");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("first line\r\nsecond line\r\n");
    }
    struct TCase {
        QStringList Args;
        QString Name;
        QStringList Lines;
    } cases[] = {
        {{file}, file, {"typed: first line", "second line"}},
        {{}, "Untitled.htm", {"typed: "}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name.toStdString());
        TProgram program(GLYPHON_EXECUTABLE, c.Args);
        ASSERT_EQ(program.Command("type typed: "), "typed");
        // The typing is on disk within the promised time, while the program still runs.
        ASSERT_TRUE(QTest::qWaitFor([] { return Journals().size() == 1; }, kJournalDeadlineMs));
        ::kill(program.Pid(), SIGKILL);
        ASSERT_TRUE(program.Process().waitForFinished());

        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Yes);
        Start();
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_TRUE(prompts.Records()[0].Text.startsWith('"' + c.Name + "\" was not saved"));
        EXPECT_EQ(form->DocumentFileName, c.Name);
        EXPECT_TRUE(form->GlyphEdit.Modified());
        EXPECT_EQ(form->GlyphEdit.Lines().Lines(), c.Lines);
        // The dead process's journal is gone; the recovered document has its own.
        EXPECT_EQ(Journals().size(), 1);
        form.reset();
        EXPECT_TRUE(Journals().isEmpty());
    }
}

TEST_F(CrashRecovery, DiscardRemovesAndLaterKeepsAJournalReadableOrNot) {
    struct TCase {
        QMessageBox::StandardButton Answer;
        bool Unreadable;
        bool Kept;
    } cases[] = {
        {QMessageBox::No, false, false},
        {QMessageBox::Cancel, false, true},
        {QMessageBox::No, true, false},
        {QMessageBox::Cancel, true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(int(c.Answer));
        QDir(RecoveryFolder()).removeRecursively();
        LeaveJournal("/somewhere/notes.txt", "unsaved words");
        ASSERT_EQ(Journals().size(), 1);
        const QString journal = QDir(RecoveryFolder()).filePath(Journals()[0]);
        if (c.Unreadable) {
            QFile out(journal);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write("not a journal");
        }
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.Answer);
        Start();
        ASSERT_EQ(prompts.Records().size(), 1);
        if (c.Unreadable) {
            EXPECT_EQ(prompts.Records()[0].Text,
                      "The recovery file \"" + journal + "\" cannot be read.");
        }
        EXPECT_EQ(form->DocumentFileName, "Untitled.htm");
        EXPECT_FALSE(form->GlyphEdit.Modified());
        EXPECT_EQ(QFile::exists(journal), c.Kept);
        form.reset();
    }
}

TEST_F(CrashRecovery, ATerminationSignalKeepsTextAndSettingsAndEndsWithoutAsking) {
    const QString file = dir.filePath("page.htm");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("first line\r\n");
    }
    const QString settings = UserFilePath(TUserFolder::Config, "Settings.ini");
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QFile::remove(settings);
        TProgram program(GLYPHON_EXECUTABLE, {file});
        ASSERT_EQ(program.Command("type typed: "), "typed");
        ::kill(program.Pid(), signal);
        ASSERT_TRUE(program.Process().waitForFinished(kSignalDeadlineMs))
            << "the program still runs after the signal";
        QFile stored(settings);
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        EXPECT_TRUE(stored.readAll().contains(file.toUtf8())) << "the recent files are stored";

        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Yes);
        Start();
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(form->GlyphEdit.Lines().Lines(), QStringList{"typed: first line"});
        form.reset();
    }
}

TEST_F(CrashRecovery, AFullDiskPausesTheJournalWhichKeepsItsWholeBatchesAndResumes) {
    const QString paused = "Recovery is paused: the disk is full or cannot be written.";
    TProgram program(GLYPHON_EXECUTABLE, {});
    ASSERT_EQ(program.Command("type first words"), "typed");
    ASSERT_EQ(program.Command("flush"), "flushed Untitled.htm");
    ASSERT_EQ(Journals().size(), 1);
    const QString journal = QDir(RecoveryFolder()).filePath(Journals()[0]);
    const qint64 size = QFileInfo(journal).size();
    // The disk fills up: the journal may grow by a hundred bytes only.
    rlimit limit{rlim_t(size + 100), RLIM_INFINITY};
    ASSERT_EQ(::prlimit(program.Pid(), RLIMIT_FSIZE, &limit, nullptr), 0);
    const QString many(3000, 'x');
    ASSERT_EQ(program.Command("type " + many), "typed");
    EXPECT_EQ(program.Command("flush"), "flushed " + paused);
    EXPECT_EQ(QFileInfo(journal).size(), size) << "cut back to its last whole batch";
    EXPECT_EQ(ReadRecoveryJournal(journal).Text.trimmed(), "first words");
    ASSERT_EQ(program.Command("type  more"), "typed");
    EXPECT_EQ(program.Command("flush"), "flushed " + paused);
    // Room again: the whole text goes to the journal, and the note goes.
    limit.rlim_cur = RLIM_INFINITY;
    ASSERT_EQ(::prlimit(program.Pid(), RLIMIT_FSIZE, &limit, nullptr), 0);
    EXPECT_EQ(program.Command("flush"), "flushed Untitled.htm");
    ::kill(program.Pid(), SIGKILL);
    ASSERT_TRUE(program.Process().waitForFinished());

    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Yes);
    Start();
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(form->GlyphEdit.Lines().Lines(), QStringList{"first words" + many + " more"});
}

TEST_F(CrashRecovery, JournalsAreTheUsersOwnAndOfferedByOneProgramOnly) {
    LeaveJournal("/somewhere/notes.txt", "unsaved words");
    ASSERT_EQ(Journals().size(), 1);
    const QString journal = QDir(RecoveryFolder()).filePath(Journals()[0]);
    {
        // Claimed by a program that started at the same time: not offered again.
        const std::vector<TGlyphRecoveryClaim> claimed = OrphanedRecoveryJournals(RecoveryFolder());
        ASSERT_EQ(claimed.size(), 1u);
        ScriptedPrompts prompts;
        Start();
        EXPECT_TRUE(prompts.Records().isEmpty());
        form.reset();
    }
    // A link is not followed, whatever journal it points at.
    ASSERT_TRUE(QFile::rename(journal, dir.filePath("elsewhere.journal")));
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere.journal"), journal));
    ScriptedPrompts prompts;
    Start();
    EXPECT_TRUE(prompts.Records().isEmpty());
    // A folder removed under a running program comes back, for the user alone.
    form->GlyphEdit.RunCommand(ecChar, QChar('a'));
    form->RecoveryJournal->Flush();
    ASSERT_TRUE(QDir(QFileInfo(RecoveryFolder()).path()).removeRecursively());
    form->GlyphEdit.RunCommand(ecChar, QChar('b'));
    form->RecoveryJournal->Flush();
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(RecoveryFolder()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    ASSERT_EQ(Journals().size(), 1);
    EXPECT_EQ(ReadRecoveryJournal(QDir(RecoveryFolder()).filePath(Journals()[0])).Text.trimmed(),
              "ab");
}

TEST_F(CrashRecovery, TheQuestionOnScreenOffersRecoverDiscardAndLater) {
    LeaveJournal("/somewhere/notes.txt", "unsaved words");
    ASSERT_EQ(Journals().size(), 1);
    const QString journal = QDir(RecoveryFolder()).filePath(Journals()[0]);
    QStringList labels;
    WhenTrue([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
             [&] {
                 for (QAbstractButton* button :
                      qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->buttons())
                     labels << button->text();
                 for (QAbstractButton* button :
                      qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->buttons()) {
                     if (button->text() == "&Discard")
                         button->click();
                 }
             });
    TPrompts* scripted = InstallPrompts(nullptr); // the question as the user sees it
    Start();
    InstallPrompts(scripted);
    labels.sort();
    EXPECT_EQ(labels, QStringList({"&Discard", "&Later", "&Recover"}));
    EXPECT_FALSE(QFile::exists(journal)) << "Discard removes the recovery file";
}

} // namespace
