// A node row: the queued mark from the queue's paths, the size bar's share within its clamps, its texts,
// and its buttons in a list (select, focus, add to Cleanup while allowed).
#include "ExplorerTestSupport.hpp"

#include "explore/FolderGridView.hpp"
#include "explore/NodeRow.hpp"
#include "explore/QueuedPaths.hpp"

#include <QImage>
#include <QPainter>
#include <QScrollBar>

namespace ambertrove::test {
namespace {

std::vector<CleanupEntry> queueOf(const std::vector<const char*>& paths) {
    std::vector<CleanupEntry> queue;
    for (const char* path : paths) {
        CleanupEntry entry;
        entry.node.path = path;
        queue.push_back(entry);
    }
    return queue;
}

struct QueuedCase {
    std::vector<const char*> queue;
    const char* path;
    bool queued;
};

TEST(QueuedPathsTest, APathIsQueuedWhenItOrAFolderAboveItIs) {
    const std::vector<QueuedCase> cases{
        {{"/a/b"}, "/a/b", true},
        {{"/a/b"}, "/a/b/c", true},
        {{"/a/b"}, "/a/b/c/d.txt", true},
        {{"/a/b"}, "/a/bc", false},
        {{"/a/b"}, "/a", false},
        {{"/a/b"}, "/x/a/b", false},
        {{"/"}, "/a/b", true},
        {{"/"}, "/", true},
        {{"/x", "/a/b/c"}, "/a/b/c/d", true},
        {{"/x", "/a/b/c"}, "/a/b", false},
        {{}, "/a", false},
    };
    for (const QueuedCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(QueuedPaths(queueOf(c.queue)).covers(c.path), c.queued);
    }
}

struct BarCase {
    std::int64_t size;
    std::int64_t maximum;
    double fraction;
};

TEST(NodeRowBarTest, TheBarsShareIsKeptWithinItsTrack) {
    const std::vector<BarCase> cases{
        {0, 100, 0}, {50, 100, 0.5}, {100, 100, 1}, {150, 100, 1}, {-5, 100, 0},      {5, 0, 1},
        {0, 0, 0},   {1, -10, 1},    {-1, -1, 0},   {1, 4, 0.25},  {INT64_MAX, 1, 1}, {INT64_MIN, 1, 0},
    };
    for (const BarCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " of " + std::to_string(c.maximum));
        EXPECT_DOUBLE_EQ(NodeRow::barFraction(c.size, c.maximum), c.fraction);
    }
}

TEST(NodeRowTextTest, RanksHaveTwoDigitsAndTheSecondFactFollowsTheKind) {
    EXPECT_EQ(NodeRow::rankText(3), QStringLiteral("03"));
    EXPECT_EQ(NodeRow::rankText(42), QStringLiteral("42"));
    EXPECT_EQ(NodeRow::rankText(120), QStringLiteral("120"));
    DiskNode folder;
    folder.path = "/r/x";
    folder.isDirectory = true;
    folder.fileCount = 12345;
    EXPECT_EQ(NodeRow::secondFact(folder), QStringLiteral("12,345 files"));
    DiskNode file;
    file.path = "/r/x.txt";
    file.modified = Date::fromUnixSeconds(1'709'294'400); // 2024-03-01 12:00 UTC
    EXPECT_EQ(NodeRow::secondFact(file), QStringLiteral("Mar 1, 2024"));
}

class NodeRowPaintTest : public WidgetTest {};

TEST_F(NodeRowPaintTest, TheBarIsDrawnToItsShareOfTheTrack) {
    DiskNode node;
    node.path = "/r/file.bin";
    const QRect row(0, 0, 700, NodeRow::height(false));
    const NodeRow::Geometry g = NodeRow::geometry(row, node, {});
    ASSERT_GT(g.barTrack.width(), 100);
    NodeRow::Context context;
    const QColor colour = Appearance::color(Paper::color(node, ColorMode::folder, "", context.now));
    struct Drawn {
        std::int64_t size;
        std::int64_t maximum;
        double filledTo; // of the track
    };
    for (const Drawn& c :
         {Drawn{100, 100, 1}, Drawn{250, 100, 1}, Drawn{50, 100, 0.5}, Drawn{-40, 100, 0}, Drawn{10, 0, 1}}) {
        SCOPED_TRACE(std::to_string(c.size) + " of " + std::to_string(c.maximum));
        node.allocatedSize = c.size;
        QImage image(row.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            NodeRow::paint(painter, row, node, {std::nullopt, c.maximum, false}, context);
        }
        const int y = g.barTrack.center().y();
        const auto filledAt = [&](double share) {
            return near(image.pixelColor(g.barTrack.left() + int(share * g.barTrack.width()), y), colour, 8);
        };
        EXPECT_EQ(filledAt(0.02), c.filledTo > 0);
        EXPECT_EQ(filledAt(0.45), c.filledTo >= 0.5);
        EXPECT_EQ(filledAt(0.55), c.filledTo > 0.5);
        EXPECT_EQ(filledAt(0.98), c.filledTo >= 1);
        // Nothing is drawn past the track.
        EXPECT_EQ(image.pixelColor(g.barTrack.right() + 3, y).alpha(), 0);
    }
}

// Rows in the folder view: /home/user/Work holds the folder "bag" (two files) and three files.
class NodeRowListTest : public ExplorerTest {
protected:
    void SetUp() override {
        ExplorerTest::SetUp();
        ModelFixture tree(kRoot);
        tree.file(kRoot + "/big.bin", 9000, 9000);
        tree.file(kRoot + "/half.bin", 4500, 4500);
        tree.file(kRoot + "/bagel.txt", 10, 10);
        tree.folder(kRoot + "/bag");
        tree.file(kRoot + "/bag/in.txt", 100, 100);
        makeWindow();
        show(tree.finish());
        model->setStorageView(StorageView::folders);
        settle();
        grid = body<FolderGridView>();
        ASSERT_NE(grid, nullptr);
    }

    // Clicks `part` of file row `index` (scrolled into view first).
    void click(int index, NodeRow::Part part) {
        const NodeRowSection& rows = grid->files();
        const QRect row = rows.rowRect(index);
        grid->verticalScrollBar()->setValue(std::max(0, row.top() - 10));
        const NodeRow::Geometry g = NodeRow::geometry(row, rows.node(index), rows.options());
        const QPoint at = part == NodeRow::Part::queueButton   ? g.queueButton.center()
                          : part == NodeRow::Part::focusButton ? g.focusButton.center()
                                                               : g.name.center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->toViewport(QRect(at, QSize(1, 1))).topLeft());
        settle();
    }

    const std::string kRoot = "/home/user/Work";
    FolderGridView* grid = nullptr;
};

TEST_F(NodeRowListTest, ARowSelectsQueuesAndMarksWhatIsQueued) {
    const NodeRowSection& rows = grid->files();
    ASSERT_EQ(rows.count(), 3);
    EXPECT_EQ(rows.node(0).path, kRoot + "/big.bin");
    EXPECT_EQ(rows.options().maximum, 9000) << "the largest file";
    EXPECT_FALSE(rows.options().showPath);

    click(1, NodeRow::Part::row);
    EXPECT_EQ(model->selection(), kRoot + "/half.bin");
    EXPECT_EQ(model->focusPath(), kRoot) << "a click selects, it does not focus";

    EXPECT_FALSE(NodeRow::isQueued(rows.node(1), rows.context()));
    click(1, NodeRow::Part::queueButton);
    ASSERT_EQ(model->queue().size(), 1u);
    EXPECT_EQ(model->queue().front().node.path, kRoot + "/half.bin");
    EXPECT_EQ(model->queue().front().reason, "Selected in Explore");
    EXPECT_TRUE(NodeRow::isQueued(rows.node(1), rows.context()));
    EXPECT_FALSE(NodeRow::isQueued(rows.node(0), rows.context()));
    // Pressed again, the controller says it is there already.
    click(1, NodeRow::Part::queueButton);
    EXPECT_EQ(model->queue().size(), 1u);

    // A saved scan allows no staging: the button does nothing, the row still selects.
    model->setIsHistorical(true);
    settle();
    EXPECT_FALSE(rows.context().canClean);
    click(0, NodeRow::Part::queueButton);
    EXPECT_EQ(model->queue().size(), 1u);
    click(0, NodeRow::Part::row);
    EXPECT_EQ(model->selection(), kRoot + "/big.bin");
}

TEST_F(NodeRowListTest, AFolderInsideAQueuedFolderIsMarkedAndTheFocusButtonFocuses) {
    // The quick wins list a folder's row: its focus button focuses it and shows the Explore section.
    DiskNode bag = node(kRoot + "/bag");
    model->stage({bag}, nullptr, "Selected in Explore");
    settle();
    model->focus(bag);
    settle();
    ASSERT_EQ(grid->files().count(), 1);
    EXPECT_TRUE(NodeRow::isQueued(grid->files().node(0), grid->files().context()))
        << "inside a queued folder";

    model->focus(node(kRoot));
    settle();
    EXPECT_FALSE(NodeRow::isQueued(grid->files().node(2), grid->files().context()))
        << "bagel.txt is not in bag";
    const DiskNode bagFolder = node(kRoot + "/bag");
    NodeRow::activate(NodeRow::Part::focusButton, *model, bagFolder);
    EXPECT_EQ(model->focusPath(), kRoot + "/bag");
    EXPECT_EQ(model->section(), AppSection::explore);
    EXPECT_EQ(NodeRow::toolTip(NodeRow::Part::focusButton), QStringLiteral("Focus on folder"));
    EXPECT_EQ(NodeRow::toolTip(NodeRow::Part::queueButton), QStringLiteral("Add to Cleanup"));
    EXPECT_EQ(NodeRow::toolTip(NodeRow::Part::row), QString());
}

TEST_F(NodeRowListTest, AFileRowHasNoFocusButton) {
    const NodeRowSection& rows = grid->files();
    const NodeRow::Geometry file = NodeRow::geometry(rows.rowRect(0), rows.node(0), rows.options());
    EXPECT_TRUE(file.focusButton.isEmpty());
    const DiskNode bagFolder = node(kRoot + "/bag");
    const NodeRow::Geometry withButton = NodeRow::geometry(rows.rowRect(0), bagFolder, rows.options());
    EXPECT_FALSE(withButton.focusButton.isEmpty());
    EXPECT_EQ(NodeRow::partAt(rows.rowRect(0), bagFolder, rows.options(), withButton.focusButton.center()),
              NodeRow::Part::focusButton);
    EXPECT_EQ(NodeRow::partAt(rows.rowRect(0), rows.node(0), rows.options(), withButton.focusButton.center()),
              NodeRow::Part::row);
}

} // namespace
} // namespace ambertrove::test
