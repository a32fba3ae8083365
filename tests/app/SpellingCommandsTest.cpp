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
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(SpellingCommands, CorrectionsKeepEveryOtherCharacterAndUndoAtOnce) {
    WriteFile(ProgramFilePath("english.txt"), "the\nworld\n");
    const QString page = TestEnvironment::Root() + "/page.htm";
    WriteFile(
        page,
        "<p>caf\xC3\xA9 na\xC3\xAFve \xE2\x82\xAC teh\r\nTeh wrld</p>\r\n<img alt=\"wrongg\">\r\n");
    TFormSpelling spelling;
    SetCommandLineArgs({"glyphon", page});
    TFormGlyphon form;
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.DocumentFileName == page; }, 5000));
    const QString before = form.GlyphEdit.Text();

    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    QStringList shown;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        const auto next = [&](QPushButton* button, const QString& changeTo = {}) {
            shown << spelling.EditNotInDictionary->text();
            if (!changeTo.isEmpty())
                spelling.EditChangeTo->setText(changeTo);
            button->click();
        };
        next(spelling.ButtonAdd);                   // caf, of café
        next(spelling.ButtonIgnore);                // nave, of naïve
        next(spelling.ButtonChangeAll, "the");      // teh and Teh
        next(spelling.ButtonChange, "wonderworld"); // wrld
    });
    form.ClickMenuItem(form.MICheckSpelling);
    EXPECT_EQ(shown, (QStringList{"caf", "nave", "teh", "wrld"}));
    EXPECT_EQ(spelling.windowTitle(), "Velmaris Glyphon - [" + page + "]");
    EXPECT_EQ(prompts.Records().value(0).Text, "Spell checking is complete.");
    EXPECT_EQ(form.GlyphEdit.Lines().Lines(),
              (QStringList{QString::fromUtf8("<p>café naïve € the"), "the wonderworld</p>",
                           "<img alt=\"wrongg\">"}));
    form.GlyphEdit.Undo();
    EXPECT_EQ(form.GlyphEdit.Text(), before);
    EXPECT_FALSE(form.GlyphEdit.UndoAvailable());
}

} // namespace
