#include "htmltools/TFormSpelling.h"

#include "common/AppHelpers.h"
#include "common/Paths.h"
#include "common/TEmbeddedWB.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the user does in the dialog; Text is what goes into "Change To" first, or the
// suggestion picked.
struct TAction {
    enum TKind { Ignore, Change, ChangeAll, Add, Pick, OK, Cancel } Kind;
    QString Text = {};
};

// The dialog as the user sees it at one word: the word, what the source shows selected,
// "Change To", the suggestions and whether Change can be pressed.
QString Seen(const TFormSpelling& form) {
    QStringList suggestions;
    for (int i = 0; i < form.ListView->count(); ++i)
        suggestions << form.ListView->item(i)->text();
    return QString("%1 [%2] -> %3 {%4}%5")
        .arg(form.EditNotInDictionary->text(),
             form.RichEdit->textCursor().selectedText().replace(QChar::ParagraphSeparator, "|"),
             form.EditChangeTo->text(), suggestions.join(','),
             form.ButtonChange->isEnabled() ? " change" : "");
}

class SpellingDialog : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(ProgramFilePath("english.txt"), "a\nthe\ncat\nsat\non\nmat\nzap\n");
        QFile::remove(UserDictionaryPath());
        form_ = std::make_unique<TFormSpelling>();
    }

    // Runs CheckSpelling on Text doing Actions one by one while the dialog is up; returns the
    // dialog's views at each action.
    QStringList Run(QString& text, const QList<TAction>& actions, bool& result) {
        QStringList seen;
        QObject context;
        QTimer::singleShot(0, &context, [&] {
            for (const TAction& action : actions) {
                if (!form_->isVisible())
                    return;
                seen << Seen(*form_);
                Do(action);
            }
        });
        result = form_->CheckSpelling(text, "page.htm", true);
        return seen;
    }

    void Do(const TAction& action) {
        TFormSpelling& f = *form_;
        const auto change = [&](QPushButton* button) {
            f.EditChangeTo->setText(action.Text);
            button->click();
        };
        switch (action.Kind) {
        case TAction::Ignore:
            f.ButtonIgnore->click();
            break;
        case TAction::Change:
            change(f.ButtonChange);
            break;
        case TAction::ChangeAll:
            change(f.ButtonChangeAll);
            break;
        case TAction::Add:
            f.ButtonAdd->click();
            break;
        case TAction::Pick:
            f.ListView->setCurrentItem(f.ListView->findItems(action.Text, Qt::MatchExactly)[0]);
            f.ButtonChange->click();
            break;
        case TAction::OK:
            f.ButtonOK->click();
            break;
        case TAction::Cancel:
            f.ButtonCancel->click();
            break;
        }
    }

    std::unique_ptr<TFormSpelling> form_;
};

TEST_F(SpellingDialog, StepsThroughTheWords) {
    using A = TAction;
    const struct {
        const char* what;
        QString text;
        QList<TAction> actions;
        bool result;
        QString corrected;
        QStringList seen;
    } cases[] = {
        {"ignore on the last word finishes",
         "teh cat zat",
         {{A::Ignore}, {A::Ignore}},
         true,
         "teh cat zat",
         {"teh [teh] -> teh {the}", "zat [zat] -> zat {cat,mat,sat,zap}"}},
        {"OK in the middle applies what was changed",
         "teh cat zat",
         {{A::Change, "the"}, {A::OK}},
         true,
         "the cat zat",
         {"teh [teh] -> teh {the}", "zat [zat] -> zat {cat,mat,sat,zap}"}},
        {"longer, shorter and empty replacements keep later words selected",
         "<p>aaa\r\nbbbb ccc</p>\r\naa ee",
         {{A::Change, "xxxxxx"}, {A::Change, "y"}, {A::Change, ""}, {A::Pick, "a"}, {A::Ignore}},
         true,
         "<p>xxxxxx\r\ny </p>\r\na ee",
         {"aaa [aaa] -> aaa {}", "bbbb [bbbb] -> bbbb {}", "ccc [ccc] -> ccc {}",
          "aa [aa] -> aa {a}", "ee [ee] -> ee {}"}},
        {"Add skips the word's later occurrences",
         "zork cat Zork zat zork",
         {{A::Add}, {A::Ignore}},
         true,
         "zork cat Zork zat zork",
         {"zork [zork] -> zork {}", "zat [zat] -> zat {cat,mat,sat,zap}"}},
        {"Change All replaces any case from the current word on, as typed",
         "teh zat teh Teh TEH",
         {{A::Ignore}, {A::Ignore}, {A::ChangeAll, "the"}},
         true,
         "teh zat the the the",
         {"teh [teh] -> teh {the}", "zat [zat] -> zat {cat,mat,sat,zap}",
          "teh [teh] -> teh {the}"}},
        {"a replacement that is no word is shown again",
         "teh teh",
         {{A::ChangeAll, "thw"}, {A::Change, "the"}},
         true,
         "thw the",
         {"teh [teh] -> teh {the}", "thw [thw] -> thw {the}"}},
        {"Cancel applies nothing",
         "teh zat",
         {{A::Change, "the"}, {A::Cancel}},
         false,
         "teh zat",
         {"teh [teh] -> teh {the}", "zat [zat] -> zat {cat,mat,sat,zap}"}},
    };
    for (const auto& c : cases) {
        SetUp();
        ScriptedPrompts prompts;
        if (c.result)
            prompts.AnswerButton(QMessageBox::Ok);
        QString text = c.text;
        bool result = false;
        const QStringList seen = Run(text, c.actions, result);
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(text, c.corrected) << c.what;
        EXPECT_EQ(seen, c.seen) << c.what;
        if (c.result) {
            ASSERT_EQ(prompts.Records().size(), 1) << c.what;
            EXPECT_EQ(prompts.Records()[0].Text, "Spell checking is complete.") << c.what;
        }
        EXPECT_EQ(form_->windowTitle(), "Velmaris Glyphon - [page.htm]") << c.what;
    }
}

TEST_F(SpellingDialog, WordChangesSetTheButtons) {
    QString text = "zat";
    bool result = false;
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    QStringList states;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        TFormSpelling& f = *form_;
        const auto state = [&] {
            states << QString("%1%2%3 %4")
                          .arg(f.ButtonChange->isEnabled() ? "C" : "-")
                          .arg(f.ButtonChangeAll->isEnabled() ? "A" : "-")
                          .arg(f.ButtonSuggest->isEnabled() ? "S" : "-")
                          .arg(f.ListView->count());
        };
        state();
        const QLabel* panel = StatusPanel(f.StatusBar, 0);
        states << panel->text() << QString::number(panel->width() > f.width() / 2);
        f.EditChangeTo->setText("Zat");
        state();
        f.ButtonSuggest->click();
        state();
        f.EditChangeTo->setText("zat");
        state();
        f.ButtonOK->click();
    });
    result = form_->CheckSpelling(text, "", true);
    EXPECT_TRUE(result);
    EXPECT_EQ(states,
              (QStringList{"--- 4", "Not in Dictionary: zat", "1", "CAS 4", "CA- 4", "--S 4"}));
    EXPECT_EQ(form_->windowTitle(), "Velmaris Glyphon");
}

TEST_F(SpellingDialog, AddKeepsTheWordWhenTheFileCannotBeWritten) {
    // A folder where the file should be: no write can replace it.
    ASSERT_TRUE(QDir().mkpath(UserDictionaryPath()));
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok); // the error
    prompts.AnswerButton(QMessageBox::Ok); // the completion
    QString text = "zork zat zork";
    bool result = false;
    const QStringList seen = Run(text, {{TAction::Add}, {TAction::Ignore}}, result);
    QDir(UserDictionaryPath()).removeRecursively();
    EXPECT_TRUE(result);
    EXPECT_EQ(seen, (QStringList{"zork [zork] -> zork {}", "zat [zat] -> zat {cat,mat,sat,zap}"}));
    ASSERT_EQ(prompts.Records().size(), 2);
    EXPECT_EQ(prompts.Records()[0].Text, "Unable to write to " + UserDictionaryPath());
    // The word is kept for the run and written when the window goes.
    form_.reset();
    EXPECT_EQ(ReadFile(UserDictionaryPath()), "zork\r\n");
}

TEST_F(SpellingDialog, AddWritesTheUserDictionary) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    QString text = "Zork zat";
    bool result = false;
    Run(text, {{TAction::Add}, {TAction::Add}}, result);
    EXPECT_EQ(ReadFile(UserDictionaryPath()), "zat\r\nZork\r\n");
    // The next run of the program knows both words.
    form_ = std::make_unique<TFormSpelling>();
    prompts.AnswerButton(QMessageBox::Ok);
    EXPECT_FALSE(form_->CheckSpelling(text, "page.htm", true));
    EXPECT_EQ(prompts.Records().last().Text, "The HTML source contains no spelling errors.");
}

TEST_F(SpellingDialog, NothingToCorrectShowsOnlyAMessage) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    QString text = "<img alt='wrongg'><!-- teh --><script>var teh;</script><STYLE>p{colr:x}</style>"
                   "the cat";
    EXPECT_FALSE(form_->CheckSpelling(text, "page.htm", true));
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "The HTML source contains no spelling errors.");
    EXPECT_FALSE(form_->isVisible());
}

TEST_F(SpellingDialog, MissingMainDictionaryEndsTheProgram) {
    form_.reset();
    QFile::remove(ProgramFilePath("english.txt"));
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::No);
    form_ = std::make_unique<TFormSpelling>();
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text,
              "A required dictionary file is not installed. Would you like to install now?");
    EXPECT_EQ(prompts.Records()[0].Buttons, QMessageBox::Yes | QMessageBox::No);
    // The event loop ends as soon as it runs; the deadline only stops a loop that would not.
    QObject context;
    QTimer::singleShot(5000, &context, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

// Whether Script gives true on the page the preview shows.
bool PreviewAnswers(TEmbeddedWB& browser, const QString& script) {
    if (!browser.View())
        return false;
    bool answered = false;
    bool result = false;
    browser.View()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                          [&](const QVariant& value) {
                                              answered = true;
                                              result = value.toBool();
                                          });
    return QTest::qWaitFor([&] { return answered; }, 30000) && result;
}

// Whether Script comes to give true before a deadline.
bool PreviewReports(TEmbeddedWB& browser, const QString& script) {
    return QTest::qWaitFor([&] { return PreviewAnswers(browser, script); }, 30000);
}

TEST_F(SpellingDialog, PreviewMarksTheWordAndScrollsToIt) {
    QString text = "<title>x</title><script>document.title = 'ran';</script>";
    for (int i = 0; i < 300; ++i)
        text += "<p>the cat</p>\r\n";
    text += "<p>the <b>zork</b> sat</p><p>zat</p>";
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    bool marked = false;
    bool scriptRan = true;
    bool followed = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        TFormSpelling& f = *form_;
        EXPECT_EQ(f.PageControl->currentWidget(), f.TSPreview);
        marked = PreviewReports(*f.EmbeddedWB,
                                "var e = document.getElementById('idFocus');"
                                "e != null && e.textContent == 'zork' && window.scrollY > 0 &&"
                                "getComputedStyle(e).backgroundColor == 'rgb(0, 0, 255)'");
        scriptRan = PreviewAnswers(*f.EmbeddedWB, "document.title == 'ran'");
        f.ButtonIgnore->click();
        followed = PreviewReports(*f.EmbeddedWB,
                                  "document.getElementById('idFocus').textContent == 'zat'");
        f.ButtonIgnore->click();
    });
    EXPECT_TRUE(form_->CheckSpelling(text, "page.htm", true));
    EXPECT_TRUE(marked);
    EXPECT_FALSE(scriptRan);
    EXPECT_TRUE(followed);
}

} // namespace
