#include "common/Paths.h"
#include "common/TEmbeddedWB.h"
#include "htmltools/ColorDialog.h"
#include "htmltools/TFormDOMTableInsert.h"
#include "htmltools/TFormSelectActiveX.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "tests/support/WaitFor.h"

#include <QColorDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

constexpr int Deadline = 30000;

QString ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(TableWizard, MarkupFollowsTheFieldsAsTyped) {
    const QString head = "<TABLE width=\"100%\" height=\"\" cellSpacing=\"2\" cellPadding=\"1\" "
                         "border=\"1\">\r\n";
    const QString row4 = "<TR>\r\n" + QString("<TD>&nbsp;</TD>\r\n").repeated(4) + "</TR>\r\n";
    const struct {
        QStringList Fields; // Edit1 to Edit7; empty keeps the default
        QString Expected;
    } cases[] = {
        {{}, head + row4.repeated(4) + "</TABLE>\r\n"},
        {{"", "", "", "0"}, head + "</TABLE>\r\n"},
        {{"", "", "0", "2"}, head + QString("<TR>\r\n</TR>\r\n").repeated(2) + "</TABLE>\r\n"},
        {{"", "", "2", "abc"},
         head + "<TR>\r\n<TD>&nbsp;</TD>\r\n<TD>&nbsp;</TD>\r\n</TR>\r\n" + "</TABLE>\r\n"},
        {{"", "", "-3", "-1"}, head + "</TABLE>\r\n"},
        {{"50px", "2em", "x", "1", "a", "b", "c"},
         "<TABLE width=\"50px\" height=\"2em\" cellSpacing=\"a\" cellPadding=\"b\" "
         "border=\"c\">\r\n<TR>\r\n<TD>&nbsp;</TD>\r\n</TR>\r\n</TABLE>\r\n"},
    };
    for (const auto& c : cases) {
        TFormDOMTableInsert wizard;
        QLineEdit* const edits[] = {wizard.Edit1, wizard.Edit2, wizard.Edit3, wizard.Edit4,
                                    wizard.Edit5, wizard.Edit6, wizard.Edit7};
        for (qsizetype i = 0; i < c.Fields.size(); ++i) {
            if (!c.Fields.at(i).isEmpty())
                edits[i]->setText(c.Fields.at(i));
        }
        EXPECT_EQ(wizard.TableMarkup(), c.Expected) << c.Fields.join(',').toStdString();
    }
}

TEST(TableWizard, TablesPastAThousandRowsOrAHundredColumnsAreRefused) {
    const struct {
        const char* Columns;
        const char* Rows;
        bool Allowed;
    } cases[] = {
        {"100", "1000", true}, {"101", "1", false}, {"1", "1001", false}, {"4", "50000000", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Columns) + " x " + c.Rows);
        TFormDOMTableInsert wizard;
        wizard.Edit3->setText(c.Columns);
        wizard.Edit4->setText(c.Rows);
        ScriptedPrompts prompts;
        if (!c.Allowed)
            prompts.AnswerButton(QMessageBox::Ok);
        wizard.ButtonOK->click();
        EXPECT_EQ(wizard.result() == QDialog::Accepted, c.Allowed);
        if (!c.Allowed) {
            EXPECT_EQ(prompts.Records().value(0).Text,
                      "A table can have at most 1,000 rows and 100 columns.");
        }
    }
}

TEST(TableWizard, PreviewFollowsAFieldWhenItLosesTheFocus) {
    TFormDOMTableInsert wizard;
    QSignalSpy complete(wizard.WebBrowser, &TEmbeddedWB::DocumentComplete);
    wizard.ButtonApplyClick();
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
    ASSERT_SOON(!complete.isEmpty(), Deadline);
    EXPECT_EQ(TablePreviewFilePath(), ProductDataFilePath("temp.htm"));
    EXPECT_EQ(ReadFile(TablePreviewFilePath()), wizard.TableMarkup());

    wizard.Edit3->setFocus();
    ASSERT_SOON(wizard.Edit3->hasFocus(), Deadline);
    wizard.Edit3->setText("2");
    EXPECT_EQ(ReadFile(TablePreviewFilePath()).count("<TD>"), 16);
    wizard.Edit4->setFocus();
    ASSERT_SOON_EQ(ReadFile(TablePreviewFilePath()).count("<TD>"), 8, Deadline);
    ASSERT_SOON(complete.size() >= 2, Deadline);
}

class ActiveXChooser : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir_.path());
    }
    void TearDown() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, "/etc/xdg");
    }

    // Writes a class key as the machine store holds it.
    void Register(const QString& classId, const QString& name, bool control) {
        QSettings store(QSettings::NativeFormat, QSettings::SystemScope, "Velmaris",
                        "Velmaris Glyphon");
        const QString key = "Software/CLASSES/CLSID/{" + classId + "}/";
        if (!name.isNull())
            store.setValue(key + "Default", name);
        store.setValue(key + (control ? "Control/Present" : "InprocServer32/Path"), "1");
    }

    QTemporaryDir dir_;
};

TEST_F(ActiveXChooser, ListsTheControlsOfTheMachineStoreByName) {
    {
        TFormSelectActiveX empty;
        EXPECT_EQ(empty.ListView->topLevelItemCount(), 0);
        EXPECT_FALSE(empty.ButtonOK->isEnabled());
    }
    Register("0002E510-0000-0000-C000-000000000046", "Zebra Chart", true);
    Register("11111111-2222-3333-4444-555555555555", "Not a control", false);
    Register("AE24FDAE-03C6-11D1-8B76-0080C744F389", "Alpha Slider", true);

    TFormSelectActiveX chooser;
    ASSERT_EQ(chooser.ListView->topLevelItemCount(), 2);
    EXPECT_EQ(chooser.ListView->topLevelItem(0)->text(0), "Alpha Slider");
    EXPECT_EQ(chooser.ListView->topLevelItem(1)->text(0), "Zebra Chart");
    EXPECT_FALSE(chooser.ButtonOK->isEnabled());

    chooser.ListView->setCurrentItem(chooser.ListView->topLevelItem(1));
    EXPECT_TRUE(chooser.ButtonOK->isEnabled());
    const auto chosen = chooser.SelectedControl();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->Name, "Zebra Chart");
    EXPECT_EQ(chosen->ClassId, "0002E510-0000-0000-C000-000000000046");
    chooser.ListView->clearSelection();
    EXPECT_FALSE(chooser.ButtonOK->isEnabled());
    chooser.ListViewDblClick();
    EXPECT_EQ(chooser.result(), QDialog::Rejected);
}

TEST(CustomColors, ComeFromTheFileOrTheDefaults) {
    const QList<QColor> defaults = DefaultCustomColors();
    ASSERT_EQ(defaults.size(), 16);
    EXPECT_EQ(defaults.at(2), QColor(0x80, 0, 0));  // ColorC is maroon
    EXPECT_EQ(defaults.at(13), QColor(0, 0, 0xFF)); // ColorN is blue
    QTemporaryDir dir;
    const QString good = dir.filePath("good.txt");
    WriteFile(good, "ColorA=0000FF\r\nColorP=123456\nnoise\n");
    const QString broken = dir.filePath("broken.txt");
    WriteFile(broken, "ColorA=zzzzzz\n\x01\x02 ColorQ=000000\n");
    const QList<QColor> fromFile = ReadCustomColors(good);
    ASSERT_EQ(fromFile.size(), 16);
    EXPECT_EQ(fromFile.at(0), QColor(0xFF, 0, 0));
    EXPECT_EQ(fromFile.at(15), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(fromFile.at(7), QColor(Qt::white));
    EXPECT_EQ(ReadCustomColors(broken), defaults);
    EXPECT_EQ(ReadCustomColors(dir.filePath("missing.txt")), defaults);

    // The dialog takes the user's own copy over the shipped one, once, and keeps its colours.
    WriteFile(UserFilePath(TUserFolder::Config, "CustomColors.txt"), "ColorB=00FF00\n");
    QColorDialog& dialog = ColorDialog();
    EXPECT_EQ(QColorDialog::customColor(1), QColor(0, 0xFF, 0));
    QColorDialog::setCustomColor(1, Qt::red);
    EXPECT_EQ(&ColorDialog(), &dialog);
    EXPECT_EQ(QColorDialog::customColor(1), QColor(Qt::red));
}

} // namespace
