#include "common/HtmlPreview.h"

#include "common/GlyphErrors.h"
#include "common/TEmbeddedWB.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct TLockCase {
    int Locked;  // Temp1 to TempN are held (folders stand where the files would be)
    int Written; // the file written, 0 when none could be
};

class PreviewFiles : public ::testing::TestWithParam<TLockCase> {
protected:
    void TearDown() override {
        for (int n = 1; n <= 3; ++n) {
            QDir(PreviewFilePath(n)).removeRecursively();
            QFile::remove(PreviewFilePath(n));
        }
    }
};

TEST_P(PreviewFiles, FallsBackToTheNextFileAndFailsAfterTheThird) {
    for (int n = 1; n <= GetParam().Locked; ++n)
        ASSERT_TRUE(QDir().mkpath(PreviewFilePath(n)));
    TEmbeddedWB browser;
    browser.Navigate(PreviewFilePath(3) + ".old");
    const QUrl before = browser.Location();
    if (GetParam().Written == 0) {
        EXPECT_THROW(ShowHtmlPreview(browser, "<p>x</p>", {}), EGlyphFileError);
        EXPECT_EQ(browser.Location(), before) << "the browser keeps its page";
        return;
    }
    const QString written = PreviewFilePath(GetParam().Written);
    EXPECT_EQ(ShowHtmlPreview(browser, "<p>x</p>", {}), written);
    EXPECT_EQ(ReadAll(written), "<p>x</p>");
    EXPECT_EQ(browser.Location(), QUrl(TEmbeddedWB::LocalUrl(written)));
}

INSTANTIATE_TEST_SUITE_P(Cases, PreviewFiles,
                         ::testing::Values(TLockCase{0, 1}, TLockCase{1, 2}, TLockCase{2, 3},
                                           TLockCase{3, 0}));

TEST(HtmlPreview, WrapsTheTextWithTheDocumentAsItsBase) {
    const struct {
        QString BaseFile;
        QByteArray Expected;
    } cases[] = {
        {"", "<b>\xc3\xa4</b>"},
        {"Untitled.htm", "<HTML><BASE href=\"Untitled.htm\"><b>\xc3\xa4</b></HTML>"},
        {"/srv/my site/page.htm", "<HTML><BASE href=\"" +
                                      TEmbeddedWB::LocalUrl("/srv/my site/page.htm").toUtf8() +
                                      "\"><b>\xc3\xa4</b></HTML>"},
    };
    for (const auto& c : cases) {
        TEmbeddedWB browser;
        EXPECT_EQ(
            ReadAll(ShowHtmlPreview(browser, QString::fromUtf8("<b>\xc3\xa4</b>"), c.BaseFile)),
            c.Expected)
            << c.BaseFile.toStdString();
    }
    // The document's folder is reached under an address of its own, its file name kept.
    const QUrl base(TEmbeddedWB::LocalUrl("/srv/my site/page.htm"));
    EXPECT_EQ(base.scheme(), "glyphon");
    EXPECT_EQ(base.path(), "/page.htm");
    EXPECT_EQ(base.host(), QUrl(TEmbeddedWB::LocalUrl("/srv/my site/other.htm")).host());
    EXPECT_NE(base.host(), QUrl(TEmbeddedWB::LocalUrl("/srv/page.htm")).host());
}

} // namespace
