#include "common/HtmlColors.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

struct ToHtmlCase {
    const char* name;
    QColor color;
    QString html;
};

class ColorToHtmlText : public ::testing::TestWithParam<ToHtmlCase> {};

TEST_P(ColorToHtmlText, IsSixUpperCaseDigitsRedGreenBlue) {
    EXPECT_EQ(ColorToHtml(GetParam().color), GetParam().html);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColorToHtmlText,
    ::testing::Values(ToHtmlCase{"blue", QColor(0, 0, 255), "0000FF"},
                      ToHtmlCase{"red", QColor(255, 0, 0), "FF0000"},
                      ToHtmlCase{"black", QColor(0, 0, 0), "000000"},
                      ToHtmlCase{"mixed", QColor(0x0A, 0xBC, 0x0D), "0ABC0D"},
                      ToHtmlCase{"namedColour", QColor(Qt::darkGreen), "008000"},
                      ToHtmlCase{"hsvColour", QColor::fromHsv(0, 255, 255), "FF0000"},
                      ToHtmlCase{"alphaIgnored", QColor(1, 2, 3, 4), "010203"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FromHtmlCase {
    const char* name;
    QString text;
    QColor color;
};

class HtmlTextToColor : public ::testing::TestWithParam<FromHtmlCase> {};

TEST_P(HtmlTextToColor, ReadsPairsOfHexDigitsIgnoringEverythingElse) {
    EXPECT_EQ(HtmlToColor(GetParam().text), GetParam().color);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlTextToColor,
    ::testing::Values(FromHtmlCase{"plain", "FF8000", QColor(255, 128, 0)},
                      FromHtmlCase{"hash", "#FF8000", QColor(255, 128, 0)},
                      FromHtmlCase{"lowerCase", "#ff8000", QColor(255, 128, 0)},
                      FromHtmlCase{"threeDigits", "F80", QColor(0xF8, 0, 0)},
                      FromHtmlCase{"fiveDigits", "12345", QColor(0x12, 0x34, 5)},
                      FromHtmlCase{"quoted", "\"#00ff00\"", QColor(0, 255, 0)},
                      FromHtmlCase{"spaced", " 0a 0b 0c ", QColor(10, 11, 12)},
                      FromHtmlCase{"moreThanSix", "11223344", QColor(0x11, 0x22, 0x33)},
                      FromHtmlCase{"letterGOutside", "gg0000ffgg", QColor(0, 0, 255)},
                      FromHtmlCase{"empty", "", QColor(0, 0, 0)},
                      FromHtmlCase{"words", "red", QColor(0xED, 0, 0)},
                      FromHtmlCase{"unreadable", "xyz!", QColor(0, 0, 0)},
                      FromHtmlCase{"nonAsciiDigits", QString::fromUtf8("\xd9\xa3\xd9\xa3"),
                                   QColor(0, 0, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HtmlColorRoundTrip, EveryColourComesBackFromItsText) {
    for (int value = 0; value < 256; value += 17) {
        const QColor color(value, 255 - value, (value * 7) % 256);
        EXPECT_EQ(HtmlToColor(ColorToHtml(color)), color) << value;
        EXPECT_EQ(HtmlToColor("#" + ColorToHtml(color).toLower()), color) << value;
    }
}
