#include "common/ControlHelpers.h"

#include "support/QtPrinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(EditEnabled, ADisabledBoxTakesItsParentsColourAndAnEnabledOneTheBaseColour) {
    QWidget form;
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    form.setPalette(palette);
    auto* edit = new QLineEdit(&form);

    SetEditEnabled(edit, false);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_EQ(edit->palette().color(QPalette::Disabled, QPalette::Base), QColor(10, 200, 30));

    SetEditEnabled(edit, true);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Base),
              QApplication::palette(edit).color(QPalette::Active, QPalette::Base));
}

struct ClickCase {
    const char* name;
    bool enabled;
    bool hidden;
    bool parentHidden;
    int clicks;
};

class ClickButtonCases : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ClickButtonCases, ClicksOnlyAnEnabledVisibleButton) {
    QWidget form; // never shown: the button counts as visible unless hidden itself
    auto* panel = new QWidget(&form);
    auto* button = new QPushButton("Open", panel);
    button->setEnabled(GetParam().enabled);
    if (GetParam().hidden)
        button->hide();
    if (GetParam().parentHidden)
        panel->hide();
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    ClickButton(button);
    EXPECT_EQ(clicks, GetParam().clicks);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClickButtonCases,
                         ::testing::Values(ClickCase{"enabledVisible", true, false, false, 1},
                                           ClickCase{"disabled", false, false, false, 0},
                                           ClickCase{"hidden", true, true, false, 0},
                                           ClickCase{"parentHidden", true, false, true, 0},
                                           ClickCase{"disabledHidden", false, true, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckedSilently, ChangesTheStateWithoutAnySignal) {
    QCheckBox box("Bold");
    QSignalSpy toggled(&box, &QCheckBox::toggled);
    QSignalSpy clicked(&box, &QCheckBox::clicked);
    QSignalSpy changed(&box, &QCheckBox::stateChanged);
    SetCheckedSilently(&box, true);
    EXPECT_TRUE(box.isChecked());
    SetCheckedSilently(&box, false);
    EXPECT_FALSE(box.isChecked());
    EXPECT_EQ(toggled.count() + clicked.count() + changed.count(), 0);
    box.setChecked(true);
    EXPECT_EQ(toggled.count(), 1) << "signals work again afterwards";
}
