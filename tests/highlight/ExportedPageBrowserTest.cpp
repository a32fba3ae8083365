// An exported page as a browser shows it: the keyword in the keyword's colour, the text in a
// fixed-pitch font, read back from the page's computed styles in Qt WebEngine.
#include "highlight/TGlyphCppHighlighter.h"
#include "highlight/TGlyphExporterHTML.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <climits>
#include <gtest/gtest.h>

namespace {

QString Evaluate(QWebEnginePage& page, const QString& script) {
    QString result = "<no answer>";
    bool answered = false;
    page.runJavaScript(script, [&](const QVariant& value) {
        result = value.toString();
        answered = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered; }, 20000));
    return result;
}

TEST(ExportedPage, BrowserShowsTheKeywordInItsColourInAFixedPitchFont) {
    TGlyphCppHighlighter cpp;
    cpp.KeyAttri()->SetForeground(0x800080); // purple
    TGlyphExporterHTML exporter;
    exporter.WholeDocument = true;
    exporter.Color = 0xFFFFFF;
    exporter.SetHighlighter(&cpp);
    QTemporaryDir dir;
    const QString file = dir.filePath("page.htm");
    ASSERT_TRUE(exporter.ExportRangeToFile(
        file, {2, [](int i) { return i ? "  return x;" : "int x;"; }}, {1, 1}, {INT_MAX, INT_MAX}));

    QWebEngineView view;
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.load(QUrl::fromLocalFile(file));
    ASSERT_TRUE(loaded.wait(30000));
    ASSERT_TRUE(loaded.first().first().toBool());
    QWebEnginePage& page = *view.page();
    EXPECT_EQ(Evaluate(page, "document.querySelector('font[color]').textContent"), "int ");
    EXPECT_EQ(Evaluate(page, "getComputedStyle(document.querySelector('font[color]')).color"),
              "rgb(128, 0, 128)");
    EXPECT_EQ(Evaluate(page, "getComputedStyle(document.body).backgroundColor"),
              "rgb(255, 255, 255)");
    // As wide as each other: the columns of the code line up.
    EXPECT_EQ(Evaluate(page, "(() => { const s = document.createElement('span');"
                             "document.querySelector('code font').appendChild(s);"
                             "s.textContent = 'iiiii'; const a = s.offsetWidth;"
                             "s.textContent = 'MMMMM'; return String(a === s.offsetWidth); })()"),
              "true");
}

} // namespace
