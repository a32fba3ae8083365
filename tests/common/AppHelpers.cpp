#include "common/AppHelpers.h"

#include "common/GlyphErrors.h"
#include "support/ScriptedPrompts.h"

#include "support/QtPrinters.h"
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

// --- message boxes ---

struct BoxCase {
    const char* name;
    std::function<void(const QString&)> show;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton answer;
};

class MessageBoxes : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxes, CarryTheTitleTheIconAndTheButtonsOfTheirKind) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(GetParam().answer);
    const QString text = "The file \"a.htm\" has been changed.\r\rDo you want to save the changes?";
    GetParam().show(text);
    ASSERT_EQ(prompts.Records().size(), 1);
    const auto& box = prompts.Records().first();
    EXPECT_EQ(box.Kind, ScriptedPrompts::TKind::Message);
    EXPECT_EQ(box.Caption, "Velmaris Glyphon");
    EXPECT_EQ(box.Text, text) << "the text is passed on as written, line breaks included";
    EXPECT_EQ(box.Icon, GetParam().icon);
    EXPECT_EQ(box.Buttons, GetParam().buttons);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MessageBoxes,
    ::testing::Values(
        BoxCase{"ShowInfo", [](const QString& t) { ShowInfo(t); }, QMessageBox::Information,
                QMessageBox::Ok, QMessageBox::Ok},
        BoxCase{"AskYesNo", [](const QString& t) { AskYesNo(t); }, QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
        BoxCase{"AskYesNoCancel", [](const QString& t) { AskYesNoCancel(t); }, QMessageBox::Warning,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel},
        BoxCase{"ShowWarning", [](const QString& t) { ShowWarning(t); }, QMessageBox::Warning,
                QMessageBox::Ok, QMessageBox::Ok},
        BoxCase{"ShowErrorBox", [](const QString& t) { ShowErrorBox(t); }, QMessageBox::Critical,
                QMessageBox::Ok, QMessageBox::Ok}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MessageBoxAnswers, AskYesNoIsTrueOnlyForYes) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Yes);
    prompts.AnswerButton(QMessageBox::No);
    EXPECT_TRUE(AskYesNo("Go on?"));
    EXPECT_FALSE(AskYesNo("Go on?"));
}

TEST(MessageBoxAnswers, AskYesNoCancelGivesTheButtonPressed) {
    ScriptedPrompts prompts;
    for (const auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
        prompts.AnswerButton(button);
    EXPECT_EQ(AskYesNoCancel("Save?"), QMessageBox::Yes);
    EXPECT_EQ(AskYesNoCancel("Save?"), QMessageBox::No);
    EXPECT_EQ(AskYesNoCancel("Save?"), QMessageBox::Cancel);
}

// --- errors and the command runner ---

TEST(RaiseError, ThrowsTheGenericErrorWithTheText) {
    try {
        RaiseError("Cannot find \"x\"");
        FAIL() << "RaiseError returned";
    } catch (const EGlyphError& error) {
        EXPECT_EQ(error.Message(), "Cannot find \"x\"");
        EXPECT_STREQ(error.what(), "Cannot find \"x\"");
    }
}

struct RunnerCase {
    const char* name;
    std::function<void()> command;
    QString shown; // empty: no box
    bool result;
};

class CommandRunner : public ::testing::TestWithParam<RunnerCase> {};

TEST_P(CommandRunner, ShowsTheErrorOfAFailedCommandInTheErrorBox) {
    ScriptedPrompts prompts;
    if (!GetParam().shown.isEmpty())
        prompts.AnswerButton(QMessageBox::Ok);
    EXPECT_EQ(RunCommand(GetParam().command), GetParam().result);
    if (GetParam().shown.isEmpty()) {
        EXPECT_TRUE(prompts.Records().isEmpty());
        return;
    }
    ASSERT_EQ(prompts.Records().size(), 1);
    const auto& box = prompts.Records().first();
    EXPECT_EQ(box.Caption, "Velmaris Glyphon");
    EXPECT_EQ(box.Icon, QMessageBox::Critical);
    EXPECT_EQ(box.Buttons, QMessageBox::Ok);
    EXPECT_EQ(box.Text, GetParam().shown);
}

// An editor error kind as later layers define them.
class ETestEditError : public EGlyphError {
public:
    using EGlyphError::EGlyphError;
};

INSTANTIATE_TEST_SUITE_P(
    Errors, CommandRunner,
    ::testing::Values(
        RunnerCase{"noError", [] {}, "", true},
        RunnerCase{"raiseError", [] { RaiseError("URL not found \"x\""); }, "URL not found \"x\"",
                   false},
        RunnerCase{"fileError", [] { throw EGlyphFileError("Unable to write to /x"); },
                   "Unable to write to /x", false},
        RunnerCase{"editorError", [] { throw ETestEditError("Invalid stringlist index 7"); },
                   "Invalid stringlist index 7", false},
        RunnerCase{"stdException", [] { throw std::runtime_error("disk full"); }, "disk full",
                   false},
        RunnerCase{"unicodeMessage", [] { RaiseError(QString::fromUtf8("Datei \xc3\xa4 fehlt")); },
                   QString::fromUtf8("Datei \xc3\xa4 fehlt"), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandRunnerScope, TheCommandEndsWhereItFailed) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    int steps = 0;
    RunCommand([&] {
        ++steps;
        RaiseError("stop");
        ++steps;
    });
    EXPECT_EQ(steps, 1);
}

TEST(CommandRunnerScope, ExceptionsThatAreNoErrorsAreNotSwallowed) {
    ScriptedPrompts prompts;
    EXPECT_THROW(RunCommand([] { throw 42; }), int);
    EXPECT_TRUE(prompts.Records().isEmpty());
}

// --- window helpers ---

struct CaptionCase {
    const char* name;
    QString fileName;
    QString caption;
};

class FileCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(FileCaption, IsTheTitleWithTheFileNameInBrackets) {
    QWidget form;
    form.setWindowTitle("old");
    SetFileCaption(&form, GetParam().fileName);
    form.show();
    // What the window system is given, after Qt's own reading of the title.
    EXPECT_EQ(form.windowHandle()->title(), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileCaption,
    ::testing::Values(CaptionCase{"empty", "", "Velmaris Glyphon"},
                      CaptionCase{"untitled", "Untitled.htm", "Velmaris Glyphon - [Untitled.htm]"},
                      CaptionCase{"path", "/home/user/site/index.html",
                                  "Velmaris Glyphon - [/home/user/site/index.html]"},
                      CaptionCase{"modifiedMarker", "/tmp/[*]odd.htm",
                                  "Velmaris Glyphon - [/tmp/[*]odd.htm]"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StatusPanels, AreFoundAgainInTheOrderAdded) {
    QStatusBar bar;
    QLabel* first = AddStatusPanel(&bar, 100);
    QLabel* second = AddStatusPanel(&bar, 150);
    bar.addWidget(new QLabel("not a panel"));
    EXPECT_EQ(StatusPanelCount(&bar), 2);
    EXPECT_EQ(StatusPanel(&bar, 0), first);
    EXPECT_EQ(StatusPanel(&bar, 1), second);
    EXPECT_EQ(StatusPanel(&bar, 2), nullptr);
    EXPECT_EQ(StatusPanel(&bar, -1), nullptr);
    EXPECT_EQ(second->width(), 150);
}

TEST(StatusPanels, TheFirstPanelTakesTheWidthTheOthersLeave) {
    QMainWindow window;
    QStatusBar* bar = window.statusBar();
    QLabel* name = AddStatusPanel(bar, 50);
    QLabel* position = AddStatusPanel(bar, 150);
    QLabel* mode = AddStatusPanel(bar, 80);
    name->setText("/a/very/long/path/name/that/does/not/fit/into/the/room/left/for/it.htm");
    window.resize(600, 300);
    window.show();
    FitFirstStatusPanel(bar);
    EXPECT_EQ(name->maximumWidth(), bar->width() - 230);
    QTest::qWait(0);
    bar->layout()->activate();
    EXPECT_EQ(position->width(), 150);
    EXPECT_EQ(mode->width(), 80);
    EXPECT_LE(name->geometry().right(), position->geometry().left());
    EXPECT_LE(mode->geometry().right(), bar->width());
    // The bar's size grip, margins and spacing take their share, nothing else.
    EXPECT_GE(name->width(), bar->width() - 230 - 50);

    window.resize(200, 300);
    QTest::qWait(0);
    FitFirstStatusPanel(bar);
    EXPECT_EQ(name->maximumWidth(), 0) << "never less than nothing";
}
