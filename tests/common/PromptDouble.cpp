// The scripted prompt double itself: every later suite relies on it failing loudly.
#include "common/AppHelpers.h"
#include "common/FileDialogs.h"
#include "support/ScriptedPrompts.h"

#include "support/QtPrinters.h"
#include <gtest/gtest-spi.h>

#include <gtest/gtest.h>

TEST(ScriptedPromptsDouble, APromptWithNoAnswerQueuedFailsTheTest) {
    ScriptedPrompts prompts;
    bool answer = true;
    EXPECT_NONFATAL_FAILURE(answer = AskYesNo("Overwrite?"), "no answer queued");
    EXPECT_FALSE(answer) << "an unanswered question is answered with the way out";
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records().first().Text, "Overwrite?");
}

TEST(ScriptedPromptsDouble, AnAnswerOfAnotherKindFailsTheTest) {
    ScriptedPrompts prompts;
    prompts.AnswerFile("/tmp/x.htm");
    EXPECT_NONFATAL_FAILURE(ShowInfo("Done."), "another kind of prompt");
}

TEST(ScriptedPromptsDouble, AButtonThatIsNotOnTheBoxFailsTheTest) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Cancel);
    EXPECT_NONFATAL_FAILURE(AskYesNo("Go?"), "is not on the box");
}

TEST(ScriptedPromptsDouble, AnswersLeftOverFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts prompts;
            prompts.AnswerButton(QMessageBox::Ok);
        },
        "never used");
}

TEST(ScriptedPromptsDouble, PutsThePreviousServiceBack) {
    ScriptedPrompts outer;
    {
        ScriptedPrompts inner;
        EXPECT_EQ(&Prompts(), &inner);
    }
    EXPECT_EQ(&Prompts(), &outer);
}

TEST(ScriptedPromptsDouble, AnswersComeInTheOrderQueued) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Yes);
    prompts.AnswerInput("typed");
    prompts.CancelInput();
    prompts.AnswerFile("/tmp/chosen.htm");
    EXPECT_TRUE(AskYesNo("First?"));
    EXPECT_EQ(Prompts().InputBox("Caption", "Name:", "default"), std::optional<QString>("typed"));
    EXPECT_EQ(Prompts().InputBox("Caption", "Name:", "default"), std::nullopt);
    EXPECT_EQ(RunOpenFileDialog("Untitled.htm"), std::optional<QString>("/tmp/chosen.htm"));
    ASSERT_EQ(prompts.Records().size(), 4);
    EXPECT_EQ(prompts.Records().at(1).Kind, ScriptedPrompts::TKind::Input);
    EXPECT_EQ(prompts.Records().at(1).Caption, "Caption");
    EXPECT_EQ(prompts.Records().at(1).Text, "Name:");
    EXPECT_EQ(prompts.Records().at(1).DefaultText, "default");
    EXPECT_EQ(prompts.Records().at(3).Kind, ScriptedPrompts::TKind::OpenFile);
    EXPECT_EQ(prompts.PendingAnswers(), 0);
}
