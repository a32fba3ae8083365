// RunTidy against the real libtidy, through the helper process.

#include "common/GlyphErrors.h"
#include "htmltools/TFormTidyProperties.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << text.toStdString();
}

namespace {

struct TRun {
    bool Result = false;
    QString Text;
    QString Messages;
};

TRun TidyRun(TFormTidyProperties& form, const QString& text) {
    TRun run{false, text, {}};
    run.Result = form.RunTidy(run.Text, run.Messages);
    return run;
}

// Puts the helper settings back after a test changed them.
struct TScopedHelperSettings {
    TTidyHelperSettings Saved = TidyHelperSettings();
    ~TScopedHelperSettings() { TidyHelperSettings() = Saved; }
};

const QString Broken = "<html><head><title>t</title></head>\r\n<body>\r\n<p>a <b>bold\r\n"
                       "</body></html>\r\n";
const QString Clean = "<!DOCTYPE html>\r\n<html><head><title>t</title></head><body><p>x</p>"
                      "</body></html>\r\n";

} // namespace

TEST(RunTidy, ReportsDiagnosticsInTidyOrderInTheMessageFormat) {
    TFormTidyProperties form;
    struct {
        QString Text;
        QString Messages;
    } cases[] = {
        {Clean, ""},
        {Broken, "Line 1, Column 1 - Warninig: missing <!DOCTYPE> declaration\r\n"
                 "Line 3, Column 6 - Warninig: missing </b> before </body>\r\n"},
        {"", "Line 1, Column 1 - Warninig: inserting missing 'title' element\r\n"},
    };
    for (const auto& c : cases) {
        const TRun run = TidyRun(form, c.Text);
        EXPECT_TRUE(run.Result);
        EXPECT_EQ(run.Messages, c.Messages) << c.Text.toStdString();
    }
}

TEST(RunTidy, NonAsciiTextSurvives) {
    TFormTidyProperties form;
    // Dashes and curly quotes would become plain ones: the bare option asks for that.
    const QString body = QString::fromUtf8("Café € ÿ 日本語");
    const TRun run = TidyRun(form, "<p>" + body + "</p>");
    EXPECT_TRUE(run.Text.contains("<P>" + body + "</P>")) << run.Text.toStdString();
}

TEST(RunTidy, ServerSideBlocksComeBackByteForByte) {
    TFormTidyProperties form;
    const QStringList blocks = {"<?php\n\tforeach ($a as $i) {\techo \"<li>$i</li>\"; }\n?>",
                                "<% If x Then\t%>",
                                "<%= pic %>",
                                "<% = name %>",
                                "<!--#include\tvirtual=\"/x\" -->",
                                "<?= $r ?>"};
    const QString page = "<html><head><title>t</title></head><body>\n" + blocks[0] + "\n<p>" +
                         blocks[1] + "a<img src=\"" + blocks[2] + "\" alt=\"\">\n" + blocks[3] +
                         "<ul><li>" + blocks[4] + "</ul><p>" + blocks[5] + "</body></html>\n";
    const TRun run = TidyRun(form, page);
    for (const QString& block : blocks)
        EXPECT_TRUE(run.Text.contains(block)) << block.toStdString() << "\n"
                                              << run.Text.toStdString();
}

TEST(RunTidy, OptionsFollowTheControls) {
    TFormTidyProperties form;
    const auto names = [&] {
        QStringList list;
        for (const TTidyOption& o : form.ApplyTidyOptions())
            list << QString::fromUtf8(o.Name + "=" + o.Value);
        return list.join(' ');
    };
    const QString flags = "break-before-br=0 bare=1 clean=1 word-2000=1 indent=0 uppercase-tags=1 "
                          "uppercase-attributes=1 drop-empty-paras=1 fix-bad-comments=0 fix-uri=0 "
                          "tidy-mark=0 ";
    EXPECT_EQ(names(), flags + "wrap=0 tab-size=1 input-encoding=raw output-encoding=raw "
                               "force-output=1");
    // Wrap boxes count only with wrapping on; alt text only when its box is checked.
    form.cbWrapPHP->setChecked(true);
    form.EditAltText->setText("pic");
    form.CBTabSize->setCurrentIndex(-1);
    form.CBTabSize->setEditText("x");
    EXPECT_EQ(names(), flags + "wrap=0 input-encoding=raw output-encoding=raw force-output=1");
    form.cbEnableTextWrapping->setChecked(true);
    form.EditWrapWidth->setText("72");
    form.CBAltText->setChecked(true);
    form.EditAltText->clear();
    form.CBTabSize->setEditText("12");
    form.CBInputEncoding->setCurrentIndex(6);
    EXPECT_EQ(names(), flags + "wrap=72 wrap-attributes=0 wrap-asp=0 wrap-php=1 wrap-jste=0 "
                               "wrap-script-literals=0 wrap-sections=0 alt-text= tab-size=12 "
                               "input-encoding=win1252 output-encoding=raw force-output=1");

    const struct {
        std::function<void()> Break;
        QString Error;
    } failures[] = {
        {[&] { form.EditWrapWidth->clear(); }, "'' is not a valid integer value"},
        {[&] { form.CBInputEncoding->setCurrentIndex(-1); }, "Invalid Input encoding"},
        {[&] { form.CBOutputEncoding->setCurrentIndex(-1); }, "Invalid Output encoding"},
    };
    for (const auto& f : failures) {
        f.Break();
        QString text = "<p>x", messages;
        try {
            form.RunTidy(text, messages);
            ADD_FAILURE() << "no error for " << f.Error.toStdString();
        } catch (const EGlyphError& e) {
            EXPECT_EQ(e.Message(), f.Error);
            EXPECT_EQ(text, "<p>x");
        }
        form.EditWrapWidth->setText("72");
        form.CBInputEncoding->setCurrentIndex(2);
        form.CBOutputEncoding->setCurrentIndex(2);
    }
}

TEST(RunTidy, MessageFormatAndLevelNames) {
    TFormTidyProperties form;
    form.TidyMessages.emplace();
    form.AddTidyMessage(1, 3, 4, "text - with, hyphens");
    form.AddTidyMessage(5, 1, 2, "b");
    form.AddTidyMessage(9, 0, 0, "c");
    EXPECT_EQ(*form.TidyMessages,
              (QStringList{"Line 3, Column 4 - Warninig: text - with, hyphens",
                           "Line 1, Column 2 - Bad Document: b", "Line 0, Column 0 - : c"}));
    EXPECT_EQ(FormatTidyMessage("%s %d %s %s %s", {"a", "1"}), "a 1 %s %s %s");
}

TEST(RunTidy, AHelperThatCrashesHangsOrIsCancelledChangesNothing) {
    TScopedHelperSettings restore;
    TFormTidyProperties form;
    TidyHelperSettings().TimeoutMs = 1500;
    const struct {
        const char* Switch;
        int ProgressDelayMs;
        bool Cancel;
        QString Message;
    } cases[] = {
        {"--crash-for-test", 60000, false, "HTML Tidy stopped unexpectedly."},
        {"--hang-for-test", 60000, false, "HTML Tidy took longer than 2 seconds and was stopped."},
        {"--hang-for-test", 50, true, ""}};
    for (const auto& c : cases) {
        TidyHelperSettings().Arguments = {c.Switch};
        TidyHelperSettings().ProgressDelayMs = c.ProgressDelayMs;
        QTimer cancel;
        QObject::connect(&cancel, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<QProgressDialog*>(w) && w->isVisible())
                    w->findChild<QPushButton*>()->click();
            }
        });
        if (c.Cancel)
            cancel.start(20);
        QString text = Broken, messages = "old";
        bool cancelled = false;
        QString error;
        try {
            form.RunTidy(text, messages);
        } catch (const ETidyCancelled&) {
            cancelled = true;
        } catch (const EGlyphError& e) {
            error = e.Message();
        }
        EXPECT_EQ(cancelled, c.Cancel) << c.Switch;
        EXPECT_EQ(error, c.Message) << c.Switch;
        EXPECT_EQ(text, Broken);
        EXPECT_EQ(messages, "old");
    }
}
