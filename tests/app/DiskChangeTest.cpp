// Changes made to the document's file by other programs, seen through the main window: the
// file watcher and window activation reload or ask, Save asks before overwriting, and a moved
// or deleted file only earns a note.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/CommandLine.h"
#include "htmltools/TidyRunner.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr int kDeadlineMs = 5000;
const QString kReloadQuestion =
    "The file has been changed by another program. Reload it and lose your changes?";

class DiskChanges : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        file = QDir(dir.path()).canonicalPath() + "/page.txt";
        Write("one\ntwo\nthree\nfour\n");
        SetCommandLineArgs({"glyphon", file});
        form = std::make_unique<TFormGlyphon>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->DocumentFileName == file; }, kDeadlineMs));
    }
    void TearDown() override { form.reset(); }

    // Another program writes the file.
    void Write(const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    void Type(const QString& text) {
        for (const QChar c : text)
            form->GlyphEdit.RunCommand(ecChar, c);
    }
    // The window is activated, with the watcher out of the way.
    void Activate() {
        if (!form->DocumentWatcher->files().isEmpty())
            form->DocumentWatcher->removePaths(form->DocumentWatcher->files());
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form.get(), &activate);
    }
    QString Note() const { return StatusPanel(form->StatusBar, 0)->text(); }
    QByteArray OnDisk() const {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString file;
    std::unique_ptr<TFormGlyphon> form;
};

TEST_F(DiskChanges, AnUnmodifiedDocumentIsReloadedKeepingTheCaretLine) {
    for (const bool byActivation : {false, true}) {
        SCOPED_TRACE(byActivation ? "activation" : "file watcher");
        const QByteArray text = byActivation ? "A\nB\nC\nD\nE\n" : "1\n2\n3\n4\n5\n6\n";
        ScriptedPrompts prompts; // an unmodified document reloads without asking
        form->GlyphEdit.SetCaretXY({2, 3});
        Write(text);
        if (byActivation)
            Activate();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->GlyphEdit.Lines().SaveToBytes() == text; },
                                    kDeadlineMs));
        EXPECT_EQ(form->GlyphEdit.CaretY(), 3);
        EXPECT_FALSE(form->GlyphEdit.Modified());
        EXPECT_EQ(Note(), "\"" + file + "\" was changed by another program and has been reloaded.");
    }
}

TEST_F(DiskChanges, AModifiedDocumentAsksAndSaveAsksBeforeOverwritingTheChange) {
    struct TCase {
        QMessageBox::StandardButton Reload;
        QMessageBox::StandardButton Overwrite; // NoButton: Save has nothing to ask
        QByteArray Expected;                   // on disk after Save
    } cases[] = {
        {QMessageBox::Yes, QMessageBox::NoButton, "theirs\n"},
        {QMessageBox::No, QMessageBox::No, "theirs\n"},
        {QMessageBox::No, QMessageBox::Yes, "mine one\ntwo\nthree\nfour\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(int(c.Overwrite));
        form->NewDocument();
        Write("one\ntwo\nthree\nfour\n");
        form->OpenDocument(file, false);
        Type("mine ");
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.Reload);
        Write("theirs\n");
        Activate();
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Text, kReloadQuestion);
        EXPECT_EQ(form->GlyphEdit.Modified(), c.Reload == QMessageBox::No);
        // Asked once: a second activation leaves the refused change alone.
        Activate();
        EXPECT_EQ(prompts.Records().size(), 1);
        if (c.Overwrite != QMessageBox::NoButton)
            prompts.AnswerButton(c.Overwrite);
        form->ClickMenuItem(form->MISave);
        EXPECT_EQ(OnDisk(), c.Expected);
        EXPECT_EQ(prompts.PendingAnswers(), 0);
        if (c.Overwrite != QMessageBox::NoButton) {
            EXPECT_EQ(prompts.Records().last().Text,
                      "\"" + file +
                          "\" has been changed by another program since it was loaded.\r\rDo you "
                          "wish to overwrite it?");
        }
        form->GlyphEdit.SetModified(false);
    }
}

TEST_F(DiskChanges, AMovedDeletedOrNonRegularFileChangesNothingButTheStatusBar) {
    enum TWay { Moved, Deleted, Fifo };
    for (const TWay way : {Moved, Deleted, Fifo}) {
        SCOPED_TRACE(int(way));
        form->NewDocument();
        Write("one\ntwo\n");
        form->OpenDocument(file, false);
        // An unmodified document would be read again: from a FIFO, for ever.
        if (way != Fifo)
            Type("x");
        ScriptedPrompts prompts; // nothing is asked
        if (way == Moved) {
            ASSERT_TRUE(QFile::rename(file, file + ".moved"));
        } else {
            ASSERT_TRUE(QFile::remove(file));
        }
        if (way == Fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        }
        const QString gone = "\"" + file + "\" has been moved or deleted by another program.";
        ASSERT_TRUE(QTest::qWaitFor([&] { return Note() == gone; }, kDeadlineMs))
            << Note().toStdString();
        Activate();
        EXPECT_EQ(form->DocumentFileName, file);
        EXPECT_EQ(form->GlyphEdit.Lines().Lines(),
                  way == Fifo ? QStringList({"one", "two"}) : QStringList({"xone", "two"}));
        EXPECT_EQ(form->GlyphEdit.Modified(), way != Fifo);
        form->GlyphEdit.SetModified(false);
        QFile::remove(file + ".moved");
        QFile::remove(file);
    }
}

TEST_F(DiskChanges, AChangeDuringALongCommandWaitsForItsEndThenAsks) {
    const TTidyHelperSettings saved = TidyHelperSettings();
    // Tidy runs on until the file watcher has seen the other program's change.
    const QString seen = dir.filePath("seen");
    TidyHelperSettings().Program = "/bin/sh";
    TidyHelperSettings().Arguments = {
        "-c",
        QString("while [ ! -e '%1' ]; do sleep 0.02; done; exec '%2' \"$@\"")
            .arg(seen, GLYPHON_TIDY_HELPER_BUILD_PATH),
        "sh"};
    TidyHelperSettings().ProgressDelayMs = 60000;
    QObject::connect(form->DocumentWatcher, &QFileSystemWatcher::fileChanged, form.get(), [&] {
        QFile flag(seen);
        ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
    });
    QTimer::singleShot(0, form.get(), [&] { Write("theirs\n"); });
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok); // Tidy's completion
    prompts.AnswerButton(QMessageBox::No); // the change: keep the tidied text
    form->ClickMenuItem(form->MITidyHTML);
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.Records().size() == 2; }, kDeadlineMs));
    EXPECT_TRUE(prompts.Records()[0].Text.startsWith("HTML Tidy Completed."));
    EXPECT_EQ(prompts.Records()[1].Text, kReloadQuestion);
    EXPECT_TRUE(form->GlyphEdit.Text().contains("<BODY>\r\none two three four\r\n</BODY>"))
        << form->GlyphEdit.Text().toStdString();
    // The change is not lost to a Save either.
    prompts.AnswerButton(QMessageBox::No);
    form->ClickMenuItem(form->MISave);
    EXPECT_EQ(OnDisk(), "theirs\n");
    form->GlyphEdit.SetModified(false);
    TidyHelperSettings() = saved;
}

} // namespace
