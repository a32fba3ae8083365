#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// Kept in a process of its own: once a write to the settings file has failed, Qt remembers that
// file as unwritable for the rest of the process, which would leak into other tests.
TEST(FormGlyphonSettingsFailure, AReadOnlyProgramFolderReportsTheFailedWriteAtExit) {
    ScriptedPrompts prompts;
    {
        SetCommandLineArgs({"glyphon"});
        auto form = std::make_unique<TFormGlyphon>();
        form->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
        // The settings file becomes a folder: no process, root included, can write it as a file.
        QDir().mkpath(TestEnvironment::SettingsPath());
        prompts.AnswerButton(QMessageBox::Ok);
    }
    QDir(TestEnvironment::SettingsPath()).removeRecursively();
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "Unable to write to " + TestEnvironment::SettingsPath());
}
