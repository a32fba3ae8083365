#include "htmltools/TFormSpelling.h"

#include "common/AppHelpers.h"
#include "common/Paths.h"
#include "common/TEmbeddedWB.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the user does at one word: Text goes into "Change To" first, or is the suggestion picked.
struct TAction {
    enum TKind { Ignore, Change, ChangeAll, Add, Pick, OK, Cancel } Kind;
    QString Text = {};
};

// The dialog as the user sees it at one word: the word, what the source shows selected,
// "Change To", the suggestions, whether Change can be pressed, and the status bar.
QString Seen(const TFormSpelling& f) {
    QStringList suggestions;
    for (int i = 0; i < f.ListView->count(); ++i)
        suggestions << f.ListView->item(i)->text();
    EXPECT_EQ(StatusPanel(f.StatusBar, 0)->text(),
              "Not in Dictionary: " + f.EditNotInDictionary->text());
    EXPECT_GT(StatusPanel(f.StatusBar, 0)->width(), f.width() / 2);
    return QString("%1 [%2] -> %3 {%4}%5")
        .arg(f.EditNotInDictionary->text(),
             f.RichEdit->textCursor().selectedText().replace(QChar::ParagraphSeparator, "|"),
             f.EditChangeTo->text(), suggestions.join(','),
             f.ButtonChange->isEnabled() ? " change" : "");
}

class SpellingDialog : public ::testing::Test {
protected:
    void SetUp() override {
        QFile file(ProgramFilePath("english.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("a\nthe\ncat\nsat\non\nmat\nzap\n");
        file.close();
        QFile::remove(UserDictionaryPath());
        form_ = std::make_unique<TFormSpelling>();
    }

    // Runs CheckSpelling on Text with Steps done while the dialog is up.
    bool Run(QString& text, const std::function<void(TFormSpelling&)>& steps) {
        QObject context;
        QTimer::singleShot(0, &context, [&] { steps(*form_); });
        return form_->CheckSpelling(text, fileName_, true);
    }

    // Does Actions one by one while the dialog is up; returns what was seen at each.
    QStringList Run(QString& text, const QList<TAction>& actions, bool& result) {
        QStringList seen;
        result = Run(text, [&](TFormSpelling& f) {
            for (const TAction& action : actions) {
                if (!f.isVisible())
                    return;
                seen << Seen(f);
                if (action.Kind == TAction::Pick)
                    f.ListView->setCurrentItem(
                        f.ListView->findItems(action.Text, Qt::MatchExactly)[0]);
                else if (action.Kind == TAction::Change || action.Kind == TAction::ChangeAll)
                    f.EditChangeTo->setText(action.Text);
                QPushButton* buttons[] = {f.ButtonIgnore, f.ButtonChange, f.ButtonChangeAll,
                                          f.ButtonAdd,    f.ButtonChange, f.ButtonOK,
                                          f.ButtonCancel};
                buttons[action.Kind]->click();
            }
        });
        return seen;
    }

    std::unique_ptr<TFormSpelling> form_;
    QString fileName_ = "page.htm";
};

TEST_F(SpellingDialog, StepsThroughTheWords) {
    using A = TAction;
    const QString zat = "zat [zat] -> zat {cat,mat,sat,zap}";
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
         {"teh [teh] -> teh {the}", zat}},
        {"OK in the middle applies what was changed",
         "teh cat zat",
         {{A::Change, "the"}, {A::OK}},
         true,
         "the cat zat",
         {"teh [teh] -> teh {the}", zat}},
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
         {"zork [zork] -> zork {}", zat}},
        {"Change All replaces any case from the current word on, as typed",
         "teh zat teh Teh TEH",
         {{A::Ignore}, {A::Ignore}, {A::ChangeAll, "the"}},
         true,
         "teh zat the the the",
         {"teh [teh] -> teh {the}", zat, "teh [teh] -> teh {the}"}},
        {"Cancel applies nothing",
         "teh zat",
         {{A::Change, "the"}, {A::Cancel}},
         false,
         "teh zat",
         {"teh [teh] -> teh {the}", zat}},
    };
    for (const auto& c : cases) {
        SetUp();
        ScriptedPrompts prompts;
        if (c.result)
            prompts.AnswerButton(QMessageBox::Ok);
        QString text = c.text;
        bool result = false;
        EXPECT_EQ(Run(text, c.actions, result), c.seen) << c.what;
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(text, c.corrected) << c.what;
        EXPECT_EQ(prompts.Records().value(0).Text, c.result ? "Spell checking is complete." : "")
            << c.what;
        EXPECT_EQ(form_->windowTitle(), "Velmaris Glyphon - [page.htm]") << c.what;
    }
}

TEST_F(SpellingDialog, AddWritesTheUserDictionaryAtOnce) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    QString text = "Zork zat";
    bool result = false;
    Run(text, {{TAction::Add}, {TAction::Add}}, result);
    EXPECT_EQ(ReadFile(UserDictionaryPath()), "zat\r\nZork\r\n");
    // A dictionary that cannot be written: the error says so and the word is known for the run
    // and written when the window goes.
    QFile::remove(UserDictionaryPath());
    ASSERT_TRUE(QDir().mkpath(UserDictionaryPath()));
    prompts.AnswerButton(QMessageBox::Ok);
    prompts.AnswerButton(QMessageBox::Ok);
    text = "moo cat moo";
    Run(text, {{TAction::Add}}, result);
    QDir(UserDictionaryPath()).removeRecursively();
    EXPECT_EQ(prompts.Records().value(1).Text, "Unable to write to " + UserDictionaryPath());
    EXPECT_EQ(prompts.Records().value(2).Text, "Spell checking is complete.");
    form_.reset();
    EXPECT_EQ(ReadFile(UserDictionaryPath()), "moo\r\nzat\r\nZork\r\n");
}

TEST_F(SpellingDialog, MissingMainDictionaryEndsTheProgram) {
    form_.reset();
    QFile::remove(ProgramFilePath("english.txt"));
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::No);
    form_ = std::make_unique<TFormSpelling>();
    EXPECT_EQ(prompts.Records().value(0).Text,
              "A required dictionary file is not installed. Would you like to install now?");
    // The event loop ends as soon as it runs; the deadline only stops a loop that would not.
    QObject context;
    QTimer::singleShot(5000, &context, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

// Whether Script comes to give true on the page the preview shows before a deadline; Once asks
// only once.
bool PreviewReports(TEmbeddedWB& browser, const QString& script, bool once = false) {
    const auto ask = [&] {
        // Shared, as the answer may come after a deadline has passed.
        auto answer = std::make_shared<std::optional<bool>>();
        browser.EvaluateScript(script,
                               [answer](const QVariant& value) { *answer = value.toBool(); });
        return QTest::qWaitFor([&] { return answer->has_value(); }, 30000) && **answer;
    };
    return browser.EngineStarted() && (once ? ask() : QTest::qWaitFor(ask, 30000));
}

TEST_F(SpellingDialog, PreviewMarksTheWordAndScrollsToIt) {
    // The page's style sheet and picture, from a folder above its own.
    const QString site = QDir::homePath() + "/Sites/";
    QDir().mkpath(site + "img");
    QDir().mkpath(site + "sub");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(site + "img/pic.png", "PNG"));
    QFile css(site + "site.css");
    ASSERT_TRUE(css.open(QIODevice::WriteOnly));
    css.write("p { color: rgb(0, 128, 0) }");
    css.close();
    QString text = "<link rel=stylesheet href=\"../site.css\"><img id=pic src=\"../img/pic.png\">"
                   "<script>document.title = 'ran';</script>" +
                   QString("<p>the cat</p>\r\n").repeated(300) +
                   "<p>the <b>zork</b> sat</p><p>zat</p>";
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    bool marked = false, scriptRan = true, followed = false;
    fileName_ = site + "sub/page.htm";
    Run(text, [&](TFormSpelling& f) {
        EXPECT_EQ(f.PageControl->currentWidget(), f.TSPreview);
        marked = PreviewReports(*f.EmbeddedWB,
                                "var e = document.getElementById('idFocus');"
                                "e != null && e.textContent == 'zork' && window.scrollY > 0 &&"
                                "getComputedStyle(e).backgroundColor == 'rgb(0, 0, 255)' && "
                                "getComputedStyle(e.parentNode).color == 'rgb(0, 128, 0)' && "
                                "document.getElementById('pic').naturalWidth == 8");
        scriptRan = PreviewReports(*f.EmbeddedWB, "document.title == 'ran'", true);
        f.ButtonIgnore->click();
        followed = PreviewReports(*f.EmbeddedWB,
                                  "document.getElementById('idFocus').textContent == 'zat'");
        f.ButtonIgnore->click();
    });
    EXPECT_TRUE(marked);
    EXPECT_FALSE(scriptRan);
    EXPECT_TRUE(followed);
}

} // namespace
