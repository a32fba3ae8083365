// "Edit Highlighting..." through the main window: which highlighter it edits, when it is
// offered, and that accepted colours stay when the window reads the stored colours again.
#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "highlight/TColorGrid.h"
#include "highlight/TFormGlyphCustomHighlighter.h"
#include "support/MainWindowStart.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class HighlightingCommands : public ::testing::Test {
protected:
    void TearDown() override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Velmaris", "GlyphEdit").clear();
    }
    QTemporaryDir dir;
    ScriptedPrompts prompts;

    QString File(const QString& name) {
        const QString path = dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("x\n");
        return path;
    }
};

TEST_F(HighlightingCommands, OfferedForEveryLanguageButPlainText) {
    const struct {
        const char* Name;
        bool Enabled;
        QString Caption;
    } cases[] = {{"page.htm", true, "Highlighting Colours - HTML"},
                 {"main.cpp", true, "Highlighting Colours - C++"},
                 {"site.js", true, "Highlighting Colours - Javascript"},
                 {"notes.txt", false, ""},
                 {"README", false, ""}};
    auto form = StartMainWindow();
    for (const auto& c : cases) {
        form->OpenDocument(File(c.Name), false);
        form->ClickMenuItem(form->MIEdit->menuAction());
        EXPECT_EQ(form->MIEditHighlighting->isEnabled(), c.Enabled) << c.Name;
        if (!c.Enabled)
            continue;
        prompts.AnswerDialog([&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), c.Caption) << c.Name;
            return int(QDialog::Rejected);
        });
        form->ClickMenuItem(form->MIEditHighlighting);
        EXPECT_EQ(prompts.PendingAnswers(), 0) << c.Name;
    }
}

// The window reads the stored colours whenever it becomes active; a colour accepted in the
// dialog is still there afterwards, one cancelled is gone.
TEST_F(HighlightingCommands, AcceptedColoursSurviveTheNextActivation) {
    for (const int result : {int(QDialog::Accepted), int(QDialog::Rejected)}) {
        auto form = StartMainWindow();
        TGlyphHighlighterAttributes* asp = form->GlyphHTMLHighlighter().AspAttri();
        const TGlyphColor before = asp->Foreground();
        prompts.AnswerDialog([&](QDialog& dialog) {
            auto& colours = static_cast<TFormGlyphCustomHighlighter&>(dialog);
            EXPECT_EQ(colours.ListBox->currentItem()->text(), "Asp");
            colours.ColorGrid->SetForegroundIndex(13);
            EXPECT_EQ(asp->Foreground(), TColorGrid::CellColour(13));
            return result;
        });
        form->ClickMenuItem(form->MIEditHighlighting);
        form->FormActivate();
        EXPECT_EQ(asp->Foreground(),
                  result == QDialog::Accepted ? TColorGrid::CellColour(13) : before);
        TearDown();
    }
}

} // namespace
