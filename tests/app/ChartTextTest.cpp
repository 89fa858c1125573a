#include "ChartTestSupport.hpp"

#include "charts/ChartText.hpp"

#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace ambertrove {
namespace {

using test::UnitMeasurer;

struct FitCase {
    const char* text;
    double width;
    const char* expected;
};

TEST(ChartTextTest, FitKeepsTheFirstAndLastCharactersAroundAnEllipsis) {
    // Every UTF-16 unit is 10 wide: "…" is 10, "👍🏽" 40, a letter with a combining accent 20.
    const UnitMeasurer measurer(10);
    const FitCase cases[] = {
        {"Documents", 90, "Documents"}, // fits exactly
        {"Documents", 200, "Documents"},
        {"", 0, ""},
        {"abcdefghij", 60, "abc…ij"}, // five characters survive: three before, two after
        {"abcdefghij", 99, "abcd…ghij"},
        {"abcdefghij", 20, "a…"},
        {"abcdefghij", 10, "…"},  // nothing but the ellipsis fits
        {"abcdefghij", 9.99, ""}, // not even the ellipsis
        {"abcdefghij", -1, ""},
        // Emoji with a skin tone, and letters with combining marks, are single characters.
        {"👍🏽x👍🏽y👍🏽", 100, "👍🏽x…👍🏽"},
        {"👍🏽x👍🏽y👍🏽", 60, "👍🏽…"},
        {"👍🏽x👍🏽y👍🏽", 49, "…"},
        {"e\u0301e\u0301e\u0301e\u0301", 50, "e\u0301…e\u0301"},
        {"e\u0301e\u0301e\u0301e\u0301", 40, "e\u0301…"},
        // A family of three joined emoji is one character.
        {"a👨‍👩‍👧b👨‍👩‍👧c", 120, "a👨‍👩‍👧…c"},
    };
    for (const FitCase& c : cases)
        EXPECT_EQ(ChartText::fit(QString::fromUtf8(c.text), c.width, 9, measurer),
                  QString::fromUtf8(c.expected))
            << c.text << " in " << c.width;
}

TEST(ChartTextTest, FitGivesTheLongestFormThatFits) {
    const UnitMeasurer measurer(10);
    const QString text = QStringLiteral("abcdefghijklmnopq");
    for (double width = 0; width <= 200; width += 2.5) {
        const QString fitted = ChartText::fit(text, width, 11, measurer);
        if (fitted == text) {
            EXPECT_LE(measurer.width(text, 11), width);
            continue;
        }
        if (width < 10) {
            EXPECT_TRUE(fitted.isEmpty()) << width;
            continue;
        }
        // Units used and one more character would not fit.
        const double used = measurer.width(fitted, 11);
        EXPECT_LE(used, width) << width;
        EXPECT_GT(used + 10, width) << width;
        const int kept = int(fitted.size()) - 1;
        EXPECT_EQ(fitted, text.left((kept + 1) / 2) + QStringLiteral("…") + text.right(kept / 2)) << width;
    }
}

TEST(ChartTextTest, CharactersAreGraphemeClusters) {
    EXPECT_EQ(ChartText::characterCount(QString()), 0);
    EXPECT_EQ(ChartText::characterCount(QStringLiteral("abc")), 3);
    EXPECT_EQ(ChartText::characterCount(QString::fromUtf8("e\u0301x")), 2);
    EXPECT_EQ(ChartText::characterCount(QString::fromUtf8("👍🏽…👨‍👩‍👧")), 3);
}

TEST(ChartTextTest, TheFontMeasurerMeasuresTheSemiboldChartFont) {
    const FontTextMeasurer measurer;
    const QString name = QStringLiteral("A rather long folder name for a chart tile");
    const QFontMetricsF nine(ChartText::font(9, QFont::DemiBold));
    EXPECT_DOUBLE_EQ(measurer.width(name, 9), nine.horizontalAdvance(name));
    EXPECT_GT(measurer.width(name, 11), measurer.width(name, 9));
    EXPECT_EQ(ChartText::font(11, QFont::DemiBold).pixelSize(), 11);
    EXPECT_EQ(ChartText::font(11, QFont::DemiBold).weight(), QFont::DemiBold);

    const QString fitted = ChartText::fit(name, 90, 11, measurer);
    EXPECT_TRUE(fitted.contains(QStringLiteral("…")));
    EXPECT_TRUE(fitted.startsWith(QStringLiteral("A ")));
    EXPECT_LE(measurer.width(fitted, 11), 90);
}

} // namespace
} // namespace ambertrove
