#include "charts/GraphLayoutInput.hpp"

#include "charts/GraphMarks.hpp"

#include "model/Formatting.hpp"
#include "theme/Paper.hpp"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

namespace ambertrove {

namespace {

constexpr double kMinimumSide = 32;
constexpr double kGridCell = 64;

Rect toRect(const QRectF& r) {
    return Rect(r.x(), r.y(), r.width(), r.height());
}

// Whether `outer` holds `inner` entirely, edges included.
bool holds(const QRectF& outer, const QRectF& inner) {
    return outer.left() <= inner.left() && inner.right() <= outer.right() && outer.top() <= inner.top() &&
           inner.bottom() <= outer.bottom();
}

// Places the labels, the largest node's first; a label that would stick out of the chart or overlap one
// already placed is left out. Returns false when cancelled.
bool placeLabels(GraphScene& scene, const GraphLayoutInput& input, const QRectF& bounds,
                 const chart_detail::MarkBuilder& sizes, const TaskCancellation& cancellation,
                 const TextMeasurer& measurer) {
    const NodeTable& nodes = input.scan->nodes;
    std::vector<std::size_t> order(scene.marks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return sizes.size(scene.marks[a].node) > sizes.size(scene.marks[b].node);
    });
    RectSpatialIndex placed(kGridCell);
    for (std::size_t i : order) {
        if (cancellation.isCancelled())
            return false;
        const GraphMark& mark = scene.marks[i];
        const QRectF& area = mark.label;
        const double w = area.width();
        const double h = area.height();
        if (!(w > 38 && h > 17))
            continue;
        const double fontSize = w < 80 ? 9 : 11;
        const QString title =
            ChartText::fit(QString::fromUtf8(nodes.name(mark.node)), w - 10, fontSize, measurer);
        // The box is estimated from the character count; only fitting measures text.
        const double estimate = std::min(fontSize * double(ChartText::characterCount(title)) * 0.57, w - 10);
        const bool twoLines = h > 38;
        const QPointF anchor = area.center();
        const QRectF box(area.left() + 5, anchor.y() - (twoLines ? 17 : 7),
                         twoLines ? std::max(estimate, 46.0) : estimate, twoLines ? 31 : 14);
        QTransform turn;
        turn.translate(anchor.x(), anchor.y());
        turn.rotateRadians(mark.rotation);
        turn.translate(-anchor.x(), -anchor.y());
        const QRectF grown = turn.mapRect(box).adjusted(-2, -2, 2, 2);
        if (!holds(bounds, grown) || placed.intersects(toRect(grown)))
            continue;
        placed.insert(toRect(grown));
        GraphLabel label;
        label.title = title;
        label.titleRect = QRectF(area.left() + 5, box.top(), w - 10, 16);
        if (twoLines)
            label.bytes = QString::fromStdString(formattedBytes(sizes.size(mark.node)));
        label.bytesRect = QRectF(area.left() + 5, anchor.y() + 3, w - 10, 14);
        label.fontSize = fontSize;
        label.color = mark.textColor.value_or(input.ink);
        label.rotation = mark.rotation;
        label.anchor = anchor;
        scene.labels.push_back(std::move(label));
    }
    return true;
}

} // namespace

void GraphLayoutInput::useThemeColors(bool darkAppearance) {
    ink = Paper::ink().resolved(darkAppearance);
    surface = Paper::surface().resolved(darkAppearance);
    background = Paper::background().resolved(darkAppearance);
    border = Paper::border().resolved(darkAppearance);
    border.setAlphaF(0.8f);
    palette.clear();
    for (const AdaptiveColor& c : Paper::colors())
        palette.push_back(c.resolved(darkAppearance));
    dark = darkAppearance;
}

ScanQuery GraphLayoutInput::query() const {
    ScanQuery q;
    q.text = filter;
    q.showHidden = showHidden;
    q.minimumBytes = minimumBytes;
    q.category = categoryFilter;
    q.modifiedBeforeDays = modifiedBeforeDays;
    q.logical = logical;
    return q;
}

GraphScene GraphLayoutInput::build(const QRectF& bounds, const TaskCancellation& cancellation,
                                   const TextMeasurer* measurer) const {
    const bool usable = std::isfinite(bounds.x()) && std::isfinite(bounds.y()) &&
                        std::isfinite(bounds.width()) && std::isfinite(bounds.height()) &&
                        bounds.width() >= kMinimumSide && bounds.height() >= kMinimumSide;
    if (!usable || !scan || !scan->nodes.isNode(root) || cancellation.isCancelled())
        return GraphScene{};

    chart_detail::MarkBuilder builder(*this, bounds, cancellation);
    GraphScene scene;
    scene.scan = scan;
    scene.marks = builder.makeMarks();
    if (cancellation.isCancelled())
        return GraphScene{};
    scene.items = builder.items();
    scene.border = border;
    scene.ink = ink;
    if (storageView == StorageView::sunburst && !scene.marks.empty())
        scene.center = scene.marks.front().path.boundingRect();
    for (std::size_t i = 0; i < scene.marks.size(); ++i) {
        scene.hitIndex.insert(toRect(scene.marks[i].path.boundingRect()));
        scene.pathsByNode[scene.marks[i].node].push_back(i);
    }

    std::unique_ptr<FontTextMeasurer> fonts;
    if (!measurer) {
        fonts = std::make_unique<FontTextMeasurer>();
        measurer = fonts.get();
    }
    if (!placeLabels(scene, *this, bounds, builder, cancellation, *measurer))
        return GraphScene{};
    return scene;
}

} // namespace ambertrove
