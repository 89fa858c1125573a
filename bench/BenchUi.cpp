// ambertrove-bench ui: the real window over the real controller scans a folder offscreen while the
// benchmark switches sections and storage views and browses the live folders, and measures how late a
// 5 ms timer on the GUI thread ever fires: the longest time the window could not answer.
#include "BenchCommand.hpp"

#include "controller/AppModel.hpp"
#include "shell/MainWindow.hpp"
#include "storage/MemoryPreferenceStore.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace ambertrove::bench {

namespace {

constexpr int kTickMilliseconds = 5;
constexpr int kSwitchMilliseconds = 120;
// After the scan the window is watched a little longer: the explorer is built then.
constexpr int kAfterScanMilliseconds = 1500;

int runUi(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: ambertrove-bench ui PATH\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "ambertrove-bench";
    static char* argv[] = {name, nullptr};
    QApplication application(argc, argv);

    // The controller keeps its state files in a folder of its own for the run.
    const std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("ambertrove-bench-ui-" + std::to_string(::getpid()));
    std::filesystem::create_directories(state);
    auto preferences = std::make_shared<MemoryPreferenceStore>();
    AppEnvironment environment(SnapshotStore::inStateFolder(state.string()), state.string(), true,
                               preferences);
    auto model = std::make_unique<AppModel>(std::move(environment));
    auto window = std::make_unique<MainWindow>(*model, QStringList{QStringLiteral("ambertrove")});
    window->show();
    QApplication::processEvents();

    releaseFreeMemory();
    const long long before = residentBytes();

    double start = nowSeconds();
    int step = 0;
    // The stall meter: how much later than asked each tick arrives.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.nsecsElapsed();
    double maxStallMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kTickMilliseconds);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double stall = double(now - lastTick) / 1e6 - kTickMilliseconds;
        // AMBERTROVE_BENCH_TRACE names each long stall and when it happened.
        if (stall > 15 && std::getenv("AMBERTROVE_BENCH_TRACE"))
            std::fprintf(stderr, "stall %.1f ms at %.3f s, scanning=%d step=%d\n", stall, secondsSince(start),
                         int(model->scanning()), step);
        maxStallMs = std::max(maxStallMs, stall);
        lastTick = now;
    });

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

    double scanSeconds = 0;
    QObject::connect(model.get(), &AppModel::scanChanged, &application, [&] {
        if (scanSeconds == 0 && !model->scanning() && (model->scan() || model->error())) {
            scanSeconds = secondsSince(start);
            user.stop();
            model->setSection(AppSection::explore);
            QTimer::singleShot(kAfterScanMilliseconds, &application, &QApplication::quit);
        }
    });
    start = nowSeconds();
    model->startScan(std::filesystem::absolute(args[0]).string(), false);
    lastTick = clock.nsecsElapsed();
    ticker.start();
    user.start();
    QApplication::exec();
    ticker.stop();

    if (!model->scan()) {
        std::fprintf(stderr, "ambertrove-bench ui: the scan failed: %s\n",
                     model->error() ? model->error()->toStdString().c_str() : "no result");
        return 1;
    }
    const std::size_t entries = model->scan()->nodes.size();
    releaseFreeMemory();
    const long long rss = residentBytes() - before;
    window.reset();
    model.reset();
    std::error_code ignored;
    std::filesystem::remove_all(state, ignored);
    std::printf("entries=%zu scan_seconds=%.3f max_stall_ms=%.1f rss_bytes=%lld\n", entries, scanSeconds,
                maxStallMs, rss);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(ui, "ui PATH", runUi);

} // namespace ambertrove::bench
