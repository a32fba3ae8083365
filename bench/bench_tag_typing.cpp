// Writing HTML in the main window on the generated 1,000,000-line HTML file: the keystroke `>`
// that closes a tag in the middle of the file (the end tag inserted after the caret) beside a
// plain letter typed at the same place, the completion list opened by `<` and by Ctrl+Space,
// and the reading of the vocabulary of HTML and CSS. Times run from the key event to the
// finished repaint of the 1000 x 700 window, as in bench_peers.
//
//   xvfb-run -a build-bench/bench/bench_tag_typing      (or QT_QPA_PLATFORM=offscreen)
#include "app/TFormGlyphon.h"
#include "bench/GeneratedHtml.h"
#include "common/CommandLine.h"
#include "editor/TGlyphEditView.h"
#include "highlight/GlyphVocabulary.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

extern const char kGlyphVocabularyText[];

namespace {

constexpr int HtmlLines = 1'000'000;
constexpr int Keystrokes = 1000;

double Seconds(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) * 1e-9;
}

void Print(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        return 1000 * times[std::min(times.size() - 1, size_t(q * double(times.size())))];
    };
    std::printf("| %s | %.3f | %.3f | %.3f | %zu |\n", what, at(0.5), at(0.99), 1000 * times.back(),
                times.size());
}

void Key(QWidget* widget, int key, const QString& text,
         Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

void Paint(TFormGlyphon& form) {
    form.GlyphEditView->viewport()->repaint();
    if (form.CompletionPopup->isVisible())
        form.CompletionPopup->repaint();
    QCoreApplication::processEvents();
}

double TimedKey(TFormGlyphon& form, int key, const QString& text,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QElapsedTimer clock;
    clock.start();
    Key(form.GlyphEditView, key, text, modifiers);
    Paint(form);
    return Seconds(clock);
}

void Type(TFormGlyphon& form, const QString& text) {
    for (QChar c : text)
        Key(form.GlyphEditView, 0, QString(c));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        qputenv(name, home.path().toUtf8());
    QApplication app(argc, argv);

    // The vocabulary: the first use (what start-up pays), then a parse of its own, 20 times.
    {
        QElapsedTimer clock;
        clock.start();
        const std::size_t elements = TGlyphVocabulary::Get().Elements().size();
        std::printf("vocabulary: first use %.3f ms (%zu elements, %lld properties, %lld "
                    "entities)\n",
                    1000 * Seconds(clock), elements,
                    qlonglong(TGlyphVocabulary::Get().CssProperties().size()),
                    qlonglong(TGlyphVocabulary::Get().Entities().size()));
        std::vector<double> parses;
        const QString text = QString::fromUtf8(kGlyphVocabularyText);
        for (int n = 0; n < 20; ++n) {
            clock.restart();
            const TGlyphVocabulary vocabulary(text);
            parses.push_back(Seconds(clock));
        }
        std::sort(parses.begin(), parses.end());
        std::printf("vocabulary: parse median %.3f ms\n\n", 1000 * parses[parses.size() / 2]);
    }

    const QString file = home.filePath("lines.html");
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        out.write("<html>\n<body>\n");
        for (int i = 0; i < HtmlLines - 4; ++i)
            out.write(BodyLine(i) + '\n');
        out.write("</body>\n</html>\n");
    }
    // The main window opens the file named on its command line at its first paint.
    SetCommandLineArgs({"glyphon", file});
    TFormGlyphon form;
    form.resize(1000, 700);
    form.show();
    while (form.DocumentFileName != file)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    form.GlyphEditView->setFocus();
    Paint(form);
    QCoreApplication::processEvents();
    form.GlyphEdit.SetCaretXY({1, HtmlLines / 2});
    Key(form.GlyphEditView, Qt::Key_End, QString());
    Paint(form);
    std::printf("(%d lines, caret on line %d)\n", form.GlyphEdit.LineCount(),
                form.GlyphEdit.CaretY());

    std::printf("| in the middle of the 1,000,000-line file | median (ms) | p99 (ms) | worst (ms) "
                "| keys |\n|---|---:|---:|---:|---:|\n");
    // A plain letter, the reference for any keystroke.
    std::vector<double> letters;
    for (int k = 0; k < Keystrokes; ++k)
        letters.push_back(TimedKey(form, Qt::Key_A + k % 26, QString(QChar(u'a' + k % 26))));
    Print("a letter typed", letters);

    // The scan behind both: the context of the caret, looking back its bounded distance.
    std::vector<double> scans;
    for (int k = 0; k < 200; ++k) {
        QElapsedTimer clock;
        clock.start();
        const TMarkupContext context = form.MarkupContextBefore(form.GlyphEdit.CaretX());
        scans.push_back(Seconds(clock));
        if (k == 0)
            std::printf("(caret %d,%d, open: %s)\n", form.GlyphEdit.CaretX(),
                        form.GlyphEdit.CaretY(), qPrintable(context.InnermostOpen));
    }
    Print("the markup context of the caret (no key)", scans);

    // A letter typed where the `>` below is typed (the end of `<section` on a new line): what
    // any keystroke costs there, the window showing the same text.
    std::vector<double> inTag;
    for (int k = 0; k < Keystrokes; ++k) {
        Key(form.GlyphEditView, Qt::Key_Return, QStringLiteral("\r"));
        Type(form, QStringLiteral("<section"));
        form.CompletionPopup->hide();
        Paint(form);
        inTag.push_back(TimedKey(form, Qt::Key_S, QStringLiteral("s")));
    }
    Print("a letter typed after `<section` on a new line", inTag);

    // `>` ending a start tag on a new line: the end tag goes in after the caret.
    std::vector<double> closings;
    for (int k = 0; k < Keystrokes; ++k) {
        Key(form.GlyphEditView, Qt::Key_Return, QStringLiteral("\r"));
        Type(form, QStringLiteral("<section"));
        form.CompletionPopup->hide();
        // What the keys before it left to do is done first, as it is between a typist's keys.
        Paint(form);
        closings.push_back(TimedKey(form, Qt::Key_Greater, QStringLiteral(">")));
    }
    Print("`>` closing a tag", closings);
    // The same with the closing switched off, for what the closing itself costs.
    form.MICloseTagsAsYouType->setChecked(false);
    std::vector<double> unclosed;
    for (int k = 0; k < Keystrokes; ++k) {
        Key(form.GlyphEditView, Qt::Key_Return, QStringLiteral("\r"));
        Type(form, QStringLiteral("<section"));
        form.CompletionPopup->hide();
        Paint(form);
        unclosed.push_back(TimedKey(form, Qt::Key_Greater, QStringLiteral(">")));
    }
    Print("`>` with Close Tags as You Type off", unclosed);
    form.MICloseTagsAsYouType->setChecked(true);
    if (!form.GlyphEdit.LineText(form.GlyphEdit.CaretY()).endsWith(u"</section>"))
        std::printf("(the end tag was not inserted)\n");

    // The completion list: `<` opens it by itself; Ctrl+Space after `<se`.
    std::vector<double> opens;
    std::vector<double> asked;
    for (int k = 0; k < 200; ++k) {
        Key(form.GlyphEditView, Qt::Key_Return, QStringLiteral("\r"));
        opens.push_back(TimedKey(form, Qt::Key_Less, QStringLiteral("<")));
        Type(form, QStringLiteral("se"));
        Key(form.GlyphEditView, Qt::Key_Escape, QString());
        asked.push_back(TimedKey(form, Qt::Key_Space, QString(), Qt::ControlModifier));
        Key(form.GlyphEditView, Qt::Key_Escape, QString());
    }
    Print("`<` opening the completion list", opens);
    Print("Ctrl+Space after `<se`", asked);
    form.GlyphEdit.SetModified(false);
    return 0;
}
