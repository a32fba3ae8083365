#include "common/FormStorage.h"

#include "common/UserSettings.h"
#include "support/ScriptedPrompts.h"

#include "support/QtPrinters.h"
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace {
const QString Section = "TFormGlyphon";

// A small main window with what the real one stores: its placement, the status bar's
// visibility and the editor's font.
class TestWindow : public QMainWindow {
public:
    TestWindow() {
        setCentralWidget(editor_);
        statusBar()->addWidget(new QLabel("status"));
        resize(300, 200);
        storage_ = std::make_unique<TFormStorage>(this, Section);
        storage_->AddBoolProperty(
            "StatusBar.Visible", [this] { return !statusBar()->isHidden(); },
            [this](bool visible) { statusBar()->setVisible(visible); });
        storage_->AddProperty(
            "GlyphEdit.Font", [this] { return FontToText(editor_->font()); },
            [this](const QString& text) {
                if (const auto font = TextToFont(text))
                    editor_->setFont(*font);
            });
    }
    ~TestWindow() override { storage_.reset(); }

    QPlainTextEdit* Editor() const { return editor_; }
    TFormStorage& Storage() { return *storage_; }

private:
    QPlainTextEdit* editor_ = new QPlainTextEdit(this);
    std::unique_ptr<TFormStorage> storage_;
};

QVariant Stored(const QString& key) {
    const auto settings = OpenUserSettings("Velmaris Glyphon");
    return settings->value(Section + '/' + key);
}

class FormStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = OpenUserSettings("Velmaris Glyphon");
        settings->remove(Section);
        settings->sync();
    }
};

// Points the per-user store at a file that no process can create, for one test.
class UnwritableUserSettings {
public:
    UnwritableUserSettings() {
        QFile blocker(dir_.filePath("blocker"));
        blocker.open(QIODevice::WriteOnly);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir_.filePath("blocker/config"));
    }
    ~UnwritableUserSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           qEnvironmentVariable("XDG_CONFIG_HOME"));
    }

private:
    QTemporaryDir dir_;
};
} // namespace

TEST_F(FormStorageTest, PlacementAndPropertiesSurviveIntoTheNextWindow) {
    QFont font("Monospace", 13);
    font.setBold(true);
    {
        TestWindow first;
        first.show();
        first.setGeometry(40, 50, 420, 310);
        first.statusBar()->hide();
        first.Editor()->setFont(font);
        EXPECT_TRUE(first.Storage().Save());
    }
    TestWindow second;
    EXPECT_TRUE(second.statusBar()->isVisibleTo(&second)) << "nothing applies before showing";
    second.show();
    EXPECT_EQ(second.geometry(), QRect(40, 50, 420, 310));
    EXPECT_FALSE(second.isMaximized());
    EXPECT_TRUE(second.statusBar()->isHidden());
    EXPECT_EQ(second.Editor()->font().family(), font.family());
    EXPECT_EQ(second.Editor()->font().pointSize(), 13);
    EXPECT_TRUE(second.Editor()->font().bold());
}

TEST_F(FormStorageTest, PlacementIsStoredUnderTheWindowsKeys) {
    TestWindow window;
    window.show();
    window.setGeometry(40, 50, 420, 310);
    ASSERT_TRUE(window.Storage().Save());
    EXPECT_EQ(Stored("Flags").toInt(), 0);
    EXPECT_EQ(Stored("ShowCmd").toInt(), 1);
    EXPECT_EQ(Stored("PixelsPerInch").toInt(), window.logicalDpiY());
    EXPECT_EQ(Stored("MinMaxPos").toString(), "-1,-1,-1,-1");
    EXPECT_EQ(Stored("NormPos").toString(), "40,50,460,360");
    EXPECT_EQ(Stored("StatusBar.Visible").toString(), "1");
}

TEST_F(FormStorageTest, AMaximisedWindowComesBackMaximisedWithItsNormalPlace) {
    {
        TestWindow first;
        first.show();
        first.setGeometry(60, 70, 400, 300);
        first.showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return first.isMaximized(); }));
        ASSERT_TRUE(first.Storage().Save());
    }
    EXPECT_EQ(Stored("ShowCmd").toInt(), 3);
    EXPECT_EQ(Stored("NormPos").toString(), "60,70,460,370");

    TestWindow second;
    second.show();
    EXPECT_TRUE(second.isMaximized());
    second.showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.geometry() == QRect(60, 70, 400, 300); }))
        << "normal geometry after restore: " << second.geometry().x() << ','
        << second.geometry().y() << ' ' << second.geometry().width() << 'x'
        << second.geometry().height();
}

TEST_F(FormStorageTest, ClosingWithoutSaveStoresAtDestruction) {
    {
        TestWindow window;
        window.show();
        window.setGeometry(10, 20, 330, 220);
    }
    EXPECT_EQ(Stored("NormPos").toString(), "10,20,340,240");
}

TEST_F(FormStorageTest, AWindowNeverShownKeepsWhatWasStored) {
    {
        TestWindow window;
        window.show();
        window.setGeometry(10, 20, 330, 220);
    }
    { TestWindow neverShown; }
    EXPECT_EQ(Stored("NormPos").toString(), "10,20,340,240");
}

TEST_F(FormStorageTest, SaveAtCloseQueryIsNotRepeatedAtDestruction) {
    {
        TestWindow window;
        window.show();
        window.setGeometry(10, 20, 330, 220);
        ASSERT_TRUE(window.Storage().Save());
        EXPECT_TRUE(window.Storage().Saved());
        window.setGeometry(90, 90, 330, 220);
    }
    EXPECT_EQ(Stored("NormPos").toString(), "10,20,340,240");
}

struct BadPlacementCase {
    const char* name;
    QString normPos;
};

class FormStorageBadPlacement : public FormStorageTest,
                                public ::testing::WithParamInterface<BadPlacementCase> {};

TEST_P(FormStorageBadPlacement, UnreadablePlacementLeavesTheFormsOwnSize) {
    {
        const auto settings = OpenUserSettings("Velmaris Glyphon");
        settings->setValue(Section + "/NormPos", GetParam().normPos);
        settings->setValue(Section + "/StatusBar.Visible", "yes");
        settings->sync();
    }
    TestWindow window;
    window.show();
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_FALSE(window.statusBar()->isHidden()) << "an unreadable Boolean changes nothing";
}

INSTANTIATE_TEST_SUITE_P(Values, FormStorageBadPlacement,
                         ::testing::Values(BadPlacementCase{"three", "1,2,3"},
                                           BadPlacementCase{"words", "a,b,c,d"},
                                           BadPlacementCase{"empty", ""},
                                           BadPlacementCase{"inverted", "500,500,100,100"},
                                           BadPlacementCase{"zeroWidth", "10,10,10,300"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Stored on a screen that is gone, or partly beyond the one there is (a smaller one now): the
// window comes back on the screen, whole where it fits, at its size where that fits.
TEST_F(FormStorageTest, AWindowStoredOffTheScreenComesBackWholeOnIt) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        QRect stored;
        QSize expected;
    } cases[] = {
        {QRect(-5000, -5000, 400, 300), QSize(400, 300)},
        {QRect(screen.right() - 100, screen.top() + 10, 400, 300), QSize(400, 300)},
        {QRect(screen.left() + 50, screen.bottom() - 20, 300, 250), QSize(300, 250)},
        {QRect(screen.topLeft() + QPoint(30, 30), screen.size() + QSize(200, 100)), screen.size()},
    };
    for (const auto& c : cases) {
        {
            const auto settings = OpenUserSettings("Velmaris Glyphon");
            settings->setValue(Section + "/NormPos", QString("%1,%2,%3,%4")
                                                         .arg(c.stored.left())
                                                         .arg(c.stored.top())
                                                         .arg(c.stored.right() + 1)
                                                         .arg(c.stored.bottom() + 1));
            settings->sync();
        }
        TestWindow window;
        window.show();
        const QRect shown = window.geometry();
        EXPECT_EQ(shown.size(), c.expected) << c.stored.x() << "," << c.stored.y();
        // The platform may set a screen-sized window off by its frame.
        EXPECT_TRUE(c.expected == screen.size() ? screen.contains(shown.topLeft())
                                                : screen.contains(shown))
            << c.stored.x() << "," << c.stored.y() << " shown at " << shown.x() << "," << shown.y();
    }
}

TEST_F(FormStorageTest, PropertiesWithoutPlacementCanBeRestoredBeforeShowing) {
    QWidget dialog;
    QString siteName = "before";
    {
        TFormStorage storage(&dialog, "TFormFTPSite", TFormStorage::TPlacement::NotStored);
        storage.AddProperty(
            "CBSiteName.Text", [] { return QString("My Site"); }, [](const QString&) {});
        storage.Restore();
        ASSERT_TRUE(storage.Save());
    }
    const auto settings = OpenUserSettings("Velmaris Glyphon");
    EXPECT_EQ(settings->value("TFormFTPSite/CBSiteName.Text").toString(), "My Site");
    EXPECT_FALSE(settings->contains("TFormFTPSite/NormPos"));

    TFormStorage storage(&dialog, "TFormFTPSite", TFormStorage::TPlacement::NotStored);
    storage.AddProperty(
        "CBSiteName.Text", [&] { return siteName; }, [&](const QString& text) { siteName = text; });
    storage.Restore();
    EXPECT_EQ(siteName, "My Site");
    settings->remove("TFormFTPSite");
}

TEST_F(FormStorageTest, AFailedSaveIsShownOnceAndDoesNotStopTheClose) {
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    {
        UnwritableUserSettings unwritable;
        TestWindow window;
        window.show();
        EXPECT_FALSE(window.Storage().Save());
    } // destruction must neither throw nor show the error a second time
    ASSERT_EQ(prompts.Records().size(), 1);
    const auto& box = prompts.Records().first();
    EXPECT_EQ(box.Caption, "Velmaris Glyphon");
    EXPECT_EQ(box.Icon, QMessageBox::Critical);
    EXPECT_TRUE(box.Text.startsWith("Unable to write to ")) << box.Text.toStdString();
    EXPECT_TRUE(box.Text.endsWith("blocker/config/Velmaris/Velmaris Glyphon.conf"))
        << box.Text.toStdString();
}

// --- text forms of stored values ---

TEST(StoredValueText, FontRoundTripsEveryAttribute) {
    QFont font("DejaVu Sans Mono", 11);
    font.setItalic(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    font.setWeight(QFont::DemiBold);
    const auto back = TextToFont(FontToText(font));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, font);
}

TEST(StoredValueText, TextThatIsNoFontGivesNothing) {
    EXPECT_FALSE(TextToFont(""));
}

struct AttributeCase {
    const char* name;
    QMap<QString, QString> attributes;
    QString text;
};

class AttributeText : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeText, EncodesAndDecodesExactly) {
    EXPECT_EQ(AttributesToText(GetParam().attributes), GetParam().text);
    EXPECT_EQ(TextToAttributes(GetParam().text), GetParam().attributes);
}

INSTANTIATE_TEST_SUITE_P(Values, AttributeText,
                         ::testing::Values(AttributeCase{"empty", {}, ""},
                                           AttributeCase{"sorted",
                                                         {{"Width", "30"}, {"Visible", "1"}},
                                                         "Visible=1;Width=30"},
                                           AttributeCase{"specials",
                                                         {{"Font", "Courier New,10,-1;x=1%"}},
                                                         "Font=Courier New,10,-1%3Bx%3D1%25"},
                                           AttributeCase{"emptyValue", {{"Color", ""}}, "Color="}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StoredValueText, MalformedAttributePairsAreSkipped) {
    const QMap<QString, QString> expected{{"Width", "30"}};
    EXPECT_EQ(TextToAttributes("=5;;Width=30;junk"), expected);
}
