// The Monitor section and its sparkline: the figures of a reading, the charts' scales, the process ranking,
// the bars that never run past their ends, and the points the sparkline draws.
#include "ScreenTestSupport.hpp"

#include "screens/MemoryBar.hpp"
#include "screens/MetricHeader.hpp"
#include "screens/MonitorView.hpp"
#include "screens/ProcessTable.hpp"
#include "screens/SmallMetric.hpp"
#include "screens/Sparkline.hpp"
#include "screens/VolumeList.hpp"
#include "widgets/SectionCaption.hpp"
#include "widgets/SegmentedChoices.hpp"
#include "widgets/ShrinkingLabel.hpp"

#include <QAbstractButton>
#include <QLabel>

#include <cmath>
#include <limits>

namespace ambertrove::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(MonitorUptime, WholeMinutesAsDaysHoursAndMinutesAndNothingForReadingsThatAreNone) {
    const std::vector<std::pair<double, const char*>> cases = {
        {59, "0d 0h 0m"},   {60, "0d 0h 1m"}, {90061, "1d 1h 1m"},     {86399, "0d 23h 59m"},
        {kNaN, "0d 0h 0m"}, {-5, "0d 0h 0m"}, {kInfinity, "0d 0h 0m"}, {-kInfinity, "0d 0h 0m"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(MonitorView::uptime(seconds), QString::fromUtf8(text)) << seconds;
    EXPECT_TRUE(MonitorView::uptime(1e300).endsWith(QStringLiteral("m"))) << "a huge reading is still a text";
}

TEST(MonitorNetworkScale, TheLargestRateOfTheHistoryAndAtLeast1024) {
    EXPECT_EQ(MonitorView::networkMax({}), 1024);
    std::vector<MonitorSample> history(3);
    EXPECT_EQ(MonitorView::networkMax(history), 1024) << "all rates 0";
    history[0].download = 5000;
    history[1].upload = 9000;
    history[2].download = 700;
    EXPECT_EQ(MonitorView::networkMax(history), 9000);
}

TEST(MonitorProcesses, FilteredThenRankedWithEqualValuesInTheReadingsOrderAndAtMost40) {
    std::vector<ProcessInfoRow> processes;
    for (int i = 0; i < 50; ++i)
        processes.push_back({i + 100, "worker-" + std::to_string(i), double(i % 3), std::int64_t(i) * 1000});
    processes.push_back({7, "Idle", kNaN, 1});
    const std::vector<ProcessInfoRow> byCpu = ProcessTable::rows(processes, QString(), false);
    ASSERT_EQ(byCpu.size(), 40u);
    // CPU 2 first (ids 102, 105, ...), in the reading's order, then CPU 1.
    EXPECT_EQ(byCpu[0].id, 102);
    EXPECT_EQ(byCpu[1].id, 105);
    EXPECT_EQ(byCpu[16].id, 101);
    for (std::size_t i = 1; i < byCpu.size(); ++i) {
        EXPECT_GE(byCpu[i - 1].cpu, byCpu[i].cpu);
        if (byCpu[i - 1].cpu == byCpu[i].cpu) {
            EXPECT_LT(byCpu[i - 1].id, byCpu[i].id) << "stable";
        }
    }
    const std::vector<ProcessInfoRow> byMemory = ProcessTable::rows(processes, QString(), true);
    EXPECT_EQ(byMemory.front().id, 149);
    const std::vector<ProcessInfoRow> idle = ProcessTable::rows(processes, QStringLiteral("IDLE"), false);
    ASSERT_EQ(idle.size(), 1u);
    EXPECT_EQ(idle[0].id, 7);
    EXPECT_TRUE(ProcessTable::rows(processes, QStringLiteral("nothing"), false).empty());
    const std::vector<ProcessInfoRow> few(processes.end() - 3, processes.end());
    EXPECT_EQ(ProcessTable::rows(few, QString(), false).back().id, 7) << "not a number ranks last";
}

TEST(MonitorBars, EachMemorySegmentGetsAtMostTheWidthStillFreeAndVolumeBarsStayWithinTheirTrack) {
    struct Case {
        const char* name;
        double width;
        std::int64_t wired, compressed, used, total;
        MemoryBar::Segments expected;
    };
    const std::vector<Case> cases = {
        {"shares", 100, 25, 25, 75, 100, {25, 25, 25, 22}},
        {"nothing known", 100, 0, 0, 0, 0, {0, 0, 0, 97}},
        {"no total: divided by 1, then kept in the bar", 100, 5, 5, 20, 0, {97, 0, 0, 0}},
        {"wired and compressed above used", 100, 40, 40, 60, 100, {40, 40, 0, 17}},
        {"wired above the total", 100, 300, 10, 310, 100, {97, 0, 0, 0}},
        {"narrower than the gaps", 2, 25, 25, 75, 100, {0, 0, 0, 0}},
        {"negative figures count as 0", 100, -50, 10, 20, 100, {0, 10, 10, 77}},
    };
    for (const Case& c : cases) {
        const MemoryBar::Segments s = MemoryBar::segments(c.width, c.wired, c.compressed, c.used, c.total);
        EXPECT_NEAR(s.wired, c.expected.wired, 1e-9) << c.name;
        EXPECT_NEAR(s.compressed, c.expected.compressed, 1e-9) << c.name;
        EXPECT_NEAR(s.used, c.expected.used, 1e-9) << c.name;
        EXPECT_NEAR(s.free, c.expected.free, 1e-9) << c.name;
        EXPECT_NEAR(s.wired + s.compressed + s.used + s.free, std::max(c.width - 3, 0.0), 1e-9) << c.name;
    }

    VolumeInfo volume;
    volume.total = 0;
    volume.free = 10;
    EXPECT_EQ(VolumeList::barFraction(volume), 0) << "no capacity";
    volume.total = 1000;
    volume.free = 250;
    EXPECT_DOUBLE_EQ(VolumeList::barFraction(volume), 0.75);
    volume.free = -500; // a file system that reports more used than it holds
    EXPECT_EQ(VolumeList::barFraction(volume), 1);
    volume.free = 5000;
    EXPECT_EQ(VolumeList::barFraction(volume), 0);
}

TEST(SparklinePoints, ShareOfTheMaximumFromTwoPixelsAboveTheBottomToTwoBelowTheTop) {
    EXPECT_TRUE(Sparkline::points({}, 100, 200, 50).empty());
    EXPECT_TRUE(Sparkline::points({42}, 100, 200, 50).empty()) << "one value draws nothing";

    const std::vector<QPointF> two = Sparkline::points({0, 100}, 100, 200, 50);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], QPointF(0, 48));
    EXPECT_EQ(two[1], QPointF(200, 2));

    const std::vector<QPointF> odd = Sparkline::points({kNaN, 250, -3, 50, kInfinity}, 100, 100, 50);
    ASSERT_EQ(odd.size(), 5u);
    EXPECT_EQ(odd[0].y(), 48) << "not a number at the bottom";
    EXPECT_EQ(odd[1].y(), 2) << "above the maximum at the top";
    EXPECT_EQ(odd[2].y(), 48);
    EXPECT_EQ(odd[3].y(), 25);
    EXPECT_EQ(odd[4].y(), 2);
    EXPECT_EQ(odd[2].x(), 50);

    // A maximum below 1 counts as 1: 0.5 is half-way.
    for (const double maximum : {0.0, 0.5, -7.0})
        EXPECT_EQ(Sparkline::points({0.5, 0.5}, maximum, 10, 60)[0].y(), 30) << maximum;
}

TEST(SparklineDrawing, TheFillLiesUnderTheLineAndTheLineOnTop) {
    Sparkline chart(QColor(200, 0, 0), 100, true);
    chart.resize(100, 60);
    chart.setValues({50, 50, 50});
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    chart.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // The line at y = 58 − 56 × 0.5 = 30.
    EXPECT_LT(image.pixelColor(50, 30).green(), 80) << "the line";
    const QColor under = image.pixelColor(50, 50);
    EXPECT_LT(under.green(), 255) << "tinted under the line";
    EXPECT_GT(under.green(), 200) << "faintly";
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::white)) << "nothing above it";
    Sparkline single(QColor(200, 0, 0), 100, true);
    single.resize(100, 60);
    single.setValues({50});
    QImage empty(single.size(), QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::white);
    single.render(&empty, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int y = 0; y < 60; y += 5)
        EXPECT_EQ(empty.pixelColor(50, y), QColor(Qt::white)) << y;
}

class MonitorScreenTest : public ScreenTest {
protected:
    // A reading with two volumes, 45 processes and every figure set.
    static MonitorSample reading(int index) {
        MonitorSample s;
        s.cpu = 20 + 15 * std::sin(index / 5.0) + 10;
        s.userCPU = s.cpu * 0.7;
        s.systemCPU = s.cpu * 0.3;
        s.memoryTotal = 16'000'000'000;
        s.memoryUsed = 9'000'000'000 + std::int64_t(index) * 20'000'000;
        s.wired = 2'500'000'000;
        s.compressed = 1'200'000'000;
        s.cached = 3'000'000'000;
        s.loadAverages = {1.5, 1.25, 0.875};
        s.uptime = 90061;
        s.download = 40'000 + std::int64_t(index % 7) * 30'000;
        s.upload = 5'000 + std::int64_t(index % 4) * 8'000;
        s.received = 120'000'000;
        s.sent = 8'000'000;
        for (int i = 0; i < 45; ++i)
            s.processes.push_back({1000 + i, "process-" + std::to_string(i), double((i * 37) % 50) / 2,
                                   std::int64_t((i * 53) % 45) * 10'000'000});
        VolumeInfo root;
        root.path = "/";
        root.name = "System";
        root.total = 500'000'000'000;
        root.free = 120'000'000'000;
        VolumeInfo data = root;
        data.path = "/data";
        data.name = "Data";
        data.free = 400'000'000'000;
        s.volumes = {root, data};
        return s;
    }
};

TEST_F(MonitorScreenTest, EachReadingUpdatesTheScreenInPlace) {
    MonitorView* view = enter<MonitorView>(AppSection::monitor);
    ASSERT_NE(view, nullptr);
    // Before the first reading: the empty sample, no charts.
    EXPECT_TRUE(view->cpuChart()->values().empty());
    EXPECT_EQ(view->loadMetric()->valueLabel()->text(), QStringLiteral("0.00"));
    EXPECT_EQ(MonitorView::cpuHelp(model->activity().sample()),
              QStringLiteral("Load (1 / 5 / 15 min):  · Uptime 0d 0h 0m"));

    MonitorSample first = reading(0);
    model->activity().record(first);
    EXPECT_EQ(shown<MonitorView>(), view) << "updated, not built again";
    EXPECT_EQ(view->cpuHeader()->valueLabel()->text(), QString::asprintf("%.1f%%", first.cpu));
    EXPECT_EQ(view->cpuHeader()->toolTip(),
              QStringLiteral("Load (1 / 5 / 15 min): 1.50 / 1.25 / 0.88 · Uptime 1d 1h 1m"));
    EXPECT_EQ(view->memoryHeader()->valueLabel()->text(), QStringLiteral("9 GB"));
    EXPECT_EQ(view->memoryHeader()->toolTip(), QStringLiteral("File-backed pages: 3 GB"));
    EXPECT_EQ(view->networkHeader()->valueLabel()->text(), QStringLiteral("40 KB/s ↓"));
    EXPECT_EQ(view->networkHeader()->toolTip(), QStringLiteral("This session: 120 MB received · 8 MB sent"));
    EXPECT_EQ(view->loadMetric()->valueLabel()->text(), QStringLiteral("1.50"));
    EXPECT_EQ(view->volumes()->volumes().size(), 2u);
    EXPECT_TRUE(view->cpuChart()->values().size() == 1) << "one value: nothing drawn yet";
    EXPECT_FALSE(view->issuesLabel()->isVisible());

    for (int i = 1; i < 60; ++i)
        model->activity().record(reading(i));
    EXPECT_EQ(view->cpuChart()->values().size(), 60u);
    EXPECT_EQ(view->memoryChart()->maximum(), 16'000'000'000.0);
    EXPECT_EQ(view->downloadChart()->maximum(), MonitorView::networkMax(model->activity().history()));
    EXPECT_EQ(view->uploadChart()->maximum(), view->downloadChart()->maximum()) << "one scale for both";

    // 45 processes, 40 rows, ranked by CPU; the caption always says 40.
    EXPECT_EQ(view->processes()->shownRows().size(), 40u);
    EXPECT_EQ(view->processCaption()->title(), QStringLiteral("Top processes by CPU"));
    EXPECT_EQ(view->processCaption()->trailing(), QStringLiteral("40 shown"));
    QTest::mouseClick(view->sortChoices()->button(1), Qt::LeftButton);
    EXPECT_TRUE(view->sortByMemory());
    EXPECT_EQ(view->processCaption()->title(), QStringLiteral("Top processes by memory"));
    EXPECT_GE(view->processes()->shownRows()[0].memory, view->processes()->shownRows()[1].memory);
    model->setFilter(QStringLiteral("PROCESS-1"));
    EXPECT_EQ(view->processes()->shownRows().size(), 11u) << "process-1 and process-10 to 19";
    model->setFilter(QStringLiteral("no such name"));
    EXPECT_TRUE(view->processes()->shownRows().empty());
    EXPECT_EQ(view->processCaption()->trailing(), QStringLiteral("40 shown"));
    model->setFilter(QString());

    MonitorSample failing = reading(60);
    failing.issues = {"Memory could not be read.", "Network counters could not be read."};
    failing.volumes.push_back(failing.volumes[0]);
    failing.volumes.back().path = "/third";
    failing.volumes.push_back(failing.volumes[0]);
    failing.volumes.back().path = "/fourth";
    model->activity().record(failing);
    EXPECT_TRUE(view->issuesLabel()->isVisible());
    EXPECT_EQ(view->issuesLabel()->text(),
              QStringLiteral("Memory could not be read.\nNetwork counters could not be read."));
    EXPECT_EQ(view->volumes()->volumes().size(), 3u) << "the first three";
}

TEST_F(MonitorScreenTest, TheRankingStartsAtCpuWhenTheScreenIsBuiltAgain) {
    model = nullptr;
    MonitorView* view = enter<MonitorView>(AppSection::monitor);
    ASSERT_NE(view, nullptr);
    view->setSortByMemory(true);
    model->setSection(AppSection::snapshots);
    settle();
    view = enter<MonitorView>(AppSection::monitor);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->sortByMemory());
    EXPECT_EQ(view->sortChoices()->selection(), QVariant(false));
}

TEST_F(MonitorScreenTest, Pictures) {
    makeModel();
    for (int i = 0; i < 60; ++i)
        model->activity().record(reading(i));
    ASSERT_NE(enter<MonitorView>(AppSection::monitor), nullptr);
    saveBothAppearances(QStringLiteral("screen-monitor"));
}

} // namespace
} // namespace ambertrove::test
