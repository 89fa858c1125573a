// The chart view's pixels: the order of fills and outlines, labels switched off, and the sunburst's
// caption for the folder, for a child and in a centre too small for it.
#include "GraphViewTestSupport.hpp"

#include "explore/GraphCanvas.hpp"
#include "model/Formatting.hpp"

namespace ambertrove::test {
namespace {

// How many pixels of `area` are within `tolerance` of `colour`.
int pixelsNear(const QImage& picture, const QRect& area, const QColor& colour, int tolerance) {
    int count = 0;
    const QRect inside = area & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += near(picture.pixelColor(x, y), colour, tolerance) ? 1 : 0;
    return count;
}

TEST_F(GraphViewTest, ALaterMarksFillCoversAnEarlierMarksOutline) {
    const QColor first(200, 40, 40);
    const QColor second(40, 40, 200);
    gate.make = [&](const GraphLayoutInput& input, const QRectF&) {
        GraphScene scene;
        scene.scan = input.scan;
        scene.border = QColor(0, 0, 0);
        scene.ink = input.ink;
        const auto add = [&](const std::string& path, const QRectF& rect, const QColor& colour) {
            QPainterPath shape;
            shape.addRect(rect);
            scene.hitIndex.insert(Rect(rect.x(), rect.y(), rect.width(), rect.height()));
            scene.pathsByNode[input.scan->nodes.find(path)].push_back(scene.marks.size());
            scene.marks.push_back(
                GraphMark{input.scan->nodes.find(path), shape, QRectF(), colour, std::nullopt, 0});
        };
        add("/r/docs", QRectF(20, 20, 200, 150), first);
        add("/r/movie.mp4", QRectF(120, 80, 200, 150), second);
        return scene;
    };
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    const QImage picture = view->canvas()->grab().toImage();
    EXPECT_TRUE(near(picture.pixelColor(220, 120), second)) << "inside the later mark";
    EXPECT_FALSE(near(picture.pixelColor(220, 50), first, 20)) << "the earlier outline elsewhere";
    EXPECT_TRUE(near(picture.pixelColor(170, 50), first));
}

TEST_F(GraphViewTest, WithoutLabelsNoTextIsDrawnWhereTheLabelsWere) {
    makeModel();
    model->setScan(smallScan());
    makeView();
    ASSERT_TRUE(layOut());
    const std::vector<GraphLabel>& labels = view->scene().labels;
    ASSERT_FALSE(labels.empty());
    const QImage with = view->canvas()->grab().toImage();
    model->setShowLabels(false);
    EXPECT_TRUE(view->showsCurrentResult());
    const QImage without = view->canvas()->grab().toImage();
    savePicture(with, QStringLiteral("graph-labels-on"));
    savePicture(without, QStringLiteral("graph-labels-off"));
    int inked = 0;
    for (const GraphLabel& label : labels) {
        for (const QRectF& rect : {label.titleRect, label.bytesRect}) {
            inked += pixelsNear(with, rect.toAlignedRect(), label.color, 60);
            EXPECT_EQ(pixelsNear(without, rect.toAlignedRect(), label.color, 60), 0)
                << label.title.toStdString();
        }
    }
    EXPECT_GT(inked, 20) << "the labels are drawn when on";
    model->setShowLabels(true);
    EXPECT_EQ(view->canvas()->grab().toImage(), with) << "the same drawing with its labels again";
}

class GraphCaptionTest : public GraphViewTest {
protected:
    void SetUp() override {
        GraphViewTest::SetUp();
        makeModel();
        model->setScan(smallScan());
        model->setStorageView(StorageView::sunburst);
    }
    // A point inside the ring segment of `path`.
    [[nodiscard]] QPoint onSegment(const std::string& path) const {
        const GraphMark& mark = onlyMarkOf(view->scene(), path);
        return mark.label.center().toPoint();
    }
};

TEST_F(GraphCaptionTest, TheCentreNamesTheFolderOrTheHighlightedChildWithItsShare) {
    makeView();
    ASSERT_TRUE(layOut());
    ASSERT_TRUE(view->scene().center);
    const QRectF centre = *view->scene().center;
    ASSERT_TRUE(view->canvas()->caption());
    GraphCanvas::Caption caption = *view->canvas()->caption();
    EXPECT_EQ(caption.name, QStringLiteral("r"));
    EXPECT_EQ(caption.bytes, QString::fromStdString(formattedBytes(15000)));
    EXPECT_TRUE(caption.share.isEmpty()) << "no share for the folder itself";
    EXPECT_EQ(caption.frame.center(), centre.center());
    EXPECT_EQ(caption.frame.width(), std::max(centre.width() - 18, 20.0));
    EXPECT_EQ(caption.frame.height(), centre.height() - 14);
    const QColor ink = Paper::ink().resolved(false);
    const QImage atFolder = view->canvas()->grab().toImage();
    EXPECT_GT(pixelsNear(atFolder, centre.toAlignedRect(), ink, 40), 10);

    const QPoint docs = onSegment("/r/docs");
    ASSERT_FALSE(docs.isNull());
    QTest::mouseMove(view->canvas(), docs);
    ASSERT_EQ(view->hovered(), "/r/docs");
    caption = *view->canvas()->caption();
    EXPECT_EQ(caption.name, QStringLiteral("docs"));
    EXPECT_EQ(caption.bytes, QString::fromStdString(formattedBytes(6000)));
    EXPECT_EQ(caption.share, QString::fromStdString(formattedShare(6000, 15000)));
    const QImage child = view->canvas()->grab().toImage();
    savePicture(child, QStringLiteral("graph-sunburst-caption"));
    EXPECT_NE(child.copy(centre.toAlignedRect()), atFolder.copy(centre.toAlignedRect()));

    // Another folder: no caption until its chart is laid out.
    model->setFocusPath(std::string("/r/docs"));
    EXPECT_FALSE(view->canvas()->caption());
    ASSERT_TRUE(layOut());
    ASSERT_TRUE(view->canvas()->caption());
    EXPECT_EQ(view->canvas()->caption()->name, QStringLiteral("docs"));
    // Other styles never show it.
    model->setStorageView(StorageView::treemap);
    ASSERT_TRUE(layOut());
    EXPECT_FALSE(view->canvas()->caption());
}

TEST_F(GraphCaptionTest, ACentreTooSmallForTextDrawsNone) {
    makeView(GraphView::Mode::explore, QSize(110, 90));
    ASSERT_TRUE(layOut());
    ASSERT_TRUE(view->scene().center);
    const QRectF centre = *view->scene().center;
    ASSERT_LT(centre.height(), 14);
    ASSERT_TRUE(view->canvas()->caption());
    EXPECT_EQ(view->canvas()->caption()->frame.height(), 0) << "never below 0";
    EXPECT_EQ(view->canvas()->caption()->frame.width(), 20);
    const QImage picture = view->canvas()->grab().toImage();
    EXPECT_EQ(pixelsNear(picture, centre.toAlignedRect().adjusted(-20, -10, 20, 10),
                         Paper::ink().resolved(false), 60),
              0);
}

} // namespace
} // namespace ambertrove::test
