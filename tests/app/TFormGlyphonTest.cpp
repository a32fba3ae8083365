#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/CommandLine.h"
#include "common/DockLayout.h"
#include "common/SettingsIni.h"
#include "editor/TGlyphEditView.h"
#include "highlight/GlyphHighlightScan.h"
#include "highlight/GlyphHighlighterColours.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray NumberedLines(int count) {
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    return text;
}

// Starts the window as the program does: command line first, then the window, shown and
// painted once.
std::unique_ptr<TFormGlyphon> StartWith(const QStringList& args) {
    SetCommandLineArgs(QStringList{"glyphon"} + args);
    auto form = std::make_unique<TFormGlyphon>();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    return form;
}

bool HtmlCommandsVisible(TFormGlyphon& form) {
    bool all = form.MIInsert->menuAction()->isVisible();
    for (QAction* item :
         {form.TBStyleItem, form.TBSizeItem, form.TBBold, form.TBItalic, form.TBUnderline,
          form.TBStrikeout, form.TBLeft, form.TBCenter, form.TBRight})
        all = all && item->isVisible();
    return all;
}

class FormGlyphon : public ::testing::Test {
protected:
    void TearDown() override {
        QFile::setPermissions(TestEnvironment::ProgramDir(), QFileDevice::ReadOwner |
                                                                 QFileDevice::WriteOwner |
                                                                 QFileDevice::ExeOwner);
        QFile::remove(TestEnvironment::SettingsPath());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Velmaris", "Velmaris Glyphon")
            .clear();
    }
};

} // namespace

TEST_F(FormGlyphon, StartWithoutArgumentsShowsANewHtmlDocument) {
    auto form = StartWith({});
    EXPECT_EQ(form->DocumentFileName, "Untitled.htm");
    EXPECT_EQ(form->windowTitle(), "Velmaris Glyphon - [Untitled.htm]");
    EXPECT_EQ(form->TabSet->count(), 1);
    EXPECT_EQ(form->TabSet->tabText(0), "Untitled.htm");
    EXPECT_EQ(StatusPanel(form->StatusBar, 0)->text(), "Untitled.htm");
    EXPECT_EQ(form->CurrentHighlighter(), &form->GlyphHTMLHighlighter());
    EXPECT_TRUE(HtmlCommandsVisible(*form));
    EXPECT_FALSE(form->GlyphEdit.Modified());
}

TEST_F(FormGlyphon, CommandLineCaretOptions) {
    QTemporaryDir dir;
    const QString file = WriteFile(dir, "notes.txt", NumberedLines(30));
    const QString dashed = WriteFile(dir, "-x.htm", NumberedLines(3));
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    struct {
        const char* what;
        QStringList args;
        QString document;
        int caretX;
        int caretY;
    } cases[] = {
        {"only options: New, line clamped, column kept",
         {"-CaretY", "40", "-CaretX", "5"},
         "Untitled.htm",
         5,
         1},
        {"file and CaretY", {file, "-CaretY", "12"}, file, 1, 12},
        {"lower-case option name", {file, "-caretx", "3"}, file, 3, 1},
        {"value that is not a number", {file, "-CaretY", "x12"}, file, 1, 1},
        {"option without value", {file, "-CaretY"}, file, 1, 1},
        {"a name beginning with a dash after --", {"-CaretY", "2", "--", "-x.htm"}, dashed, 1, 2},
        {"no option after --", {"--", "-x.htm", "-CaretY", "2"}, dashed, 1, 1},
    };
    for (const auto& c : cases) {
        auto form = StartWith(c.args);
        EXPECT_EQ(form->DocumentFileName, c.document) << c.what;
        EXPECT_EQ(form->GlyphEdit.CaretX(), c.caretX) << c.what;
        EXPECT_EQ(form->GlyphEdit.CaretY(), c.caretY) << c.what;
    }
    QDir::setCurrent(workingFolder);
}

TEST_F(FormGlyphon, AFileFromTheCommandLineOpensWithItsText) {
    QTemporaryDir dir;
    const QString file = WriteFile(dir, "page.html", "<p>one</p>\n<p>two</p>\n");
    auto form = StartWith({file});
    EXPECT_EQ(form->DocumentFileName, file);
    EXPECT_EQ(form->windowTitle(), "Velmaris Glyphon - [" + file + "]");
    EXPECT_EQ(form->TabSet->tabText(0), "page.html");
    EXPECT_EQ(form->GlyphEdit.Lines().Lines(), (QStringList{"<p>one</p>", "<p>two</p>"}));
    EXPECT_EQ(form->CurrentHighlighter(), &form->GlyphHTMLHighlighter());
}

TEST_F(FormGlyphon, AFileThatCannotBeOpenedLeavesAnEmptyUntitledWindow) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    SetCommandLineArgs({"glyphon", "/no/such/folder/page.htm", "-CaretY", "3"});
    TFormGlyphon form;
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.Records().size() == 1; }, 5000));
    EXPECT_EQ(prompts.Records()[0].Caption, "Velmaris Glyphon");
    EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(prompts.Records()[0].Text.contains("/no/such/folder/page.htm"));
    EXPECT_EQ(form.DocumentFileName, QString());
    EXPECT_EQ(form.windowTitle(), "Velmaris Glyphon");
    EXPECT_EQ(form.GlyphEdit.CaretY(), 1) << "the rest of the first paint is skipped";
}

// Notes what the editor's first paint found: the document and the prompts shown so far.
class TFirstPaintSpy : public QObject {
public:
    TFirstPaintSpy(TFormGlyphon& form, const ScriptedPrompts& prompts)
        : form_(form), prompts_(prompts) {
        form.GlyphEditView->viewport()->installEventFilter(this);
    }
    bool Painted = false;
    QString Document;
    qsizetype Prompts = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Painted) {
            Painted = true;
            Document = form_.DocumentFileName;
            Prompts = prompts_.Records().size();
        }
        return false;
    }

private:
    TFormGlyphon& form_;
    const ScriptedPrompts& prompts_;
};

// A file that opens without a question is open when the editor first paints, so no paint of an
// empty editor comes first; a question or an error box comes over the painted window.
TEST_F(FormGlyphon, TheFirstPaintShowsTheFileAndPromptsComeAfterIt) {
    QTemporaryDir dir;
    const QString page = WriteFile(dir, "page.html", "<p>one</p>\n");
    const QString large = dir.filePath("large.txt");
    QFile sparse(large);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(300 * 1024 * 1024));
    sparse.close();
    struct {
        const char* what;
        QString file;
        QMessageBox::StandardButton answer; // NoButton: nothing is asked
        QString documentAtFirstPaint;
    } cases[] = {
        {"a file that opens at once", page, QMessageBox::NoButton, page},
        {"a file that cannot be read", "/no/such/folder/page.htm", QMessageBox::Ok, ""},
        {"a large file, which asks first", large, QMessageBox::No, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts prompts;
        if (c.answer != QMessageBox::NoButton)
            prompts.AnswerButton(c.answer);
        SetCommandLineArgs({"glyphon", c.file});
        TFormGlyphon form;
        const TFirstPaintSpy spy(form, prompts);
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return spy.Painted; }, 5000));
        EXPECT_EQ(spy.Document, c.documentAtFirstPaint);
        EXPECT_EQ(spy.Prompts, 0);
        if (c.answer != QMessageBox::NoButton) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return prompts.Records().size() == 1; }, 5000));
        }
    }
}

TEST_F(FormGlyphon, CloseQueryAnswers) {
    struct {
        const char* what;
        QMessageBox::StandardButton answer;
        bool closes;
    } cases[] = {
        {"Cancel keeps the window", QMessageBox::Cancel, false},
        {"No drops the changes", QMessageBox::No, true},
        {"Yes without a completed save keeps the window", QMessageBox::Yes, false},
    };
    for (const auto& c : cases) {
        auto form = StartWith({});
        form->GlyphEdit.RunCommand(ecChar, QChar('x'));
        ASSERT_TRUE(form->GlyphEdit.Modified());
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.answer);
        // Yes saves the untitled document through Save As; its dialog is cancelled.
        const bool saves = c.answer == QMessageBox::Yes;
        if (saves)
            prompts.CancelFile();
        EXPECT_EQ(form->close(), c.closes) << c.what;
        ASSERT_EQ(prompts.Records().size(), saves ? 2 : 1) << c.what;
        if (saves) {
            EXPECT_EQ(prompts.Records()[1].Kind, ScriptedPrompts::TKind::SaveFile);
        }
        EXPECT_EQ(
            prompts.Records()[0].Text,
            "The file \"Untitled.htm\" has been changed.\r\rDo you want to save the changes?");
        EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Warning);
        EXPECT_EQ(prompts.Records()[0].Buttons,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(form->GlyphEdit.Text(), "x\r\n") << c.what << ": the text is intact";
    }
}

TEST_F(FormGlyphon, UnmodifiedDocumentClosesWithoutAQuestion) {
    auto form = StartWith({});
    ScriptedPrompts prompts;
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(prompts.Records().isEmpty());
}

TEST_F(FormGlyphon, HighlighterFollowsTheExtension) {
    QTemporaryDir dir;
    auto form = StartWith({});
    struct {
        QString name;
        TGlyphCustomHighlighter* expected;
        bool htmlCommands;
    } cases[] = {
        {"page.HTML", &form->GlyphHTMLHighlighter(), true},
        {"page.shtml", &form->GlyphGeneralHighlighter(), false},
        {"script.inc", &form->GlyphPHPHighlighter(), true}, // a PHP file is an HTML page
        {"header.h", &form->GlyphCppHighlighter(), false},
        {"style.css", &form->GlyphCssHighlighter(), false},
        {"App.java", &form->GlyphJavaHighlighter(), false},
        {"run.js", &form->GlyphJScriptHighlighter(), false},
        {"tool.pl", &form->GlyphPerlHighlighter(), false},
        {"macro.vbs", &form->GlyphVBScriptHighlighter(), false},
        {"Makefile", &form->GlyphGeneralHighlighter(), false},
        {"notes.txt", &form->GlyphGeneralHighlighter(), false},
        {"index.htm", &form->GlyphHTMLHighlighter(), true},
    };
    for (const auto& c : cases) {
        form->OpenDocument(WriteFile(dir, c.name, "text\n"), false);
        EXPECT_EQ(form->CurrentHighlighter(), c.expected) << c.name.toStdString();
        EXPECT_EQ(HtmlCommandsVisible(*form), c.htmlCommands) << c.name.toStdString();
        EXPECT_EQ(form->GlyphEditView->Highlighter(), c.expected) << c.name.toStdString();
    }
}

TEST_F(FormGlyphon, SelectingAHighlighterSnapshotsDefaultsOnceAndReloadsUserColours) {
    auto form = StartWith({});
    EXPECT_EQ(form->CreatedHighlighter(glCpp), nullptr);
    // Made at first need, with its defaults snapshotted then.
    TGlyphCppHighlighter& cpp = form->GlyphCppHighlighter();
    const TGlyphColor builtIn = cpp.StandardAttribute(0)->Foreground();
    EXPECT_EQ(cpp.Tag(), 1);
    form->SelectHighlighter(&cpp);
    EXPECT_EQ(cpp.Tag(), 1);

    // Colours the user stored are read at every selection.
    cpp.StandardAttribute(0)->SetForeground(0x00123456);
    ASSERT_TRUE(SaveUserColours(cpp, "TGlyphCppHighlighter"));
    cpp.StandardAttribute(0)->SetForeground(builtIn);
    form->SelectHighlighter(&form->GlyphHTMLHighlighter());
    form->SelectHighlighter(&cpp);
    EXPECT_EQ(cpp.StandardAttribute(0)->Foreground(), 0x00123456u);

    // The snapshot holds the colours from before the first load.
    ASSERT_TRUE(LoadDefaultColours(cpp, "TGlyphCppHighlighter"));
    EXPECT_EQ(cpp.StandardAttribute(0)->Foreground(), builtIn);
}

TEST_F(FormGlyphon, NewIsEnabledOnlyForAChangedOrNonEmptyDocument) {
    auto form = StartWith({});
    form->ClickMenuItem(form->MIFile->menuAction());
    EXPECT_FALSE(form->MINew->isEnabled());
    form->GlyphEdit.RunCommand(ecChar, QChar('a'));
    form->ClickMenuItem(form->MIFile->menuAction());
    EXPECT_TRUE(form->MINew->isEnabled());

    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::No);
    form->ClickMenuItem(form->MINew);
    EXPECT_EQ(form->GlyphEdit.Text(), QString());
    EXPECT_FALSE(form->GlyphEdit.Modified());
    EXPECT_EQ(form->DocumentFileName, "Untitled.htm");
}

// Steps: t types a character, u undoes, s saves.
TEST_F(FormGlyphon, CaptionAndStatusBarMarkUnsavedChangesFromTheSavePoint) {
    const struct {
        const char* steps;
        bool modified;
    } cases[] = {{"", false},   {"t", true},     {"tu", false}, {"ts", false},
                 {"tst", true}, {"tstu", false}, {"tsu", true}, {"tsus", false}};
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        auto form = StartWith({});
        for (const char step : std::string(c.steps)) {
            if (step == 't')
                form->GlyphEdit.RunCommand(ecChar, QChar('a'));
            else if (step == 'u')
                form->GlyphEdit.RunCommand(ecUndo, QChar());
            else
                form->SaveDocumentTo(dir.filePath("page.htm"));
        }
        EXPECT_EQ(form->windowTitle().endsWith(" *"), c.modified)
            << form->windowTitle().toStdString();
        EXPECT_EQ(StatusPanel(form->StatusBar, TFormGlyphon::ModifiedPanel)->text(),
                  c.modified ? "Modified" : "");
    }
}

TEST_F(FormGlyphon, ClickMenuItemRunsOnlyEnabledVisibleItems) {
    auto form = StartWith({});
    form->GlyphEdit.SetText("typed");
    form->GlyphEdit.SetModified(false);
    form->MINew->setEnabled(false);
    // The File menu's opening handler enables New again before it runs.
    form->ClickMenuItem(form->MINew);
    EXPECT_EQ(form->GlyphEdit.Text(), QString());
    form->ClickMenuItem(form->MIUpgrade); // disabled without an updater: nothing happens
    EXPECT_EQ(form->DocumentFileName, "Untitled.htm");
}

TEST_F(FormGlyphon, ViewTogglesAndTheirCheckMarks) {
    auto form = StartWith({});
    form->ClickMenuItem(form->MIView->menuAction());
    EXPECT_TRUE(form->MIViewStatusBar->isChecked());
    EXPECT_TRUE(form->MIViewToolbar->isChecked());
    EXPECT_TRUE(form->MIViewGutter->isChecked());

    form->ClickMenuItem(form->MIViewStatusBar);
    EXPECT_TRUE(form->StatusBar->isHidden());
    EXPECT_TRUE(form->PanelBottom->isHidden()) << "the tab strip goes with the status bar";
    form->ClickMenuItem(form->MIViewToolbar);
    EXPECT_TRUE(form->TBToolbarToolbar->isHidden());
    form->ClickMenuItem(form->MIViewGutter);
    EXPECT_FALSE(form->GlyphEditView->Gutter().Visible());

    form->ClickMenuItem(form->MIView->menuAction());
    EXPECT_FALSE(form->MIViewStatusBar->isChecked());
    EXPECT_FALSE(form->MIViewToolbar->isChecked());
    EXPECT_FALSE(form->MIViewGutter->isChecked());

    form->ClickMenuItem(form->MIViewStatusBar);
    EXPECT_FALSE(form->StatusBar->isHidden());
    EXPECT_FALSE(form->PanelBottom->isHidden());
}

TEST_F(FormGlyphon, StayOnTopFollowsItsCheckMark) {
    auto form = StartWith({});
    form->ClickMenuItem(form->MIStayOnTop);
    EXPECT_TRUE(form->MIStayOnTop->isChecked());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->isVisible());
    form->ClickMenuItem(form->MIStayOnTop);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(FormGlyphon, LayoutAndWindowStateSurviveARestart) {
    {
        auto form = StartWith({});
        form->ClickMenuItem(form->MIViewToolbar);
        form->ClickMenuItem(form->MIViewStatusBar);
        form->ClickMenuItem(form->MIViewGutter);
        QFont font("DejaVu Sans Mono", 14);
        form->GlyphEditView->setFont(font);
        form->resize(700, 500);
        EXPECT_TRUE(form->close());
    }
    TIniFile ini(TestEnvironment::SettingsPath());
    EXPECT_EQ(ini.ReadInteger("TFormGlyphonTBToolbarToolbar", "Rev"), 2000);
    EXPECT_EQ(ini.ReadInteger("TFormGlyphonTBToolbarToolbar", "Visible", 1), 0);
    EXPECT_EQ(ini.ReadString("TFormGlyphonTBToolbarToolbar", "DockedTo"), "TBDockTop");
    EXPECT_EQ(ini.ReadInteger("TFormGlyphonTBToolbarMainMenu", "Rev"), 2000);

    auto form = StartWith({});
    EXPECT_TRUE(form->TBToolbarToolbar->isHidden());
    EXPECT_TRUE(form->StatusBar->isHidden());
    EXPECT_TRUE(form->PanelBottom->isHidden());
    EXPECT_FALSE(form->GlyphEditView->Gutter().Visible());
    EXPECT_EQ(form->GlyphEditView->font().pointSize(), 14);
    EXPECT_EQ(form->size(), QSize(700, 500));
}

TEST_F(FormGlyphon, ALayoutSectionOfAnotherRevisionIsIgnored) {
    {
        TIniFile ini(TestEnvironment::SettingsPath());
        ini.WriteInteger("TFormGlyphonTBToolbarToolbar", "Rev", 1999);
        ini.WriteInteger("TFormGlyphonTBToolbarToolbar", "Visible", 0);
    }
    auto form = StartWith({});
    EXPECT_FALSE(form->TBToolbarToolbar->isHidden());
}

TEST_F(FormGlyphon, ExitSavesTheHighlighterColours) {
    {
        auto form = StartWith({});
        form->GlyphCssHighlighter().StandardAttribute(3)->SetForeground(0x00ABCDEF);
        EXPECT_TRUE(form->close());
    }
    TGlyphCssHighlighter css;
    ASSERT_TRUE(LoadUserColours(css, "TGlyphCssHighlighter"));
    EXPECT_EQ(css.StandardAttribute(3)->Foreground(), 0x00ABCDEFu);
}

// The token of line `y` (0-based) of the document that holds offset `x`, as the editor reads it.
TGlyphToken TokenAt(TFormGlyphon& form, int y, int x) {
    const TGlyphScannedLine line =
        ScanLine(*form.CurrentHighlighter(), form.GlyphEdit.Lines().GetLine(y), y,
                 form.GlyphEdit.Lines().RangeState(y));
    for (const TGlyphToken& token : line.Tokens) {
        if (x >= token.Start && x < token.Start + token.Length)
            return token;
    }
    return {};
}

// A highlighter is made when first needed: none before the first paint, then the document's
// language and the languages its page holds. The user's stored colours apply to one made late,
// and one never made keeps them through the save at exit.
TEST_F(FormGlyphon, HighlightersAreMadeAtFirstNeedWithTheStoredColours) {
    TGlyphPerlHighlighter perl;
    perl.StandardAttribute(SYN_ATTR_COMMENT)->SetForeground(0x00112233);
    ASSERT_TRUE(SaveUserColours(perl, "TGlyphPerlHighlighter"));
    {
        SetCommandLineArgs({"glyphon"});
        TFormGlyphon unpainted;
        for (const TGlyphLanguageEntry& language : GlyphLanguageCatalogue())
            EXPECT_EQ(unpainted.CreatedHighlighter(language.Id), nullptr) << language.Name;
    }
    QTemporaryDir dir;
    const QString page =
        WriteFile(dir, "page.htm", "<p>text</p>\n<style>p { color: red }</style>\n");
    const int color = QString("<style>p { ").size();
    {
        auto form = StartWith({page});
        form->GlyphEditView->viewport()->repaint();
        ASSERT_NE(form->CreatedHighlighter(glCss), nullptr) << "the page's style sheet";
        EXPECT_EQ(form->CreatedHighlighter(glJScript), nullptr) << "the page has no script";
        EXPECT_EQ(form->CreatedHighlighter(glPerl), nullptr);
        TGlyphHighlighterAttributes* drawnWith = TokenAt(*form, 1, color).Attribute;
        ASSERT_NE(drawnWith, nullptr);
        ASSERT_EQ(form->GlyphCssHighlighter().AttributeByName(drawnWith->Name()), drawnWith);
        drawnWith->SetForeground(0x00ABCDEF);
        EXPECT_TRUE(form->close());
    }
    {
        auto form = StartWith({page});
        form->GlyphEditView->viewport()->repaint();
        const TGlyphHighlighterAttributes* drawnWith = TokenAt(*form, 1, color).Attribute;
        ASSERT_NE(drawnWith, nullptr);
        EXPECT_EQ(drawnWith->Foreground(), 0x00ABCDEFu) << "the colour is kept across a restart";
        EXPECT_TRUE(form->close());
    }
    TGlyphPerlHighlighter stored;
    ASSERT_TRUE(LoadUserColours(stored, "TGlyphPerlHighlighter"));
    EXPECT_EQ(stored.StandardAttribute(SYN_ATTR_COMMENT)->Foreground(), 0x00112233u);
}

TEST_F(FormGlyphon, ScannerStatesFollowTheScreenNotTheFile) {
    QTemporaryDir dir;
    QByteArray page = "<!-- a comment that runs\n";
    for (int i = 0; i < 20000; ++i)
        page += "<p class=\"x\">line " + QByteArray::number(i) + "</p> -->\n";
    const QString file = WriteFile(dir, "long.htm", page);
    auto form = StartWith({file});
    form->GlyphEditView->viewport()->repaint();
    EXPECT_LT(form->GlyphEditHighlighting.ValidUpTo(), 1000) << "opening scans the first screen";

    form->GlyphEdit.SetCaretXY({1, form->GlyphEdit.LineCount()});
    form->GlyphEditView->viewport()->repaint();
    const int last = form->GlyphEdit.LineCount() - 1;
    EXPECT_EQ(form->GlyphEditHighlighting.ValidUpTo(), last) << "painting the end scans to it";
    const auto full = ScanLineStates(form->GlyphHTMLHighlighter(), form->GlyphEdit.Lines().Lines());
    for (int i = last - 50; i <= last; ++i)
        ASSERT_EQ(form->GlyphEdit.Lines().RangeState(i), full[i]) << "line " << i;
}

// The engine tests configure editors of their own; this is the editor the user types in.
TEST_F(FormGlyphon, TheEditorHasTheMainWindowsSettings) {
    auto form = StartWith({});
    const TGlyphEdit& edit = form->GlyphEdit;
    EXPECT_EQ(edit.Options(),
              TGlyphEditorOptions(eoAutoIndent | eoDragDropEditing | eoRightMouseMovesCursor |
                                  eoScrollPastEol | eoShowScrollHint | eoTabsToSpaces |
                                  eoTrimTrailingSpaces));
    EXPECT_EQ(edit.TabWidth(), 2);
    EXPECT_TRUE(edit.WantTabs());

    const TGlyphEditKeyStrokes& keys = edit.Keystrokes();
    EXPECT_EQ(keys.Count(), 80);
    const struct {
        QKeyCombination key;
        TGlyphEditorCommand command;
    } strokes[] = {
        {Qt::ControlModifier | Qt::Key_Right, ecWordRight},
        {Qt::ControlModifier | Qt::Key_T, ecDeleteWord},
        {Qt::ControlModifier | Qt::Key_Backspace, ecDeleteLastWord},
        {Qt::ControlModifier | Qt::Key_M, ecLineBreak},
        // Shift+Enter inserts a line-break tag in the window; Ctrl+F1 has no handler.
        {Qt::ShiftModifier | Qt::Key_Return, ecNone},
        {Qt::ControlModifier | Qt::Key_F1, ecNone},
    };
    for (const auto& s : strokes)
        EXPECT_EQ(keys.FindKeycode(s.key), s.command)
            << QKeySequence(s.key).toString().toStdString();

    // Without group undo every typed character and every paste is a step of its own.
    QTest::keyClicks(form->GlyphEditView, "hello");
    QTest::keyClick(form->GlyphEditView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit.LineText(1), "hell");
    QGuiApplication::clipboard()->setText("ab");
    QTest::keyClick(form->GlyphEditView, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(form->GlyphEditView, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(form->GlyphEditView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit.LineText(1), "hellab");
}

// Word movement and word deletion follow the word characters of the document's highlighter.
TEST_F(FormGlyphon, WordKeysFollowTheDocumentsHighlighter) {
    QTemporaryDir dir;
    struct {
        const char* file;
        QByteArray text;
        TBufferCoord caret;
        QKeyCombination key;
        QString line;
        int caretX;
    } cases[] = {
        {"page.htm",
         "<p>Hello world</p>",
         {1, 1},
         Qt::ControlModifier | Qt::Key_Right,
         "<p>Hello world</p>",
         2},
        {"page.htm",
         "<p>Hello world</p>",
         {4, 1},
         Qt::ControlModifier | Qt::Key_Left,
         "<p>Hello world</p>",
         2},
        {"page.htm",
         "<p>Hello world</p>",
         {1, 1},
         Qt::ControlModifier | Qt::Key_T,
         "p>Hello world</p>",
         1},
        {"page.htm",
         "<p>Hello world</p>",
         {4, 1},
         Qt::ControlModifier | Qt::Key_Backspace,
         "<Hello world</p>",
         2},
        // The window's plain-text highlighter takes every printable character for a word one.
        {"notes.txt",
         "<p>Hello world</p>",
         {1, 1},
         Qt::ControlModifier | Qt::Key_Right,
         "<p>Hello world</p>",
         10},
        {"script.pl", "$name = 1", {1, 1}, Qt::ControlModifier | Qt::Key_Right, "$name = 1", 9},
        {"page.htm", "$name = 1", {1, 1}, Qt::ControlModifier | Qt::Key_Right, "$name = 1", 2},
    };
    for (const auto& c : cases) {
        auto form = StartWith({WriteFile(dir, c.file, c.text)});
        form->GlyphEdit.SetCaretXY(c.caret);
        QTest::keyClick(form->GlyphEditView, c.key.key(), c.key.keyboardModifiers());
        const QString what = QKeySequence(c.key).toString() + " in " + c.file;
        EXPECT_EQ(form->GlyphEdit.LineText(1), c.line) << what.toStdString();
        EXPECT_EQ(form->GlyphEdit.CaretX(), c.caretX) << what.toStdString();
    }
}
