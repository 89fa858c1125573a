#include "WidgetTestSupport.hpp"

#include "widgets/QueryProgress.hpp"

#include <gtest/gtest.h>

namespace ambertrove {
namespace {

using test::WidgetTest;

class QueryProgressTest : public WidgetTest {};

TEST_F(QueryProgressTest, ACapsuleOfTheSurfaceColourWithAClearBorderAndNoText) {
    struct Case {
        bool dark;
        const char* picture;
    };
    for (const Case c : {Case{false, "query-progress-light"}, Case{true, "query-progress-dark"}}) {
        Appearance::setDark(c.dark);
        QueryProgress progress;
        EXPECT_EQ(progress.sizeHint(), QSize(48, 48));
        EXPECT_EQ(progress.accessibleName(), "Updating results");
        progress.resize(progress.sizeHint());
        QImage picture(progress.size(), QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        progress.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
        test::savePicture(picture, c.picture);
        test::savePicture(picture.scaled(picture.size() * 4), QString::fromUtf8(c.picture) + "-x4");
        const QColor surface = Appearance::role(ColorRole::surface);
        // Inside the capsule, beside the indicator.
        EXPECT_EQ(picture.pixelColor(12, 24).rgb(), surface.rgb());
        EXPECT_EQ(picture.pixelColor(24, 11).rgb(), surface.rgb());
        // The outer padding is left clear.
        EXPECT_EQ(picture.pixelColor(3, 24).alpha(), 0);
        EXPECT_EQ(picture.pixelColor(24, 44).alpha(), 0);
        // The capsule's round ends leave its corners clear.
        EXPECT_EQ(picture.pixelColor(9, 9).alpha(), 0);
    }
    // The dark appearance's surface.
    Appearance::setDark(true);
    EXPECT_EQ(Appearance::role(ColorRole::surface).rgb(), QColor::fromRgb(0x2D2F29).rgb());
}

TEST_F(QueryProgressTest, ItSpinsOnlyWhileShownAndMotionIsNotReduced) {
    Appearance::setReducedMotion(false);
    QueryProgress progress;
    EXPECT_FALSE(progress.isSpinning());
    progress.show();
    EXPECT_TRUE(progress.isSpinning());
    progress.hide();
    EXPECT_FALSE(progress.isSpinning());
    Appearance::setReducedMotion(true);
    progress.show();
    EXPECT_FALSE(progress.isSpinning());
}

} // namespace
} // namespace ambertrove
