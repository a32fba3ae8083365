#include "htmltools/TFormTidyProperties.h"
#include "common/GlyphErrors.h"
#include "common/SettingsIni.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString Section = "FormTidyProperties";

// Shows the dialog modally, lets Act change it, and closes it with OK or Cancel.
bool ShowAndClose(TFormTidyProperties& form, const std::function<void()>& act, bool ok,
                  const QString& sample = {}) {
    QTimer::singleShot(0, &form, [&] {
        act();
        (ok ? form.ButtonOK : form.ButtonCancel)->click();
    });
    return form.ShowTidyOptions(sample);
}

struct TFreshSettings {
    TFreshSettings() { SettingsIni().EraseSection(Section); }
    ~TFreshSettings() { SettingsIni().EraseSection(Section); }
};

} // namespace

TEST(TFormTidyProperties, OkOnTheFirstStartWritesEveryKeyWithTheDefaults) {
    TFreshSettings fresh;
    TFormTidyProperties form;
    EXPECT_TRUE(ShowAndClose(
        form, [] {}, true));
    QStringList stored;
    for (const QString& key : SettingsIni().ReadSection(Section))
        stored << key + "=" + SettingsIni().ReadString(Section, key);
    stored.sort(); // the file keeps the order the window wrote them in
    EXPECT_EQ(stored.join(' '),
              "CBAltText.Checked=0 CBBare.Checked=1 CBBreakBeforeBR.Checked=0 CBClean.Checked=1 "
              "CBDropEmptyParas.Checked=1 CBFixBadComments.Checked=0 CBFixURI.Checked=0 "
              "CBIndent.Checked=0 CBInputEncoding.ItemIndex=2 CBInputEncoding.Text=raw "
              "CBOutputEncoding.ItemIndex=2 CBOutputEncoding.Text=raw CBTabSize.ItemIndex=0 "
              "CBTabSize.Text=1 CBWord2000.Checked=1 CBWrapSections.Checked=0 EditAltText.Text= "
              "EditWrapWidth.Text=80 cbEnableTextWrapping.Checked=0 cbTidyMark.Checked=0 "
              "cbUppercaseAttributes.Checked=1 cbUppercaseTags.Checked=1 "
              "cbWrapASP.Checked=0 cbWrapAttributes.Checked=0 cbWrapJSTE.Checked=0 "
              "cbWrapLiterals.Checked=0 cbWrapPHP.Checked=0");
}

TEST(TFormTidyProperties, OkStoresCancelRestoresDefaultsWaitForOk) {
    const struct {
        const char* Name;
        bool StoredBefore;  // OK once with the defaults first
        bool PressDefaults; // after unchecking "Uppercase Tags"
        bool Ok;
        bool CheckedAfter;
        QString StoredAfter;
    } cases[] = {
        {"first run, cancel keeps the change", false, false, false, false, ""},
        {"cancel restores the stored value", true, false, false, true, "1"},
        {"ok stores the change", true, false, true, false, "0"},
        {"defaults then cancel changes nothing", true, true, false, true, "1"},
        {"defaults then ok stores the defaults", true, true, true, true, "1"},
    };
    for (const auto& c : cases) {
        TFreshSettings fresh;
        TFormTidyProperties form;
        if (c.StoredBefore)
            ShowAndClose(
                form, [] {}, true);
        ShowAndClose(
            form,
            [&] {
                form.cbUppercaseTags->click();
                if (c.PressDefaults)
                    form.ButtonRestoreDefaults->click();
            },
            c.Ok);
        EXPECT_EQ(form.cbUppercaseTags->isChecked(), c.CheckedAfter) << c.Name;
        EXPECT_EQ(SettingsIni().ReadString(Section, "cbUppercaseTags.Checked"), c.StoredAfter)
            << c.Name;
    }
}

TEST(TFormTidyProperties, TabSizeIsClampedWhenLeft) {
    TFormTidyProperties form;
    const struct {
        QString Typed;
        QString Shown;
        int Item;
    } cases[] = {{"25", "12", -1}, {"0", "1", 0}, {"5", "5", 4}, {"", "1", 0}};
    for (const auto& c : cases) {
        form.CBTabSize->setEditText(c.Typed);
        form.CBTabSizeExit();
        EXPECT_EQ(form.CBTabSize->currentText(), c.Shown) << c.Typed.toStdString();
        EXPECT_EQ(form.CBTabSize->currentIndex(), c.Item) << c.Typed.toStdString();
        EXPECT_EQ(TidyTabSize(form.CBTabSize->currentIndex(), form.CBTabSize->currentText()),
                  c.Shown.toInt());
    }
}

TEST(TFormTidyProperties, StoredValuesComeBackAsTheyWere) {
    TFreshSettings fresh;
    TIniFile& ini = SettingsIni();
    ini.WriteBool(Section, "cbTidyMark.Checked", true);
    ini.WriteBool(Section, "cbEnableTextWrapping.Checked", false);
    ini.WriteBool(Section, "cbWrapPHP.Checked", true);
    ini.WriteInteger(Section, "CBInputEncoding.ItemIndex", 9);
    ini.WriteInteger(Section, "CBTabSize.ItemIndex", 20);
    {
        TFormTidyProperties form;
        EXPECT_TRUE(form.cbTidyMark->isChecked());
        EXPECT_TRUE(form.cbWrapPHP->isChecked());
        EXPECT_FALSE(form.cbWrapPHP->isEnabled());
        EXPECT_FALSE(form.EditWrapWidth->isEnabled());
        EXPECT_EQ(form.CBInputEncoding->currentIndex(), -1);
        EXPECT_EQ(form.CBTabSize->currentIndex(), -1);
        QString text = "<p>x", messages;
        EXPECT_THROW(form.RunTidy(text, messages), EGlyphError);
        form.show();
        EXPECT_EQ(form.CBTabSize->currentIndex(), 0);
    }
    // Saved again at exit.
    EXPECT_TRUE(ini.ReadBool(Section, "cbTidyMark.Checked"));
    EXPECT_TRUE(ini.ReadBool(Section, "cbWrapPHP.Checked"));
}

TEST(TFormTidyProperties, TheWrapGroupFollowsEnableTextWrapping) {
    TFormTidyProperties form;
    form.cbWrapASP->setChecked(true);
    for (const bool on : {true, false}) {
        form.cbEnableTextWrapping->click();
        EXPECT_EQ(form.cbEnableTextWrapping->isChecked(), on);
        for (QWidget* w :
             {static_cast<QWidget*>(form.EditWrapWidth), static_cast<QWidget*>(form.udWrapWidth),
              static_cast<QWidget*>(form.cbWrapASP), static_cast<QWidget*>(form.cbWrapJSTE)})
            EXPECT_EQ(w->isEnabled(), on) << w->objectName().toStdString();
        EXPECT_TRUE(form.cbWrapASP->isChecked());
    }
    form.udWrapWidth->setValue(64);
    EXPECT_EQ(form.EditWrapWidth->text(), "64");
}

TEST(TFormTidyProperties, TheAfterPageShowsTheTidiedSample) {
    TFormTidyProperties form;
    ShowAndClose(
        form,
        [&] {
            form.PageControl->setCurrentWidget(form.tsPreviewAfter);
            EXPECT_TRUE(form.ButtonPreview->isEnabled());
            EXPECT_TRUE(form.GlyphEditPreviewAfter.Text().contains("<P>sample</P>"));
            EXPECT_FALSE(form.AfterIsStale);
        },
        false, "<p>sample");
}

TEST(TFormTidyProperties, CtrlTabCyclesThroughTheShownPagesOnly) {
    const struct {
        QString sample;
        QStringList forward; // the pages Ctrl+Tab goes to from the first, round to it again
    } cases[] = {
        {"", {"Text Wrap", "Accessibility Options", "File Options", "HTML Options"}},
        {"<p>x",
         {"Text Wrap", "Accessibility Options", "File Options", "Before", "After", "HTML Options"}},
    };
    for (const auto& c : cases) {
        TFormTidyProperties form;
        QStringList forward, backward;
        const auto page = [&] {
            return form.PageControl->tabText(form.PageControl->currentIndex());
        };
        ShowAndClose(
            form,
            [&] {
                for (qsizetype i = 0; i < c.forward.size(); ++i) {
                    QTest::keyClick(form.PageControl, Qt::Key_Tab, Qt::ControlModifier);
                    forward << page();
                }
                for (qsizetype i = 0; i < c.forward.size(); ++i) {
                    QTest::keyClick(form.PageControl, Qt::Key_Backtab,
                                    Qt::ControlModifier | Qt::ShiftModifier);
                    backward.prepend(page());
                }
            },
            false, c.sample);
        EXPECT_EQ(forward, c.forward) << c.sample.toStdString();
        // Backwards the same pages in the other order, ending where it started.
        QStringList expected = c.forward;
        expected.move(expected.size() - 1, 0);
        EXPECT_EQ(backward, expected) << c.sample.toStdString();
    }
}
