// The chart view under the pointer: hit testing through the grid, clicks, double clicks, the context menu,
// hovering and its outline, the strip and its items menu, and the pixels of the drawing.
#include "GraphViewTestSupport.hpp"

#include "explore/BusyBadge.hpp"
#include "explore/GraphCanvas.hpp"
#include "explore/GraphInfoStrip.hpp"
#include "model/Formatting.hpp"
#include "shell/PlainButton.hpp"

#include <QApplication>
#include <QMenu>

#include <string>

#include <numbers>

namespace ambertrove::test {
namespace {

const QColor kDocs(200, 40, 40);
const QColor kMovie(40, 40, 200);
const QColor kSong(40, 160, 40);
const QColor kText(220, 200, 40);
const QColor kRoot(120, 120, 120);

// A chart made by hand over smallScan(), its shapes placed so that each case of the hit test has its
// point: two overlapping rectangles (the movie over the folder), a ring with a hole, a circle whose
// bounding box corner lies outside it, and the root's own square. `shift` moves everything right.
GraphScene handMade(const GraphLayoutInput& input, double shift = 0) {
    GraphScene scene;
    scene.scan = input.scan;
    scene.border = QColor(0, 0, 0, 204);
    scene.ink = input.ink;
    const NodeTable& nodes = input.scan->nodes;
    if (nodes.nodePath(input.root) != "/r")
        return scene;
    const auto add = [&](const std::string& path, QPainterPath shape, const QColor& colour) {
        shape.setFillRule(Qt::WindingFill);
        shape.translate(shift, 0);
        const std::size_t index = scene.marks.size();
        scene.marks.push_back(GraphMark{nodes.find(path), shape, QRectF(), colour, std::nullopt, 0});
        const QRectF box = shape.boundingRect();
        scene.hitIndex.insert(Rect(box.x(), box.y(), box.width(), box.height()));
        scene.pathsByNode[nodes.find(path)].push_back(index);
    };
    QPainterPath docs;
    docs.addRect(20, 20, 200, 150);
    add("/r/docs", docs, kDocs);
    QPainterPath movie;
    movie.addRect(120, 80, 200, 150);
    add("/r/movie.mp4", movie, kMovie);
    QPainterPath ring;
    const QRectF outer(390, 190, 120, 120);
    const QRectF inner(420, 220, 60, 60);
    ring.arcMoveTo(outer, 0);
    ring.arcTo(outer, 0, 360);
    ring.closeSubpath();
    ring.arcMoveTo(inner, 0);
    ring.arcTo(inner, 0, -360);
    ring.closeSubpath();
    add("/r/song.mp3", ring, kSong);
    QPainterPath circle;
    circle.addEllipse(QPointF(100, 300), 50, 50);
    add("/r/docs/a.txt", circle, kText);
    QPainterPath root;
    root.addRect(480, 20, 60, 60);
    add("/r", root, kRoot);
    for (const std::string path : {"/r/movie.mp4", "/r/docs", "/r/song.mp3"})
        scene.items.push_back(nodes.find(path));
    return scene;
}

QStringList titles(const QMenu& menu) {
    QStringList out;
    for (const QAction* action : menu.actions())
        out << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return out;
}

class GraphInteractionTest : public GraphViewTest {
protected:
    void SetUp() override {
        GraphViewTest::SetUp();
        gate.make = [](const GraphLayoutInput& input, const QRectF&) {
            return handMade(input, input.storageView == StorageView::sunburst ? 300 : 0);
        };
        makeModel();
        model->setScan(smallScan());
        makeView();
        ASSERT_TRUE(layOut());
        view->setMenuPresenter([this](const DiskNode& node, QPoint) { presented.push_back(node.path); });
    }

    [[nodiscard]] GraphCanvas& canvas() const { return *view->canvas(); }
    void move(QPoint point) { QTest::mouseMove(&canvas(), point); }
    void leave() {
        QEvent leaving(QEvent::Leave);
        QCoreApplication::sendEvent(&canvas(), &leaving);
    }
    [[nodiscard]] std::optional<std::string> nodePathAt(QPoint point) const {
        const std::optional<DiskNode> node = view->nodeAt(point);
        return node ? std::optional<std::string>(node->path) : std::nullopt;
    }
    // Makes the chart pending: a setting changed, its layout not run.
    void makePending() {
        model->setMinimumBytes(1);
        ASSERT_FALSE(view->isCurrent());
    }

    std::vector<std::string> presented;
};

const struct HitCase {
    const char* name;
    QPoint point;
    std::optional<std::string> hit;
} kHits[] = {
    {"the later of two overlapping marks", {170, 120}, "/r/movie.mp4"},
    {"the earlier one outside the overlap", {60, 50}, "/r/docs"},
    {"the gap between marks", {350, 40}, std::nullopt},
    {"a ring", {450, 205}, "/r/song.mp3"},
    {"the ring's hole", {450, 250}, std::nullopt},
    {"a circle's bounding box outside the circle", {58, 258}, std::nullopt},
    {"the circle", {100, 300}, "/r/docs/a.txt"},
    {"the edge of a rectangle", {20, 20}, "/r/docs"},
};

TEST_F(GraphInteractionTest, TheTopmostMarkWhoseShapeHoldsThePointIsHit) {
    for (const HitCase& c : kHits) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nodePathAt(c.point), c.hit);
        model->setSelection(std::string("/r/song.mp3"));
        QTest::mouseClick(&canvas(), Qt::LeftButton, {}, c.point);
        EXPECT_EQ(model->selection(), c.hit.value_or("/r/song.mp3")) << "a miss keeps the selection";
    }
}

TEST_F(GraphInteractionTest, ADoubleClickOnAFolderSelectsThenOpensIt) {
    std::vector<std::optional<std::string>> selections;
    QObject::connect(model.get(), &AppModel::scanChanged, view,
                     [&] { selections.push_back(model->selection()); });
    QTest::mouseDClick(&canvas(), Qt::LeftButton, {}, QPoint(60, 50));
    ASSERT_FALSE(selections.empty());
    EXPECT_EQ(selections.front(), "/r/docs") << "selected at the first click";
    EXPECT_EQ(model->focusPath(), "/r/docs");
    EXPECT_EQ(model->selection(), "/r/docs");
}

TEST_F(GraphInteractionTest, ADoubleClickOnAFileSelectsItAndKeepsTheFocus) {
    QTest::mouseDClick(&canvas(), Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(model->selection(), "/r/movie.mp4");
    EXPECT_FALSE(model->focusPath().has_value());
    QTest::mouseDClick(&canvas(), Qt::LeftButton, {}, QPoint(350, 40));
    EXPECT_EQ(model->selection(), "/r/movie.mp4") << "nothing in a gap";
    EXPECT_FALSE(model->focusPath().has_value());
}

TEST_F(GraphInteractionTest, WhileTheChartIsPendingThePointerDoesNothing) {
    move(QPoint(170, 120));
    EXPECT_EQ(view->hovered(), "/r/movie.mp4");
    makePending();
    EXPECT_TRUE(view->busyBadge()->isVisible());
    move(QPoint(175, 120));
    EXPECT_EQ(view->hovered(), std::nullopt) << "hovering clears the hover";
    QTest::mouseClick(&canvas(), Qt::LeftButton, {}, QPoint(170, 120));
    QTest::mouseDClick(&canvas(), Qt::LeftButton, {}, QPoint(60, 50));
    QTest::mouseClick(&canvas(), Qt::RightButton, {}, QPoint(170, 120));
    EXPECT_EQ(model->selection(), std::nullopt);
    EXPECT_FALSE(model->focusPath().has_value());
    EXPECT_TRUE(presented.empty());
    EXPECT_EQ(view->nodeAt(QPoint(170, 120)), std::nullopt);
}

TEST_F(GraphInteractionTest, RightClickAndControlClickOpenTheMenuOfTheNodeAndNothingElse) {
    QTest::mouseClick(&canvas(), Qt::RightButton, {}, QPoint(170, 120));
    QTest::mouseClick(&canvas(), Qt::LeftButton, Qt::ControlModifier, QPoint(60, 50));
    QTest::mouseClick(&canvas(), Qt::RightButton, {}, QPoint(350, 40));
    QTest::mouseClick(&canvas(), Qt::RightButton, {}, QPoint(450, 250));
    EXPECT_EQ(presented, (std::vector<std::string>{"/r/movie.mp4", "/r/docs"}));
    EXPECT_EQ(model->selection(), std::nullopt) << "the menu's clicks select nothing";
}

TEST_F(GraphInteractionTest, TheChartsMenuIsTheNodeMenuWithOpenFolderAndFindsItsNodeWhenChosen) {
    view->setMenuPresenter({});
    QTest::mouseClick(&canvas(), Qt::RightButton, {}, QPoint(60, 50));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "popped up, not run in a loop of its own";
    EXPECT_EQ(titles(*menu), (QStringList{"docs", "Open folder", "Reveal in Finder", "Quick Look",
                                          "Copy Path", "-", "Add to Cleanup", "Move to Trash…"}));
    QAction* open = menu->actions().at(1);

    // The scan shown no longer holds the folder: choosing it does nothing.
    ModelFixture without("/r");
    without.file("/r/movie.mp4", 8000, 8000);
    model->setScan(shared(without.finish()));
    open->trigger();
    EXPECT_FALSE(model->focusPath().has_value());
    // A new scan that holds it again: the entry acts on the folder found there.
    model->setScan(smallScan());
    open->trigger();
    EXPECT_EQ(model->focusPath(), "/r/docs");
    menu->close();
}

TEST_F(GraphInteractionTest, HoveringChangesOnlyBetweenItemsAndLeavingKeepsTheSelectionsOutline) {
    QSignalSpy changes(view, &GraphView::hoveredChanged);
    for (QPoint point : {QPoint(40, 40), QPoint(50, 60), QPoint(90, 70), QPoint(60, 150)})
        move(point);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(view->hovered(), "/r/docs");
    move(QPoint(170, 120));
    EXPECT_EQ(changes.count(), 2);
    model->setSelection(std::string("/r/song.mp3"));
    EXPECT_EQ(canvas().highlighted(), (std::vector<std::size_t>{1, 2}));
    leave();
    EXPECT_EQ(view->hovered(), std::nullopt);
    EXPECT_EQ(canvas().highlighted(), (std::vector<std::size_t>{2}));
    EXPECT_EQ(changes.count(), 3);
}

TEST_F(GraphInteractionTest, TheHoveredItemIsOutlinedInInk) {
    const QColor ink = Paper::ink().resolved(false);
    const QPoint edge(20, 60);
    EXPECT_FALSE(near(canvas().grab().toImage().pixelColor(edge), ink, 30));
    move(QPoint(60, 50));
    const QImage picture = canvas().grab().toImage();
    savePicture(picture, QStringLiteral("graph-hovered"));
    EXPECT_TRUE(near(picture.pixelColor(edge), ink, 30)) << picture.pixelColor(edge).name().toStdString();
    EXPECT_TRUE(near(picture.pixelColor(60, 50), kDocs)) << "nothing is filled";
}

TEST_F(GraphInteractionTest, AStillPointerHoversWhatANewChartHasUnderIt) {
    move(QPoint(170, 120));
    EXPECT_EQ(view->hovered(), "/r/movie.mp4");
    // The sunburst is drawn 300 pixels to the right: nothing lies under the pointer there.
    model->setStorageView(StorageView::sunburst);
    ASSERT_TRUE(layOut());
    EXPECT_EQ(view->hovered(), std::nullopt);
    // Back from the cache, without the pointer moving.
    model->setStorageView(StorageView::treemap);
    EXPECT_TRUE(view->showsCurrentResult());
    EXPECT_EQ(view->hovered(), "/r/movie.mp4");
    // A new layout of another setting.
    model->setColorMode(ColorMode::type);
    ASSERT_TRUE(layOut());
    EXPECT_EQ(view->hovered(), "/r/movie.mp4");
}

TEST_F(GraphInteractionTest, AnotherFolderClearsTheHoverUntilThePointerMoves) {
    move(QPoint(170, 120));
    model->setFocusPath(std::string("/r/docs"));
    EXPECT_EQ(view->hovered(), std::nullopt);
    ASSERT_TRUE(layOut());
    model->setFocusPath(std::nullopt);
    ASSERT_TRUE(view->showsCurrentResult()) << "from the cache";
    EXPECT_EQ(view->hovered(), std::nullopt);
    move(QPoint(171, 120));
    EXPECT_EQ(view->hovered(), "/r/movie.mp4");
}

// ---- The strip and the items menu ----

TEST(GraphInfoStripTest, KindTexts) {
    const auto node = [](const std::string& path, bool folder, bool link, std::int64_t files) {
        DiskNode n;
        n.path = path;
        n.isDirectory = folder;
        n.isSymbolicLink = link;
        n.fileCount = files;
        return n;
    };
    const struct {
        DiskNode node;
        const char* kind;
    } cases[] = {
        {node("/r/folder", true, false, 1234), "1,234 files"},
        {node("/r/Mail.app", true, false, 40), "Application"},
        {node("/r/link", false, true, 1), "Symbolic link"},
        {node("/r/song.mp3", false, false, 1), "Audio"},
        {node("/r/notes", false, false, 1), "Other"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GraphInfoStrip::kindText(c.node), QString::fromUtf8(c.kind)) << c.node.path;
}

TEST_F(GraphInteractionTest, TheStripNamesTheHighlightedItemOrGivesTheHint) {
    GraphInfoStrip& strip = *view->strip();
    EXPECT_EQ(strip.shownTexts(), QStringList{GraphInfoStrip::kHint});
    move(QPoint(60, 50));
    EXPECT_EQ(strip.shownTexts(),
              (QStringList{"docs", QString::fromStdString(formattedBytes(6000)),
                           QString::fromStdString(formattedShare(6000, 15000)) + " of folder", "2 files"}));
    EXPECT_EQ(strip.item()->symbol, QStringLiteral("folder.fill"));
    move(QPoint(500, 40));
    EXPECT_EQ(strip.item()->share, QStringLiteral("100.0% of folder")) << "the root's own mark";
    leave();
    model->setSelection(std::string("/r/song.mp3"));
    EXPECT_EQ(strip.item()->name, QStringLiteral("song.mp3")) << "the selection when nothing is hovered";
    EXPECT_EQ(strip.item()->kind, QStringLiteral("Audio"));
    model->setSelection(std::string("/r/docs/b.txt"));
    EXPECT_EQ(strip.shownTexts(), QStringList{GraphInfoStrip::kHint}) << "an item the chart does not draw";
}

TEST_F(GraphInteractionTest, TheItemsMenuOffersInspectAndForFoldersOpenFolder) {
    QMenu* menu = view->makeItemsMenu();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "movie.mp4 — " + QString::fromStdString(formattedBytes(8000)));
    EXPECT_EQ(titles(*items[0]->menu()), QStringList{"Inspect"});
    EXPECT_EQ(titles(*items[1]->menu()), (QStringList{"Inspect", "Open folder"}));
    items[0]->menu()->actions().at(0)->trigger();
    EXPECT_EQ(model->selection(), "/r/movie.mp4");
    items[1]->menu()->actions().at(1)->trigger();
    EXPECT_EQ(model->focusPath(), "/r/docs");
}

TEST_F(GraphInteractionTest, SelectItemPopsUpTheItemsMenuUnderItsButton) {
    PlainButton* button = view->strip()->itemsButton();
    EXPECT_EQ(button->label(), QStringLiteral("Select item…"));
    QTest::mouseClick(button, Qt::LeftButton);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
    menu->close();
}

class GraphItemsMenuTest : public GraphViewTest, public ::testing::WithParamInterface<int> {};

TEST_P(GraphItemsMenuTest, ListsTwoHundredItemsAndLeadsToTheRestThroughTheFolderCards) {
    const int count = GetParam();
    ModelFixture f("/many");
    for (int i = 0; i < count; ++i)
        f.file("/many/f" + std::to_string(1000 + i), 10000 - i, 10000 - i);
    makeModel();
    model->setScan(shared(f.finish()));
    makeView();
    ASSERT_TRUE(layOut());
    QMenu* menu = view->makeItemsMenu();
    const QList<QAction*> actions = menu->actions();
    int submenus = 0;
    for (const QAction* action : actions)
        submenus += action->menu() ? 1 : 0;
    EXPECT_EQ(submenus, 200);
    if (count > 200) {
        ASSERT_EQ(actions.size(), 202);
        EXPECT_TRUE(actions[200]->isSeparator());
        EXPECT_EQ(actions[201]->text(), QStringLiteral("Browse all 250 items"));
        actions[201]->trigger();
        EXPECT_EQ(model->storageView(), StorageView::folders);
    } else {
        EXPECT_EQ(actions.size(), 200);
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, GraphItemsMenuTest, ::testing::Values(200, 250),
                         [](const ::testing::TestParamInfo<int>& row) { return std::to_string(row.param); });

} // namespace
} // namespace ambertrove::test
