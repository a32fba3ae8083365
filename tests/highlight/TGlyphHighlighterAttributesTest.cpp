#include "highlight/TGlyphHighlighterAttributes.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

struct TSetterCase {
    const char* name;
    std::function<void(TGlyphHighlighterAttributes&)> change;
    int expectedCalls;
};

class SetterNotification : public ::testing::TestWithParam<TSetterCase> {};

TEST_P(SetterNotification, CallsTheHandlerOnlyForRealChanges) {
    TGlyphHighlighterAttributes a(QStringLiteral("Comment"));
    a.SetForeground(0x008000);
    a.SetStyle(fsItalic);
    int calls = 0;
    a.SetChangeHandler([&calls] { ++calls; });
    GetParam().change(a);
    EXPECT_EQ(calls, GetParam().expectedCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, SetterNotification,
    ::testing::Values(TSetterCase{"NewForeground", [](auto& a) { a.SetForeground(0xFF0000); }, 1},
                      TSetterCase{"SameForeground", [](auto& a) { a.SetForeground(0x008000); }, 0},
                      TSetterCase{"NewBackground", [](auto& a) { a.SetBackground(clWindow); }, 1},
                      TSetterCase{"SameBackground", [](auto& a) { a.SetBackground(clNone); }, 0},
                      TSetterCase{"NewStyle", [](auto& a) { a.SetStyle(fsBold | fsItalic); }, 1},
                      TSetterCase{"SameStyle", [](auto& a) { a.SetStyle(fsItalic); }, 0},
                      TSetterCase{"SameStyleWithStrayBits",
                                  [](auto& a) { a.SetStyle(fsItalic | 0x30); }, 0},
                      TSetterCase{"TwoChanges",
                                  [](auto& a) {
                                      a.SetForeground(1);
                                      a.SetBackground(2);
                                  },
                                  2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Attributes, StartWithoutColoursOrStyle) {
    TGlyphHighlighterAttributes a(QStringLiteral("Space"));
    EXPECT_EQ(a.Name(), QStringLiteral("Space"));
    EXPECT_EQ(a.Foreground(), clNone);
    EXPECT_EQ(a.Background(), clNone);
    EXPECT_EQ(a.Style(), 0u);
    EXPECT_EQ(clNone, 0x1FFFFFFFu);
}

TEST(Attributes, StyleKeepsOnlyTheFourStyleBits) {
    TGlyphHighlighterAttributes a(QStringLiteral("Symbol"));
    a.SetStyle(0xFFFFFFFF);
    EXPECT_EQ(a.Style(), fsBold | fsItalic | fsUnderline | fsStrikeOut);
    EXPECT_EQ(a.Style(), 15u);
}

TEST(Attributes, AssignCopiesColoursAndStyleButNotTheName) {
    TGlyphHighlighterAttributes source(QStringLiteral("Value"));
    source.SetForeground(0xFF8000);
    source.SetBackground(0xFF000005);
    source.SetStyle(fsUnderline);
    TGlyphHighlighterAttributes target(QStringLiteral("Text"));
    int calls = 0;
    target.SetChangeHandler([&calls] { ++calls; });

    target.Assign(source);
    EXPECT_EQ(target.Name(), QStringLiteral("Text"));
    EXPECT_EQ(target.Foreground(), 0xFF8000u);
    EXPECT_EQ(target.Background(), 0xFF000005u);
    EXPECT_EQ(target.Style(), fsUnderline);
    EXPECT_EQ(calls, 1) << "three changed values are one notification";

    target.Assign(source);
    EXPECT_EQ(calls, 1) << "assigning equal values notifies nobody";
}

TEST(Attributes, DefaultsTellChangedValues) {
    TGlyphHighlighterAttributes a(QStringLiteral("Comment"));
    a.SetForeground(0x008000);
    a.RecordDefaults();
    EXPECT_TRUE(a.IsForegroundDefault());
    a.SetForeground(0x0000FF);
    EXPECT_FALSE(a.IsForegroundDefault());
    EXPECT_EQ(a.DefaultForeground(), 0x008000u);
    EXPECT_TRUE(a.IsBackgroundDefault());
    EXPECT_TRUE(a.IsStyleDefault());
    a.SetStyle(fsBold);
    EXPECT_FALSE(a.IsStyleDefault());
    EXPECT_EQ(a.DefaultStyle(), 0u);
}

struct TColourCase {
    const char* name;
    TGlyphColor stored;
    QColor expected; // invalid: no colour
};

class ColourConversion : public ::testing::TestWithParam<TColourCase> {};

TEST_P(ColourConversion, GivesThePaintedColour) {
    EXPECT_EQ(ToQColor(GetParam().stored), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Colours, ColourConversion,
                         ::testing::Values(TColourCase{"Red", 0x0000FF, QColor(255, 0, 0)},
                                           TColourCase{"Blue", 0xFF0000, QColor(0, 0, 255)},
                                           TColourCase{"Purple", 0xFF0080, QColor(128, 0, 255)},
                                           TColourCase{"None", clNone, QColor()},
                                           TColourCase{"UnknownSystemNumber", 0xFF0000F0,
                                                       QColor()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Colours, SystemColoursFollowThePalette) {
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(ToQColor(clWindow), palette.color(QPalette::Base));
    EXPECT_EQ(ToQColor(clWindowText), palette.color(QPalette::Text));
    EXPECT_EQ(ColorToRGB(clWindow), FromQColor(palette.color(QPalette::Base)));
}

TEST(Colours, RoundTripThroughQColor) {
    for (TGlyphColor c : {0x000000u, 0x123456u, 0xFFFFFFu, 0x00FF00u}) {
        EXPECT_EQ(FromQColor(ToQColor(c)), c);
    }
    EXPECT_EQ(GlyphRGB(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(FromQColor(QColor()), clNone);
}

} // namespace
