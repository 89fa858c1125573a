// The radial charts: the sunburst (rings of segments around a centre disc), bubbles (circles packed inside
// their parent) and the mind map (a radial tree of dots joined by curved links around the root's disc).
//
// Angles are radians from +x growing clockwise on screen (y grows downwards), so -π/2 points up.
#include "charts/GraphMarks.hpp"

#include "analysis/StorageLayouts.hpp"
#include "platform/Saturating.hpp"

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace ambertrove::chart_detail {

namespace {

constexpr double kPi = std::numbers::pi;

QPainterPath ellipse(const QRectF& r) {
    QPainterPath path;
    // A circle of radius 0 keeps its place (Qt adds nothing for it), so that its box is its centre.
    if (r.isNull())
        path.moveTo(r.center());
    else
        path.addEllipse(r);
    return path;
}

double degrees(double radians) {
    return radians * 180.0 / kPi;
}

// The ring segment between the two radii from angle a0 to a1 (a0 < a1): the outer arc clockwise, then the
// inner arc back. Qt's arc angles are degrees counter-clockwise on screen, hence the negated angles.
QPainterPath annularSector(QPointF c, double inner, double outer, double a0, double a1) {
    const QRectF outerBox(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
    const QRectF innerBox(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner);
    const double start = -degrees(a0);
    const double sweep = -degrees(a1 - a0);
    QPainterPath path;
    path.arcMoveTo(outerBox, start);
    path.arcTo(outerBox, start, sweep);
    path.arcTo(innerBox, start + sweep, -sweep);
    path.closeSubpath();
    return path;
}

} // namespace

// ---- sunburst ----------------------------------------------------------------------------------------

void MarkBuilder::sunburst() {
    const QRectF& content = m_content;
    const double m = std::min(content.width(), content.height());
    const double outerRadius = m / 2 - 8;
    const double centerRadius = std::min(outerRadius * 0.3, 80.0);
    const int levels = std::max(visibleLevels(m_topLevel, 1), 1);
    Sunburst s;
    s.center = content.center();
    s.centerRadius = centerRadius;
    s.ringWidth = (outerRadius - centerRadius) / double(levels);
    // A chart too small for a disc keeps one of radius 0 rather than an inverted one.
    const double disc = std::max(centerRadius - 3, 0.0);
    const QRectF discBox(s.center.x() - disc, s.center.y() - disc, 2 * disc, 2 * disc);
    append(m_input.root, ellipse(discBox), QRectF(), m_input.surface);
    sunburstVisit(s, m_topLevel, -kPi / 2, 2 * kPi, 1);
}

int MarkBuilder::visibleLevels(const std::vector<NodeIndex>& nodes, int level) {
    const int depth = m_input.depth;
    if (level >= depth)
        return depth;
    int best = level;
    for (NodeIndex node : nodes) {
        if (!m_nodes[node].isDirectory())
            continue;
        if (++m_openedDirectories >= kRectangularMarkBudget)
            return depth;
        const std::vector<NodeIndex>& kids = childNodes(node);
        if (!kids.empty())
            best = std::max(best, visibleLevels(kids, level + 1));
        if (best == depth)
            return depth;
    }
    return best;
}

void MarkBuilder::sunburstVisit(const Sunburst& s, const std::vector<NodeIndex>& nodes, double start,
                                double sweep, int level) {
    if (level > m_input.depth || cancelled() || m_marks.size() >= kRectangularMarkBudget)
        return;
    const double r0 = s.centerRadius + s.ringWidth * double(level - 1);
    const double r1 = r0 + s.ringWidth - 2;
    // Rings too thin to have an inside (every ring is as wide) are not drawn: they would come out inverted.
    if (r1 <= r0 + 1)
        return;
    const double rm = (r0 + r1) / 2;
    const double chordLimit = 1.6 * std::sqrt(std::max((r1 - 4) * (r1 - 4) - rm * rm, 0.0));
    const double opacity = std::max(1 - 0.1 * double(level - 1), 0.45);
    std::int64_t sum = 0;
    for (NodeIndex node : nodes)
        sum = Saturating::add(sum, size(node));
    const double total = double(std::max<std::int64_t>(sum, 1));
    double a = start;
    for (NodeIndex node : nodes) {
        const std::int64_t bytes = size(node);
        if (bytes < 1)
            continue;
        const double w = sweep * double(bytes) / total;
        if (w <= 0.004) {
            a += w;
            continue;
        }
        const double gap = std::min(w * 0.15, 0.003);
        const double mid = a + w / 2;
        QRectF label;
        if (s.ringWidth > 18) {
            const double lb = std::min({rm * w * 0.7, chordLimit, 150.0});
            label = QRectF(s.center.x() + rm * std::cos(mid) - lb / 2, s.center.y() + rm * std::sin(mid) - 10,
                           lb, 20);
        }
        // Text runs along the ring and is never upside down.
        double rotation = mid + kPi / 2;
        if (std::cos(rotation) < 0)
            rotation += kPi;
        append(node, annularSector(s.center, r0 + 1, r1, a + gap, a + w - gap), label,
               baseColor(node, opacity), std::nullopt, rotation);
        if (m_nodes[node].isDirectory() && level < m_input.depth)
            sunburstVisit(s, childNodes(node), a, w, level + 1);
        a += w;
    }
}

// ---- bubbles -----------------------------------------------------------------------------------------

void MarkBuilder::bubbles() {
    const double m = std::min(m_content.width(), m_content.height());
    bubbleVisit(m_input.root, m_content.center(), std::max(m / 2 - 4, 1.0), 0);
}

void MarkBuilder::bubbleVisit(NodeIndex node, QPointF center, double radius, int level) {
    if (cancelled() || m_marks.size() >= kBubbleMarkBudget || radius <= 2)
        return;
    static const std::vector<NodeIndex> kNone;
    const std::vector<NodeIndex>& kids = level < m_input.depth ? childNodes(node) : kNone;
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    const bool opened = radius > 15 && !kids.empty();
    QRectF label;
    if (opened) {
        // A cap label across the top of the circle, above the children.
        const double band = std::min(radius * 0.18, 10.0);
        const double width = std::max(2 * std::sqrt(2 * radius * band - band * band) - 6, 0.0);
        label = QRectF(center.x() - width / 2, box.top() + band - 3, width, 20);
    } else {
        const double inset = 0.15 * radius;
        label = box.adjusted(inset, inset, -inset, -inset);
    }
    append(node, ellipse(box), label, level == 0 ? m_input.surface : baseColor(node, 0.82));
    if (!opened)
        return;
    const double pad = radius > 45 ? 15 : 4;
    // Only the heaviest children are packed; the list is already largest first.
    std::vector<WeightedItem> items;
    const std::size_t packed = std::min(kids.size(), StorageLayouts::kMaxBubbles);
    items.reserve(packed);
    for (std::size_t k = 0; k < packed; ++k)
        items.emplace_back(std::to_string(k), double(size(kids[k])));
    const auto circles =
        StorageLayouts::circles(items, Point{center.x(), center.y() + pad / 2}, radius - pad);
    for (const StorageLayouts::Bubble& bubble : circles) {
        const std::size_t k = positionOf(bubble.id);
        if (k < kids.size())
            bubbleVisit(kids[k], QPointF(bubble.center.x, bubble.center.y), bubble.radius, level + 1);
    }
}

// ---- mind map ----------------------------------------------------------------------------------------

namespace {

constexpr std::size_t kRootBranches = 16;
constexpr std::size_t kBranches = 10;
constexpr int kMindMapLevels = 5;

} // namespace

void MarkBuilder::mindMap() {
    const QRectF& c = m_content;
    MindMap map;
    map.center = c.center();
    map.shownDepth = std::max(visibleDepth(m_input.root, 0, std::min(m_input.depth, kMindMapLevels)), 1);
    map.radius = std::max(std::min(c.width(), c.height()) / 2 - 32, 1.0);
    map.largestDot = std::min(map.radius / double(map.shownDepth) * 0.27, 23.0);
    map.labelWidth = std::min(std::max(c.width() * 0.18, 70.0), 146.0);
    map.rootSize = double(std::max<std::int64_t>(size(m_input.root), 1));
    mindMapVisit(map, m_input.root, map.center, -kPi / 2, 2 * kPi, 0);
    const QRectF disc(map.center.x() - 32, map.center.y() - 32, 64, 64);
    append(m_input.root, ellipse(disc), disc, m_input.ink, m_input.background);
}

int MarkBuilder::visibleDepth(NodeIndex node, int level, int cap) {
    if (level >= cap)
        return level;
    const std::vector<NodeIndex>& kids = childNodes(node);
    const std::size_t shown = std::min(kids.size(), level == 0 ? kRootBranches : kBranches);
    int deepest = level;
    // Nothing lies deeper than the cap, so the search ends once a branch reaches it.
    for (std::size_t k = 0; k < shown && deepest < cap; ++k)
        deepest = std::max(deepest, visibleDepth(kids[k], level + 1, cap));
    return deepest;
}

void MarkBuilder::mindMapVisit(const MindMap& m, NodeIndex node, QPointF point, double start, double sweep,
                               int level) {
    if (level >= m.shownDepth || cancelled() || m_marks.size() >= kMindMapMarkBudget)
        return;
    const std::vector<NodeIndex>& all = level == 0 ? m_topLevel : childNodes(node);
    const std::size_t shown = std::min(all.size(), level == 0 ? kRootBranches : kBranches);
    double total = 0;
    for (std::size_t k = 0; k < shown; ++k)
        total += std::sqrt(double(std::max<std::int64_t>(size(all[k]), 1)));
    const QRectF& c = m_content;
    const double d = double(m.shownDepth);
    double t = start;
    for (std::size_t k = 0; k < shown; ++k) {
        const NodeIndex child = all[k];
        const double w = sweep * std::sqrt(double(std::max<std::int64_t>(size(child), 1))) / total;
        const double mid = t + w / 2;
        const double cosine = std::cos(mid);
        const double sine = std::sin(mid);
        const QPointF p(m.center.x() + m.radius * cosine * double(level + 1) / d,
                        m.center.y() + m.radius * sine * double(level + 1) / d);
        const QPointF control(m.center.x() + m.radius * cosine * double(level) / d,
                              m.center.y() + m.radius * sine * double(level) / d);
        // A saved scan may hold a child larger than its folder; the share is kept to the whole.
        const double share = std::min(double(size(child)) / m.rootSize, 1.0);

        QPainterPath curve(point);
        curve.quadTo(control, p);
        QPainterPathStroker stroker;
        stroker.setWidth(std::max(3 * share, 0.7));
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::MiterJoin);
        stroker.setMiterLimit(10);
        const QColor color = baseColor(child);
        append(child, stroker.createStroke(curve), QRectF(), color);

        const double dot = 24 * std::pow(share, 0.28);
        const double radius = dot >= 3 ? std::min(dot, m.largestDot) : std::min(3.0, m.largestDot);
        QRectF label;
        if (level < 2 && radius > 7) {
            double x = cosine >= 0 ? p.x() + radius + 4 : p.x() - radius - m.labelWidth - 4;
            x = std::max(std::min(x, c.right() - m.labelWidth), c.left());
            const double y = std::max(std::min(p.y() - 20, c.bottom() - 40), c.top());
            label = QRectF(x, y, m.labelWidth, 40);
        }
        append(child, ellipse(QRectF(p.x() - radius, p.y() - radius, 2 * radius, 2 * radius)), label, color);
        mindMapVisit(m, child, p, t, w, level + 1);
        t += w;
    }
}

} // namespace ambertrove::chart_detail
