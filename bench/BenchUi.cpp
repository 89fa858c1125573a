// ambertrove-bench ui: the real window over the real controller scans a folder offscreen while the
// benchmark switches sections and storage views and browses the live folders, and measures how late a
// 5 ms timer on the GUI thread ever fires: the longest time the window could not answer.
#include "BenchCommand.hpp"
#include "BenchWindow.hpp"

#include "controller/AppModel.hpp"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace ambertrove::bench {

namespace {

constexpr int kSwitchMilliseconds = 120;
// After the scan the window is watched a little longer: the explorer is built then.
constexpr int kAfterScanMilliseconds = 1500;

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
    // The stall meter: how much later than asked each tick arrives.
    StallMeter meter;
    // AMBERTROVE_BENCH_TRACE names each long stall and when it happened.
    if (std::getenv("AMBERTROVE_BENCH_TRACE")) {
        meter.onLongStall = [&](double stall) {
            std::fprintf(stderr, "stall %.1f ms at %.3f s, scanning=%d step=%d\n", stall, secondsSince(start),
                         int(model->scanning()), step);
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

    double scanSeconds = 0;
    QObject::connect(model, &AppModel::scanChanged, model, [&] {
        if (scanSeconds == 0 && !model->scanning() && (model->scan() || model->error())) {
            scanSeconds = secondsSince(start);
            user.stop();
            model->setSection(AppSection::explore);
            QTimer::singleShot(kAfterScanMilliseconds, model, &QApplication::quit);
        }
    });
    start = nowSeconds();
    model->startScan(std::filesystem::absolute(args[0]).string(), false);
    meter.start();
    user.start();
    QApplication::exec();
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
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(ui, "ui PATH", runUi);

} // namespace ambertrove::bench
