// ambertrove-bench views: the real window over the real controller shows a finished scan of PATH offscreen,
// focused on the folder with the most children, and enters each storage view in turn. For each view that
// is built it prints
//   view=NAME enter_ms=X step_ms=Y max_stall_ms=Z
// enter_ms: from choosing the view to its first paint of a current result (not a placeholder, not the
// previous result); step_ms: one step of the view's gesture (a scroll step for lists, a hover move for
// charts), from the event to its paint, averaged; max_stall_ms: the longest a 5 ms timer on the GUI thread
// was late while the view was entered and stepped (as `ambertrove-bench ui` measures it).
// Then the table lists everything below the scan's root and is sorted by a click on a column header:
//   sort=COLUMN sort_ms=X
// sort_ms: from the click to the first paint of the sorted listing (the longest stall goes to stderr).
#include "BenchCommand.hpp"
#include "BenchWindow.hpp"

#include "controller/AppModel.hpp"
#include "explore/ExploreView.hpp"
#include "explore/FileTableModel.hpp"
#include "explore/FileTableView.hpp"
#include "explore/StorageBody.hpp"
#include "shell/ContentView.hpp"
#include "shell/MainWindow.hpp"

#include <QAbstractScrollArea>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPointer>
#include <QTableView>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace ambertrove::bench {

namespace {

constexpr int kSteps = 40;
constexpr double kGiveUpSeconds = 60;

enum class Gesture { scroll, hover };

// One line of output: how the view is chosen, and its gesture.
struct ViewRow {
    const char* name;
    std::function<void(AppModel&)> choose;
    Gesture gesture;
};

[[nodiscard]] std::function<void(AppModel&)> storage(StorageView view) {
    return [view](AppModel& model) {
        model.setActiveQuickWin(std::nullopt);
        model.setStorageView(view);
    };
}

// Shows the candidates of the quick win with the most of them (none when the scan has no candidate).
void largestQuickWin(AppModel& model) {
    const std::vector<QuickWin>& wins = model.quickWins();
    const auto largest = std::max_element(wins.begin(), wins.end(), [](const QuickWin& a, const QuickWin& b) {
        return a.nodes.size() < b.nodes.size();
    });
    model.setActiveQuickWin(largest != wins.end() && !largest->nodes.empty()
                                ? std::optional<QuickWinKind>(largest->kind)
                                : std::nullopt);
}

// The rows in the order they are entered. A view that is not built yet (its body is no StorageBody) prints
// no line.
std::vector<ViewRow> rows() {
    return {
        {"folders", storage(StorageView::folders), Gesture::scroll},
        {"topSizes", storage(StorageView::topSizes), Gesture::scroll},
        {"quickWins", largestQuickWin, Gesture::scroll},
        {"treemap", storage(StorageView::treemap), Gesture::hover},
        {"sunburst", storage(StorageView::sunburst), Gesture::hover},
        {"flame", storage(StorageView::flame), Gesture::hover},
        {"bubbles", storage(StorageView::bubbles), Gesture::hover},
        {"mindMap", storage(StorageView::mindMap), Gesture::hover},
        {"ageMap", storage(StorageView::ageMap), Gesture::scroll},
        {"table", storage(StorageView::table), Gesture::scroll},
    };
}

// Counts paints of a widget and of everything inside it, and notes the first paint made while `ready`
// holds: a result that arrives and is painted within one pass of the event loop is seen too.
class PaintCounter final : public QObject {
public:
    void watch(QWidget* widget) {
        widget->installEventFilter(this);
        for (QWidget* child : widget->findChildren<QWidget*>())
            child->installEventFilter(this);
    }
    int paints = 0;
    std::function<bool()> ready;
    // When the first paint while ready began, in nowSeconds(); negative before it.
    double readyPaintAt = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (readyPaintAt < 0 && ready && ready())
                readyPaintAt = nowSeconds();
        } else if (event->type() == QEvent::ChildAdded) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                child->installEventFilter(this);
        }
        return QObject::eventFilter(watched, event);
    }
};

// The folder with the most direct children.
[[nodiscard]] NodeIndex widestFolder(const ScanResult& scan) {
    NodeIndex best = scan.rootIndex();
    std::size_t most = 0;
    for (NodeIndex i = 0; i < scan.nodes.recordCount(); ++i) {
        if (!scan.nodes.isNode(i) || !scan.nodes[i].isDirectory())
            continue;
        const std::size_t count = scan.nodes.childCount(i);
        if (count > most) {
            most = count;
            best = i;
        }
    }
    return best;
}

// The widget a step's event goes to: the first visible scroll area's viewport for a scroll, else the body.
[[nodiscard]] QWidget* stepTarget(QWidget* body, Gesture gesture) {
    if (gesture == Gesture::scroll) {
        for (QAbstractScrollArea* area : body->findChildren<QAbstractScrollArea*>()) {
            if (area->isVisible())
                return area->viewport();
        }
        if (auto* area = qobject_cast<QAbstractScrollArea*>(body))
            return area->viewport();
    }
    return body;
}

// One step of the gesture; returns its time in milliseconds, or a negative value when no paint followed.
double step(QWidget* body, Gesture gesture, int index, PaintCounter& counter) {
    QWidget* target = stepTarget(body, gesture);
    const int paintsBefore = counter.paints;
    const double start = nowSeconds();
    if (gesture == Gesture::scroll) {
        // Down for most steps, then back, so that a short list still moves.
        const int delta = (index % 20) < 15 ? -120 : 120;
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &wheel);
    } else {
        // A walk over a grid of points, so that the hovered item changes at most steps; its middle point
        // is the centre, where the radial charts put their root. The move goes to the widget under the
        // point, as the pointer's would (a chart's drawing area inside the body).
        const int columns = 7;
        const QPointF at(target->width() * (0.5 + index % columns) / columns,
                         target->height() * (0.5 + (index / columns) % 5) / 5.0);
        QWidget* under = target->childAt(at.toPoint());
        QWidget* receiver = under ? under : target;
        const QPointF local = receiver->mapFrom(target, at);
        QMouseEvent move(QEvent::MouseMove, local, receiver->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &move);
    }
    const bool painted =
        waitFor([&] { return counter.paints > paintsBefore || secondsSince(start) > 0.5; }, kGiveUpSeconds);
    if (!painted || counter.paints == paintsBefore)
        return -1;
    return secondsSince(start) * 1000;
}

int runViews(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: ambertrove-bench views PATH\n");
        return 2;
    }
    BenchWindow bench("views", false);
    AppModel* model = &bench.model();
    MainWindow* window = &bench.window();

    const double scanStart = nowSeconds();
    if (!bench.scan(args[0], "views"))
        return 1;
    const ScanResult& scan = *model->scan();
    const NodeIndex widest = widestFolder(scan);
    std::fprintf(stderr, "scan: entries=%zu seconds=%.3f focus=%s children=%zu\n", scan.nodes.size(),
                 secondsSince(scanStart), scan.nodes.path(widest).c_str(), scan.nodes.childCount(widest));
    model->setSection(AppSection::explore);
    model->focus(scan.nodes.makeNode(widest, false));
    model->setSelection(std::nullopt);
    // The explorer settles on the focused folder before the first view is chosen.
    const double settle = nowSeconds();
    waitFor([&] { return secondsSince(settle) > 1.0; }, kGiveUpSeconds);

    StallMeter meter;

    auto explore = [&]() -> ExploreView* {
        return qobject_cast<ExploreView*>(window->content()->sectionView());
    };
    for (const ViewRow& row : rows()) {
        // Leaves the previous view first, so that each entry builds its view afresh.
        storage(StorageView::treemap)(*model);
        if (std::string_view(row.name) == "treemap")
            storage(StorageView::folders)(*model);
        waitFor([&] { return explore() && explore()->body(); }, kGiveUpSeconds);

        meter.start();
        const double start = nowSeconds();
        row.choose(*model);
        QCoreApplication::processEvents();
        QPointer<QWidget> body = explore() ? explore()->body() : nullptr;
        auto* view = dynamic_cast<StorageBody*>(body.data());
        if (!view) {
            meter.stop();
            continue;
        }
        PaintCounter counter;
        counter.ready = [view] {
            return view->showsCurrentResult();
        };
        counter.watch(body);
        // The first paint made while the view is ready shows the result.
        const bool entered = waitFor([&] { return !body || counter.readyPaintAt >= 0; }, kGiveUpSeconds);
        const double enterMs = (counter.readyPaintAt - start) * 1000;
        if (!entered || !body) {
            meter.stop();
            std::printf("view=%s enter_ms=timeout step_ms=- max_stall_ms=%.1f\n", row.name,
                        meter.maxStallMs());
            continue;
        }
        double total = 0;
        int counted = 0;
        for (int i = 0; i < kSteps && body; ++i) {
            const double ms = step(body, row.gesture, i, counter);
            if (ms >= 0) {
                total += ms;
                ++counted;
            }
        }
        meter.stop();
        if (counted > 0)
            std::printf("view=%s enter_ms=%.1f step_ms=%.2f max_stall_ms=%.1f\n", row.name, enterMs,
                        total / counted, meter.maxStallMs());
        else
            std::printf("view=%s enter_ms=%.1f step_ms=- max_stall_ms=%.1f\n", row.name, enterMs,
                        meter.maxStallMs());
        std::fflush(stdout);
    }

    // The table over the whole scan, sorted by a header click.
    storage(StorageView::table)(*model);
    if (const NodeIndex root = scan.rootIndex(); root != kNoNode)
        model->focus(scan.nodes.makeNode(root, false));
    model->setSelection(std::nullopt);
    waitFor([&] { return explore() && qobject_cast<FileTableView*>(explore()->body()); }, kGiveUpSeconds);
    QPointer<FileTableView> table = explore() ? qobject_cast<FileTableView*>(explore()->body()) : nullptr;
    if (table) {
        table->setRecursive(true);
        waitFor([&] { return !table || table->showsCurrentResult(); }, kGiveUpSeconds);
        const std::pair<const char*, int> sorts[] = {{"name", FileTableModel::name},
                                                     {"size", FileTableModel::size}};
        for (const auto& [title, column] : sorts) {
            if (!table)
                break;
            QHeaderView* header = table->table()->horizontalHeader();
            const QPointF at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2.0,
                             header->height() / 2.0);
            PaintCounter counter;
            counter.watch(table);
            if (!table->showsCurrentResult())
                waitFor([&] { return !table || table->showsCurrentResult(); }, kGiveUpSeconds);
            meter.start();
            const double start = nowSeconds();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent click(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                  Qt::NoModifier);
                QCoreApplication::sendEvent(header->viewport(), &click);
            }
            counter.ready = [&] {
                return table && table->showsCurrentResult();
            };
            const bool sorted = waitFor([&] { return !table || counter.readyPaintAt >= 0; }, kGiveUpSeconds);
            meter.stop();
            if (!sorted || !table)
                std::printf("sort=%s sort_ms=timeout\n", title);
            else
                std::printf("sort=%s sort_ms=%.1f\n", title, (counter.readyPaintAt - start) * 1000);
            std::fprintf(stderr, "sort=%s rows=%zu max_stall_ms=%.1f\n", title,
                         table ? table->tableModel()->total() : 0, meter.maxStallMs());
            std::fflush(stdout);
        }
    }

    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(views, "views PATH", runViews);

} // namespace ambertrove::bench
