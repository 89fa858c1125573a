#pragma once

#include "ChartTestSupport.hpp"
#include "WindowTestSupport.hpp"

#include "explore/GraphView.hpp"
#include "support/ModelFixture.hpp"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace ambertrove::test {

// Counts the layouts a chart view makes and can hold them at a gate until the test opens it. Shared with
// the layouts, which run on other threads.
struct LayoutGate {
    std::atomic<int> builds{0};
    std::atomic<int> waiting{0};
    std::mutex mutex;
    std::condition_variable opened;
    bool held = false;
    // Makes the scene of a layout; the input's own by default.
    std::function<GraphScene(const GraphLayoutInput&, const QRectF&)> make;

    void hold() {
        const std::lock_guard lock(mutex);
        held = true;
    }
    void open() {
        {
            const std::lock_guard lock(mutex);
            held = false;
        }
        opened.notify_all();
    }

    GraphView::Build build() {
        return [this](const GraphLayoutInput& input, const QRectF& bounds,
                      const TaskCancellation& cancellation) {
            ++builds;
            {
                std::unique_lock lock(mutex);
                ++waiting;
                opened.wait(lock, [this] { return !held; });
                --waiting;
            }
            if (make)
                return make(input, bounds);
            const UnitMeasurer measurer;
            return input.build(bounds, cancellation, &measurer);
        };
    }
};

// A chart view over the real controller, in a window of the background colour at a known size.
class GraphViewTest : public WindowTest {
protected:
    void TearDown() override {
        gate.open();
        host.reset();
        WindowTest::TearDown();
    }

    // The view in a shown window whose chart area is `chart` pixels.
    GraphView& makeView(GraphView::Mode mode = GraphView::Mode::explore, QSize chart = QSize(560, 380)) {
        if (!model)
            makeModel();
        host = std::make_unique<QWidget>();
        host->setAutoFillBackground(true);
        QPalette colours = host->palette();
        colours.setColor(QPalette::Window, Appearance::role(ColorRole::background));
        host->setPalette(colours);
        auto* layout = new QVBoxLayout(host.get());
        layout->setContentsMargins(0, 0, 0, 0);
        view = new GraphView(*model, mode, host.get(), gate.build());
        layout->addWidget(view);
        const int margin = mode == GraphView::Mode::explore ? 2 * GraphView::kMargin : 0;
        host->resize(chart.width() + margin, chart.height() + margin + GraphView::kSpacing + 28);
        host->show();
        settle();
        return *view;
    }

    // Waits for the layout that the view asked for (the manual runner's job) and runs it.
    bool layOut() {
        QSignalSpy installed(view, &GraphView::sceneInstalled);
        if (runner->pending() == 0) {
            QSignalSpy started(runner, &ManualJobRunner::jobStarted);
            if (!started.wait(2000))
                return false;
        }
        runner->runAll();
        settle();
        return installed.count() > 0;
    }

    // A scan of "/r": docs/ with a.txt 4000 and b.txt 2000, movie.mp4 8000, song.mp3 1000.
    static ScanResultPtr smallScan() {
        ModelFixture f("/r");
        f.folder("/r/docs");
        f.file("/r/docs/a.txt", 4000, 4000);
        f.file("/r/docs/b.txt", 2000, 2000);
        f.file("/r/movie.mp4", 8000, 8000);
        f.file("/r/song.mp3", 1000, 1000);
        return shared(f.finish());
    }

    [[nodiscard]] QPoint centreOf(const std::string& path) const {
        const std::vector<std::size_t> marks = marksOf(view->scene(), path);
        EXPECT_FALSE(marks.empty()) << path;
        return marks.empty() ? QPoint()
                             : view->scene().marks[marks.back()].path.boundingRect().center().toPoint();
    }

    LayoutGate gate;
    std::unique_ptr<QWidget> host;
    GraphView* view = nullptr;
};

} // namespace ambertrove::test
