// ambertrove-bench ui: the real window over the real controller scans a folder offscreen while the
// benchmark switches sections and storage views and browses the live folders, and measures how late a
// 5 ms timer on the GUI thread ever fires: the longest time the window could not answer. It prints
//   entries=N scan_seconds=X max_stall_ms=Y rss_bytes=Z
// for the scan and the 1.5 s after it (Z: what the process holds then beyond what it held before). Then the
// finished scan's root is shown in each of the nine storage views and each of the six sections in turn, and a
// five-character name filter is typed into the top bar's field at a person's pace, and it prints
//   scan_max_stall_ms=X     the longest stall before the scan's result arrived
//   switch_max_stall_ms=X   the longest while the views and sections were switched
//   filter_max_stall_ms=X   the longest while the filter was typed and its results came
//   views_rss_bytes=X       what the process holds beyond the start once every view and section was shown
#include "BenchCommand.hpp"
#include "BenchWindow.hpp"

#include "controller/AppModel.hpp"
#include "explore/ExploreView.hpp"
#include "explore/StorageBody.hpp"
#include "shell/ContentView.hpp"
#include "shell/FilterField.hpp"
#include "shell/TopBar.hpp"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

namespace ambertrove::bench {

namespace {

constexpr int kSwitchMilliseconds = 120;
// After the scan the window is watched a little longer: the explorer is built then.
constexpr int kAfterScanMilliseconds = 1500;
// How long each view and section is shown at least, and at most while its result is awaited.
constexpr double kDwellSeconds = 0.4;
constexpr double kResultGiveUpSeconds = 30;
// The filter, typed one key at a time, and the time between two keys.
constexpr const char* kFilter = ".json";
constexpr int kKeyMilliseconds = 150;
// After the last key the results are awaited this long.
constexpr double kFilterSettleSeconds = 2;

// Handles events until `done` holds or `giveUpSeconds` passed, deleting the widgets the window replaced
// (deleteLater) as its own event loop does between two of the user's actions: events handled from outside
// any loop never delete them, and every view visited would stay in memory.
void settle(const std::function<bool()>& done, double giveUpSeconds = kResultGiveUpSeconds) {
    const double start = nowSeconds();
    // Wakes the wait below at least every 5 ms; the wait itself sleeps, as the window's loop does, so that
    // the benchmark takes no processor from the window's threads.
    QTimer wake;
    wake.start(5);
    while (!done() && secondsSince(start) < giveUpSeconds) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Handles events for `seconds`, as settle() does.
void pause(double seconds) {
    const double start = nowSeconds();
    settle([&] { return secondsSince(start) >= seconds; });
}

// Shows each storage view of the explorer at the scan's root and each section in turn, every one until it
// shows its current result and at least kDwellSeconds.
void switchThrough(BenchWindow& bench, const char*& phase, bool trace) {
    AppModel& model = bench.model();
    const double begin = nowSeconds();
    const auto shown = [&] {
        if (!trace)
            return;
        releaseFreeMemory();
        std::fprintf(stderr, "%s shown at %.3f s, rss %lld\n", phase, secondsSince(begin), residentBytes());
    };
    const auto explorerBody = [&]() -> StorageBody* {
        auto* explore = qobject_cast<ExploreView*>(bench.window().content()->sectionView());
        return explore ? dynamic_cast<StorageBody*>(explore->body()) : nullptr;
    };
    // From the scan's root, whichever folder the live browsing ended in: every run measures the same.
    const ScanResult& scan = *model.scan();
    model.setSection(AppSection::explore);
    model.focus(scan.nodes.makeNode(scan.rootIndex(), false));
    pause(kDwellSeconds);
    for (const StorageView view : EnumTexts<StorageView>::cases) {
        phase = EnumTexts<StorageView>::texts[std::size_t(view)];
        const double start = nowSeconds();
        model.setStorageView(view);
        settle([&] {
            const StorageBody* body = explorerBody();
            return secondsSince(start) >= kDwellSeconds && body && body->showsCurrentResult();
        });
        shown();
    }
    for (const AppSection section : EnumTexts<AppSection>::cases) {
        phase = EnumTexts<AppSection>::texts[std::size_t(section)];
        model.setSection(section);
        pause(kDwellSeconds);
        shown();
    }
    model.setSection(AppSection::explore);
}

// Types kFilter into the top bar's filter field at a person's pace over the treemap, then lets the results
// come.
void typeFilter(BenchWindow& bench) {
    auto* bar = bench.window().findChild<TopBar*>();
    QLineEdit* edit = bar ? bar->filterField()->edit() : nullptr;
    if (!edit) {
        std::fprintf(stderr, "ambertrove-bench ui: no filter field in the top bar\n");
        return;
    }
    // In the view the window opens with, once it shows its result.
    bench.model().setStorageView(StorageView::treemap);
    pause(1);
    for (const char* key = kFilter; *key; ++key) {
        const QString text(QChar::fromLatin1(*key));
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
        QCoreApplication::sendEvent(edit, &press);
        QCoreApplication::sendEvent(edit, &release);
        pause(kKeyMilliseconds / 1000.0);
    }
    pause(kFilterSettleSeconds);
}

int runUi(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: ambertrove-bench ui PATH\n");
        return 2;
    }
    // The controller keeps its state files in a folder of its own for the run; the monitor runs.
    BenchWindow bench("ui", true);
    AppModel* model = &bench.model();
    QApplication::processEvents();

    releaseFreeMemory();
    const long long before = residentBytes();

    double start = nowSeconds();
    int step = 0;
    const char* phase = "scan";
    // The stall meter: how much later than asked each tick arrives.
    StallMeter meter;
    // AMBERTROVE_BENCH_TRACE names each long stall and when it happened.
    if (std::getenv("AMBERTROVE_BENCH_TRACE")) {
        meter.onLongStall = [&](double stall) {
            std::fprintf(
                stderr,
                "stall %.1f ms (%.1f ms working, %.1f ms waiting for a processor) at %.3f s, scanning=%d "
                "step=%d phase=%s\n",
                stall, meter.lastTickCpuMs(), meter.lastTickQueuedMs(), secondsSince(start),
                int(model->scanning()), step, phase);
        };
    }

    // The user: sections, storage views and live browsing in turn while the scan runs.
    const StorageView liveViews[] = {StorageView::folders, StorageView::treemap, StorageView::sunburst,
                                     StorageView::flame,   StorageView::bubbles, StorageView::mindMap};
    const AppSection sections[] = {AppSection::explore, AppSection::duplicates, AppSection::explore,
                                   AppSection::cleanup, AppSection::explore,    AppSection::monitor};
    QTimer user;
    user.setInterval(kSwitchMilliseconds);
    QObject::connect(&user, &QTimer::timeout, [&] {
        ++step;
        model->setSection(sections[std::size_t(step) % std::size(sections)]);
        model->setStorageView(liveViews[std::size_t(step) % std::size(liveViews)]);
        // Every third step browses into the largest folder shown, or back to the root.
        const auto& progress = model->scanProgress();
        if (step % 3 == 0 && model->scanning() && progress && progress->browsing) {
            const auto& children = progress->browsing->children;
            const auto largest =
                std::max_element(children.begin(), children.end(), [](const DiskNode& a, const DiskNode& b) {
                    return !a.isDirectory || (b.isDirectory && a.allocatedSize < b.allocatedSize);
                });
            if (largest != children.end() && largest->isDirectory && step % 9 != 0)
                model->navigateLive(largest->path, true);
            else
                model->navigateLive(progress->browsing->rootPath, true);
        }
    });

    // A loop of its own: the application's quit would close the window, which is shown again afterwards.
    QEventLoop loop;
    double scanSeconds = 0;
    double scanStallMs = 0;
    QObject::connect(model, &AppModel::scanChanged, model, [&] {
        if (scanSeconds == 0 && !model->scanning() && (model->scan() || model->error())) {
            scanSeconds = secondsSince(start);
            scanStallMs = meter.maxStallMs();
            phase = "after scan";
            user.stop();
            model->setSection(AppSection::explore);
            QTimer::singleShot(kAfterScanMilliseconds, &loop, &QEventLoop::quit);
        }
    });
    start = nowSeconds();
    model->startScan(std::filesystem::absolute(args[0]).string(), false);
    meter.start();
    user.start();
    loop.exec();
    meter.stop();

    if (!model->scan()) {
        std::fprintf(stderr, "ambertrove-bench ui: the scan failed: %s\n",
                     model->error() ? model->error()->toStdString().c_str() : "no result");
        return 1;
    }
    const std::size_t entries = model->scan()->nodes.size();
    releaseFreeMemory();
    const long long rss = residentBytes() - before;
    std::printf("entries=%zu scan_seconds=%.3f max_stall_ms=%.1f rss_bytes=%lld\n", entries, scanSeconds,
                meter.maxStallMs(), rss);
    std::printf("scan_max_stall_ms=%.1f\n", scanStallMs);
    std::fflush(stdout);

    meter.start();
    switchThrough(bench, phase, std::getenv("AMBERTROVE_BENCH_TRACE") != nullptr);
    meter.stop();
    std::printf("switch_max_stall_ms=%.1f\n", meter.maxStallMs());
    std::fflush(stdout);
    releaseFreeMemory();
    const long long viewsRss = residentBytes() - before;

    phase = "filter";
    meter.start();
    typeFilter(bench);
    meter.stop();
    std::printf("filter_max_stall_ms=%.1f\n", meter.maxStallMs());
    std::printf("views_rss_bytes=%lld\n", viewsRss);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(ui, "ui PATH", runUi);

} // namespace ambertrove::bench
