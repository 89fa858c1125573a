// ambertrove-bench snapshots PATH: the real window over the real controller scans PATH offscreen and
// saves the scan, then saves a copy of it with every tenth file grown (and so every folder above one),
// and in the Snapshots section chooses the first as Before and presses "Select After" on the second.
// It prints
//   compare_ms=X max_stall_ms=Y changes=N
// compare_ms: from the press to the first paint of the changes' rows; max_stall_ms: the longest a 5 ms
// timer on the GUI thread was late meanwhile (as `ambertrove-bench ui` measures it); changes: how many
// paths the comparison found.
#include "BenchCommand.hpp"
#include "BenchWindow.hpp"

#include "controller/AppModel.hpp"
#include "screens/ChangesSection.hpp"
#include "screens/RowListView.hpp"
#include "screens/SnapshotRowDelegate.hpp"
#include "screens/SnapshotsView.hpp"
#include "shell/ContentView.hpp"

#include <QMouseEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace ambertrove::bench {

namespace {

constexpr std::size_t kChangedEvery = 10;
constexpr std::int64_t kGrowth = 10'000;

// `scan` again, record for record, with every `every`-th entry that is not a folder grown by kGrowth
// bytes and the folders' totals summed afresh.
ScanResult grownCopy(const ScanResult& scan, std::size_t every) {
    ScanResult copy;
    copy.rootPath = scan.rootPath;
    copy.scannedAt = scan.scannedAt;
    copy.skippedCount = scan.skippedCount;
    const NodeTable& from = scan.nodes;
    NodeTable& to = copy.nodes;
    to.reserve(from.recordCount());
    to.deferIndex();
    const NodeIndex root = scan.rootIndex();
    const NodeIndex newRoot = to.ensurePath(copy.rootPath);
    const auto figures = [](NodeData d) {
        // A folder's totals are summed again below.
        if (d.isDirectory) {
            d.logicalSize = d.ownLogicalSize;
            d.allocatedSize = d.ownAllocatedSize;
            d.compressedSavings = 0;
            d.fileCount = 0;
            d.folderCount = 0;
        }
        return d;
    };
    to.setNode(newRoot, figures(from.data(root)), from.hasParent(root));
    std::size_t files = 0;
    std::vector<std::pair<NodeIndex, NodeIndex>> stack{{root, newRoot}};
    while (!stack.empty()) {
        const auto [parent, newParent] = stack.back();
        stack.pop_back();
        for (const NodeIndex child : from.children(parent)) {
            if (!from.isNode(child))
                continue;
            NodeData d = figures(from.data(child));
            if (!d.isDirectory && files++ % every == 0) {
                d.logicalSize += kGrowth;
                d.ownLogicalSize += kGrowth;
                d.allocatedSize += kGrowth;
                d.ownAllocatedSize += kGrowth;
                d.identity.size += kGrowth;
            }
            const NodeIndex made = to.addRecord(newParent, from.name(child));
            to.setNode(made, d, true);
            to.appendChild(newParent, made);
            if (d.isDirectory)
                stack.emplace_back(child, made);
        }
    }
    // Every record comes after its folder's: one backward pass completes the folders.
    to.rollUpTotals(newRoot);
    to.finish();
    return copy;
}

int runSnapshots(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: ambertrove-bench snapshots PATH\n");
        return 2;
    }
    const bool trace = std::getenv("AMBERTROVE_BENCH_TRACE") != nullptr;
    BenchWindow bench("snapshots", false);
    AppModel& model = bench.model();
    // Tall enough that the changes' first rows are in view when they arrive.
    bench.window().resize(1440, 1600);

    model.setSnapshotsEnabled(true);
    const double scanStart = nowSeconds();
    if (!bench.scan(args[0], "snapshots"))
        return 1;
    std::fprintf(stderr, "scan: entries=%zu seconds=%.3f\n", model.scan()->nodes.size(),
                 secondsSince(scanStart));

    const auto save = [&](std::size_t count, const char* what) {
        const double start = nowSeconds();
        model.saveSnapshot();
        const bool saved =
            waitFor([&] { return !model.snapshotBusy() && model.snapshots().size() == count; });
        std::fprintf(stderr, "%s: %.3f s\n", what, secondsSince(start));
        return saved;
    };
    if (!save(1, "first save"))
        return 1;
    const double copyStart = nowSeconds();
    auto copy = std::make_shared<const ScanResult>(grownCopy(*model.scan(), kChangedEvery));
    std::fprintf(stderr, "grown copy: %.3f s\n", secondsSince(copyStart));
    model.setSection(AppSection::snapshots);
    model.setScan(copy);
    if (!save(2, "second save"))
        return 1;
    // The explorer's work on the new scan, if any, ends before the measure.
    const double rest = nowSeconds();
    waitFor([&] { return secondsSince(rest) > 3.0; });

    auto* view = qobject_cast<SnapshotsView*>(bench.window().content()->sectionView());
    if (!view) {
        std::fprintf(stderr, "ambertrove-bench snapshots: the Snapshots section is not built\n");
        return 1;
    }
    // Newest first: the copy, then the first save, which becomes the Before.
    view->select(model.snapshots()[1]);
    QCoreApplication::processEvents();
    RowListView* records = view->list();
    records->doItemsLayout();
    const std::optional<RowButton> after = records->button(0, SnapshotRowDelegate::select);
    if (!after || after->label != QStringLiteral("Select After")) {
        std::fprintf(stderr, "ambertrove-bench snapshots: no Select After button\n");
        return 1;
    }

    // Watches the paints of the changes' rows once there are rows.
    RowListView* rows = view->changes()->list();
    struct PaintWatch final : QObject {
        std::function<bool()> ready;
        bool painted = false;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && ready())
                painted = true;
            return QObject::eventFilter(watched, event);
        }
    } watch;
    watch.ready = [&] {
        return rows->model()->rowCount() > 0 && !model.snapshotBusy();
    };
    rows->viewport()->installEventFilter(&watch);

    StallMeter meter;
    const double start = nowSeconds();
    // AMBERTROVE_BENCH_TRACE tells each long stall and when the comparison's result arrived.
    if (trace) {
        meter.onLongStall = [&](double stall) {
            std::fprintf(stderr, "stall %.1f ms ending at %.1f ms\n", stall, secondsSince(start) * 1000);
        };
        QObject::connect(&model, &AppModel::snapshotsChanged, view, [&] {
            std::fprintf(stderr, "%.1f ms: busy=%d changes=%zu rows=%d\n", secondsSince(start) * 1000,
                         int(model.snapshotBusy()), model.changes().size(), rows->model()->rowCount());
        });
    }
    meter.start();
    const QPoint at = after->rect.center();
    QMouseEvent press(QEvent::MouseButtonPress, at, records->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, records->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(records->viewport(), &press);
    QCoreApplication::sendEvent(records->viewport(), &release);
    const bool shown = waitFor([&] { return watch.painted || (model.error() && !model.snapshotBusy()); });
    const double compareMs = secondsSince(start) * 1000;
    meter.stop();
    rows->viewport()->removeEventFilter(&watch);
    if (!shown || !watch.painted) {
        std::fprintf(stderr, "ambertrove-bench snapshots: no changes shown: %s\n",
                     model.error() ? model.error()->toStdString().c_str() : "timed out");
        return 1;
    }
    if (trace) {
        // Where the comparison's time goes: the two loads and the comparison, one after the other here.
        const SnapshotStore& store = model.store();
        double part = nowSeconds();
        const ScanResult earlier = store.load(model.snapshots()[1]);
        const double loadEarlier = secondsSince(part);
        part = nowSeconds();
        const ScanResult later = store.load(model.snapshots()[0]);
        const double loadLater = secondsSince(part);
        part = nowSeconds();
        const std::size_t found = SnapshotStore::compare(earlier, later, false).size();
        std::fprintf(stderr, "load earlier %.3f s, load later %.3f s, compare %.3f s (%zu changes)\n",
                     loadEarlier, loadLater, secondsSince(part), found);
        part = nowSeconds();
        const auto kept = ChangesSection::filtered(model.changes(), {0, false, model.comparisonRoot(), {}});
        std::fprintf(stderr, "one filter pass over all levels: %.1f ms (%zu kept)\n",
                     secondsSince(part) * 1000, kept.size());
    }
    std::fprintf(stderr, "rows listed: %d of %zu filtered\n", rows->model()->rowCount(),
                 view->changes()->rows().size());
    std::printf("compare_ms=%.1f max_stall_ms=%.1f changes=%zu\n", compareMs, meter.maxStallMs(),
                model.changes().size());
    std::fflush(stdout);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(snapshots, "snapshots PATH", runSnapshots);

} // namespace ambertrove::bench
