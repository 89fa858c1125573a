// The tool sections' heading row and metric tiles: upper-case labels, a value that shrinks before it is
// cut, a caption of two lines at most, tiles that share a row's width, and a heading that keeps its
// controls clear of its texts.
#include "WidgetTestSupport.hpp"

#include "screens/MetricTile.hpp"
#include "screens/ToolHeading.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/ShrinkingLabel.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace ambertrove::test {
namespace {

class ToolHeadingTest : public WidgetTest {};

TEST_F(ToolHeadingTest, ATileShowsItsTitleInCapitalsAndShrinksItsValueBeforeCuttingIt) {
    MetricTile tile(QStringLiteral("Extra copies"), QStringLiteral("12"), QStringLiteral("doc.on.doc"),
                    QStringLiteral("Files that exist more than once."));
    tile.resize(240, 120);
    settledPicture(tile);
    EXPECT_EQ(tile.titleLabel()->text(), QStringLiteral("EXTRA COPIES"));
    EXPECT_EQ(tile.valueLabel()->shownPixelSize(), 29);
    EXPECT_GE(tile.height(), MetricTile::kMinimumHeight);

    tile.valueLabel()->setText(QStringLiteral("123,456,789,012,345 GB"));
    tile.resize(160, 120);
    settledPicture(tile);
    EXPECT_NEAR(tile.valueLabel()->shownPixelSize(), 29 * 0.75, 0.5) << "shrunk as far as it may go";
    EXPECT_TRUE(tile.valueLabel()->shownText().endsWith(QStringLiteral("…"))) << "then cut, never wrapped";
}

TEST_F(ToolHeadingTest, ACaptionIsCutAfterItsSecondLine) {
    const QString long3 =
        QStringLiteral("one two three four five six seven eight nine ten eleven twelve "
                       "thirteen fourteen fifteen sixteen seventeen eighteen nineteen twenty");
    MetricTile tile(QStringLiteral("Reclaimable"), QStringLiteral("1 GB"), QStringLiteral("checkmark.shield"),
                    long3);
    tile.resize(180, 140);
    settledPicture(tile);
    const QStringList lines = tile.captionLabel()->shownText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("one two")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("…")));
}

TEST_F(ToolHeadingTest, TilesSideBySideShareTheRowsWidth) {
    QWidget row;
    auto* layout = new QHBoxLayout(&row);
    layout->setSpacing(14);
    auto* narrow = new MetricTile(QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("square.stack"),
                                  QStringLiteral("x"));
    auto* wide = new MetricTile(QStringLiteral("b"), QStringLiteral("2"), QStringLiteral("square.stack"),
                                QStringLiteral("a longer caption than the other one"));
    layout->addWidget(narrow);
    layout->addWidget(wide);
    row.resize(700, 140);
    settledPicture(row);
    EXPECT_NEAR(narrow->width(), wide->width(), 1);
    EXPECT_GE(narrow->height(), MetricTile::kMinimumHeight);
}

TEST_F(ToolHeadingTest, TheHeadingKeepsItsControlsClearAndWrapsALongSubtitle) {
    auto* button = new QPushButton(QStringLiteral("A rather wide control of the section"));
    auto* heading =
        new ToolHeading(QStringLiteral("Duplicates"),
                        QStringLiteral("Find identical files, and keep one copy of each while the "
                                       "others go to the Trash after a review of every one of them"),
                        button);
    Backdrop backdrop(heading, 0, 520);
    settledPicture(backdrop);
    const QRect subtitle = heading->subtitleLabel()->geometry();
    EXPECT_GE(button->geometry().left() - subtitle.right(), 12);
    EXPECT_GT(subtitle.height(), heading->subtitleLabel()->fontMetrics().lineSpacing()) << "wrapped";
    savePicture(backdrop, QStringLiteral("tool-heading"));
}

TEST_F(ToolHeadingTest, DarkColoursAreTheSameInEveryTheme) {
    Appearance::setDark(true);
    for (const AppTheme theme : {AppTheme::paper, AppTheme::slate}) {
        setCurrentTheme(theme);
        MetricTile tile(QStringLiteral("t"), QStringLiteral("1"), QStringLiteral("doc.on.doc"),
                        QStringLiteral("c"));
        EXPECT_EQ(tile.titleLabel()->palette().color(QPalette::WindowText), QColor(0xA3A89A));
    }
}

} // namespace
} // namespace ambertrove::test
