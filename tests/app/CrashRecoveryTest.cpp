// Crash recovery for real: the program runs as a process of its own, types, is killed with
// SIGKILL, and the next start offers what it had typed.
#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "common/Paths.h"
#include "common/Prompts.h"
#include "net/DialogDriver.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

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

namespace {

constexpr int kStartDeadlineMs = 20000;
// A batch reaches the disk at most 2 s after the last edit; the rest is slack for a busy
// machine.
constexpr int kJournalDeadlineMs = 2000 + 1500;

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
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VELMARIS_GLYPHON_TEST_TYPING", "typed: ");
        program.setProcessEnvironment(env);
        program.start(GLYPHON_EXECUTABLE, c.Args);
        ASSERT_TRUE(program.waitForStarted());
        QByteArray output;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                output += program.readAllStandardOutput();
                return output.contains("typed") || program.state() != QProcess::Running;
            },
            kStartDeadlineMs));
        ASSERT_EQ(program.state(), QProcess::Running);
        // The typing is on disk within the promised time, while the program still runs.
        ASSERT_TRUE(QTest::qWaitFor([] { return Journals().size() == 1; }, kJournalDeadlineMs));
        ::kill(pid_t(program.processId()), SIGKILL);
        ASSERT_TRUE(program.waitForFinished());

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

TEST_F(CrashRecovery, DiscardRemovesLaterKeepsAndAnUnreadableFileIsReportedAndKept) {
    struct TCase {
        QMessageBox::StandardButton Answer;
        bool Unreadable;
        bool Kept;
    } cases[] = {
        {QMessageBox::No, false, false},
        {QMessageBox::Cancel, false, true},
        {QMessageBox::Ok, true, true},
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
                      "The recovery file \"" + journal + "\" cannot be read. It is kept.");
        }
        EXPECT_EQ(form->DocumentFileName, "Untitled.htm");
        EXPECT_FALSE(form->GlyphEdit.Modified());
        EXPECT_EQ(QFile::exists(journal), c.Kept);
        form.reset();
    }
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
