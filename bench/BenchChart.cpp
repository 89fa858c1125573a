// ambertrove-bench chart: what a chart costs on a scanned folder: the layout of each of the five chart kinds
// for the scan's root (depth 7, 1400x900, with labels) and drawing its scene into an image.
#include "BenchCommand.hpp"

#include "charts/GraphDrawing.hpp"
#include "charts/GraphLayoutInput.hpp"
#include "theme/Paper.hpp"

#include "scan/DiskScanner.hpp"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace ambertrove::bench {

namespace {

constexpr int kRounds = 3;

GraphLayoutInput inputFor(const ScanResultPtr& scan, StorageView view) {
    const bool dark = false;
    GraphLayoutInput input;
    input.scan = scan;
    input.root = scan->rootIndex();
    input.storageView = view;
    input.depth = 7;
    input.useThemeColors(dark);
    input.now = Date::now();
    return input;
}

double render(const GraphScene& scene, const QColor& background) {
    QImage image(1400, 900, QImage::Format_ARGB32_Premultiplied);
    const double start = nowSeconds();
    image.fill(background);
    QPainter painter(&image);
    GraphDrawing::paint(painter, scene, true);
    painter.end();
    return secondsSince(start);
}

int runChart(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: ambertrove-bench chart PATH\n");
        return 2;
    }
    // Fonts need a GUI application; no window is shown.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "ambertrove-bench";
    static char* argv[] = {name, nullptr};
    const QGuiApplication application(argc, argv);

    const CancellationFlag flag;
    const double scanStart = nowSeconds();
    const auto scan = std::make_shared<const ScanResult>(DiskScanner().scan(args[0], flag));
    std::fprintf(stderr, "scan: entries=%zu seconds=%.3f\n", scan->nodes.size(), secondsSince(scanStart));
    if (!scan->root()) {
        std::fprintf(stderr, "ambertrove-bench chart: the scan has no root\n");
        return 1;
    }

    const QRectF bounds(0, 0, 1400, 900);
    const std::pair<const char*, StorageView> styles[] = {{"treemap", StorageView::treemap},
                                                          {"flame", StorageView::flame},
                                                          {"sunburst", StorageView::sunburst},
                                                          {"bubbles", StorageView::bubbles},
                                                          {"mindMap", StorageView::mindMap}};
    for (const auto& [style, view] : styles) {
        const GraphLayoutInput input = inputFor(scan, view);
        // The first build meets cold caches (the scan's pages, the fonts); later ones show the steady cost.
        double start = nowSeconds();
        GraphScene scene = input.build(bounds);
        const double first = secondsSince(start);
        double build = 0;
        double draw = 0;
        for (int round = 0; round < kRounds; ++round) {
            start = nowSeconds();
            scene = input.build(bounds);
            const double seconds = secondsSince(start);
            build = round == 0 ? seconds : std::min(build, seconds);
            const double drawn = render(scene, input.background);
            draw = round == 0 ? drawn : std::min(draw, drawn);
        }
        std::printf("style=%s marks=%zu labels=%zu build_seconds=%.4f render_seconds=%.4f\n", style,
                    scene.marks.size(), scene.labels.size(), build, draw);
        std::fprintf(stderr, "  %s: first build_seconds=%.4f\n", style, first);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(chart, "chart PATH", runChart);

} // namespace ambertrove::bench
