#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/CommandLine.h"
#include "common/Paths.h"
#include "htmltools/TFormSpelling.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class SpellingCommands : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(ProgramFilePath("english.txt"), "the\nworld\npage\n");
        QFile::remove(UserDictionaryPath());
        spelling_ = std::make_unique<TFormSpelling>();
        SetCommandLineArgs({"glyphon"});
        form_ = std::make_unique<TFormGlyphon>();
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->DocumentFileName.isEmpty(); }, 5000));
    }

    void Open(const QByteArray& bytes) {
        const QString path = TestEnvironment::Root() + "/page.htm";
        WriteFile(path, bytes);
        ASSERT_TRUE(RunCommand([&] { form_->OpenDocument(path, false); }));
    }

    // Runs "Check Spelling..." from the Edit menu with Steps done in the dialog.
    void CheckSpelling(const std::function<void(TFormSpelling&)>& steps) {
        QObject context;
        QTimer::singleShot(0, &context, [&] { steps(*spelling_); });
        form_->ClickMenuItem(form_->MICheckSpelling);
    }

    std::unique_ptr<TFormSpelling> spelling_;
    std::unique_ptr<TFormGlyphon> form_;
};

TEST_F(SpellingCommands, CorrectionsKeepEveryOtherCharacterAndUndoAtOnce) {
    Open(
        "<p>caf\xC3\xA9 na\xC3\xAFve \xE2\x82\xAC teh\r\nTeh wrld</p>\r\n<img alt=\"wrongg\">\r\n");
    const QString before = form_->GlyphEdit.Text();
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    QStringList shown;
    CheckSpelling([&](TFormSpelling& f) {
        const auto next = [&](QPushButton* button, const QString& changeTo = {}) {
            shown << f.EditNotInDictionary->text();
            if (!changeTo.isEmpty())
                f.EditChangeTo->setText(changeTo);
            button->click();
        };
        next(f.ButtonAdd);                   // caf, of café
        next(f.ButtonIgnore);                // nave, of naïve
        next(f.ButtonChangeAll, "the");      // teh and Teh
        next(f.ButtonChange, "wonderworld"); // wrld
    });
    EXPECT_EQ(shown, (QStringList{"caf", "nave", "teh", "wrld"}));
    EXPECT_EQ(spelling_->windowTitle(), "Velmaris Glyphon - [" + form_->DocumentFileName + "]");
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "Spell checking is complete.");
    EXPECT_EQ(form_->GlyphEdit.Lines().Lines(),
              (QStringList{QString::fromUtf8("<p>café naïve € the"), "the wonderworld</p>",
                           "<img alt=\"wrongg\">"}));
    EXPECT_TRUE(form_->GlyphEdit.Modified());
    form_->GlyphEdit.Undo();
    EXPECT_EQ(form_->GlyphEdit.Text(), before);
    EXPECT_FALSE(form_->GlyphEdit.UndoAvailable());
}

TEST_F(SpellingCommands, PageWithoutErrorsIsLeftAlone) {
    Open("<script>var teh;</script><!-- wrld --><img alt=\"wrongg\" title='zork'>the page\r\n");
    const QString before = form_->GlyphEdit.Text();
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    EXPECT_TRUE(form_->MICheckSpelling->isEnabled());
    form_->ClickMenuItem(form_->MICheckSpelling);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "The HTML source contains no spelling errors.");
    EXPECT_EQ(form_->GlyphEdit.Text(), before);
    EXPECT_FALSE(form_->GlyphEdit.Modified());
    EXPECT_FALSE(form_->GlyphEdit.UndoAvailable());
}

} // namespace
