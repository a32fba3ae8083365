#include "net/TFormHelp.h"
#include "tests/support/WaitFor.h"

#include "common/TEmbeddedWB.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int Deadline = 30000;

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

// Counts the times a window is shown and hidden.
struct TShowCounter : QObject {
    int Shows = 0;
    int Hides = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Shows += event->type() == QEvent::Show;
        Hides += event->type() == QEvent::Hide;
        return false;
    }
};

class FormHelp : public ::testing::Test {
protected:
    void SetUp() override {
        one_ = Write(dir_, "one.html", "<title>One</title><p>one</p>");
        two_ = Write(dir_, "two.html", "<p>no title</p>");
    }

    QTemporaryDir dir_;
    QString one_;
    QString two_;
};

TEST_F(FormHelp, ShowHelpFileShowsExistingFilesAndRemembersEveryPathAsHome) {
    TFormHelp form;
    EXPECT_EQ(TFormHelp::Instance(), &form);
    TShowCounter counter;
    form.installEventFilter(&counter);
    const QString missing = dir_.filePath("missing.html");
    const struct {
        QString Path;
        bool Shown;
        QString Caption; // once loaded
    } cases[] = {
        {missing, false, "Velmaris Glyphon"},
        {one_, true, "Velmaris Glyphon - [One]"},
        {two_, true, "Velmaris Glyphon"},
        {missing, false, "Velmaris Glyphon"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        const bool wasVisible = form.isVisible();
        const QUrl before = form.WebBrowser->Location();
        EXPECT_EQ(form.ShowHelpFile(c.Path), c.Shown);
        EXPECT_EQ(form.HomeFile, c.Path);
        EXPECT_EQ(form.isVisible(), wasVisible || c.Shown);
        if (!c.Shown) {
            EXPECT_EQ(form.WebBrowser->Location(), before) << "the window is left as it was";
            continue;
        }
        EXPECT_EQ(form.WebBrowser->Location(), QUrl(TEmbeddedWB::LocalUrl(c.Path)));
        ASSERT_SOON_EQ(form.windowTitle(), c.Caption, Deadline);
    }
    EXPECT_EQ(counter.Shows, 1) << "a visible window is navigated, not shown again";
    EXPECT_EQ(counter.Hides, 0);

    // Home goes to the path last named, even a missing one.
    form.ButtonHome->trigger();
    EXPECT_EQ(form.WebBrowser->Location(), QUrl(TEmbeddedWB::LocalUrl(missing)));
}

TEST_F(FormHelp, BackAndForwardFollowTheBrowsersHistory) {
    TFormHelp form;
    form.ShowHelpFile(one_);
    ASSERT_SOON_EQ(form.windowTitle(), "Velmaris Glyphon - [One]", Deadline);
    EXPECT_FALSE(form.ButtonBack->isEnabled());
    EXPECT_FALSE(form.ButtonForward->isEnabled());
    form.ShowHelpFile(two_);
    ASSERT_SOON(form.ButtonBack->isEnabled(), Deadline);
    EXPECT_FALSE(form.ButtonForward->isEnabled());
    form.ButtonBack->trigger();
    ASSERT_SOON(form.ButtonForward->isEnabled() && !form.ButtonBack->isEnabled(), Deadline);
    ASSERT_SOON_EQ(form.windowTitle(), "Velmaris Glyphon - [One]", Deadline);
    form.ButtonForward->trigger();
    ASSERT_SOON(form.ButtonBack->isEnabled() && !form.ButtonForward->isEnabled(), Deadline);
    ASSERT_SOON_EQ(form.windowTitle(), "Velmaris Glyphon", Deadline);
}

} // namespace
