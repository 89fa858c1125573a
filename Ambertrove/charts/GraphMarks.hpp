#pragma once

// The shapes of one chart layout: private to the chart engine (GraphLayoutInput::build uses it).

#include "charts/GraphLayoutInput.hpp"
#include "charts/GraphScene.hpp"

#include "analysis/ScanQuery.hpp"
#include "analysis/TaskCancellation.hpp"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ambertrove::chart_detail {

// The position a layout item was given as its identifier.
std::size_t positionOf(const std::string& id);

// Makes the marks of one build. Lives for one call of build(); everything it holds dies with it: the mark
// list, the filtered child list of each folder asked for (each computed at most once), and the count of
// folders the sunburst opened to find its rings.
class MarkBuilder {
public:
    MarkBuilder(const GraphLayoutInput& input, const QRectF& bounds, const TaskCancellation& cancellation);

    // The marks of the input's chart kind (none for the views that are not charts).
    [[nodiscard]] std::vector<GraphMark> makeMarks();
    // The root's children that pass the view filters, zero-size ones included, in child order.
    [[nodiscard]] const std::vector<NodeIndex>& items() const { return m_items; }
    [[nodiscard]] std::int64_t size(NodeIndex node) const { return m_nodes[node].bytes(m_input.logical); }

private:
    [[nodiscard]] bool cancelled() const { return m_cancellation.isCancelled(); }
    [[nodiscard]] bool passes(NodeIndex child) const;
    // The folder's children that pass the view filters and have a size, largest first (memoised).
    const std::vector<NodeIndex>& childNodes(NodeIndex node);
    [[nodiscard]] QColor baseColor(NodeIndex node) const;
    [[nodiscard]] QColor baseColor(NodeIndex node, double opacity) const;
    [[nodiscard]] QColor paletteColor(std::size_t index) const;
    void append(NodeIndex node, QPainterPath path, const QRectF& label, const QColor& color,
                std::optional<QColor> textColor = std::nullopt, double rotation = 0);

    void treemap();
    void treemapVisit(const std::vector<NodeIndex>& nodes, const QRectF& rect, int level);
    void flame();
    void flameVisit(const std::vector<NodeIndex>& nodes, double x, double width, double y, int level);

    struct Sunburst {
        QPointF center;
        double centerRadius = 0;
        double ringWidth = 0;
    };
    void sunburst();
    int visibleLevels(const std::vector<NodeIndex>& nodes, int level);
    void sunburstVisit(const Sunburst& s, const std::vector<NodeIndex>& nodes, double start, double sweep,
                       int level);

    void bubbles();
    void bubbleVisit(NodeIndex node, QPointF center, double radius, int level);

    struct MindMap {
        QPointF center;
        int shownDepth = 1;
        double radius = 1;
        double largestDot = 0;
        double labelWidth = 0;
        double rootSize = 1;
    };
    void mindMap();
    int visibleDepth(NodeIndex node, int level, int cap);
    void mindMapVisit(const MindMap& m, NodeIndex node, QPointF point, double start, double sweep, int level);

    const GraphLayoutInput& m_input;
    const NodeTable& m_nodes;
    const QRectF m_content;
    const TaskCancellation& m_cancellation;
    const ScanQueryFilter m_filter;
    const std::string m_rootPath;
    std::vector<NodeIndex> m_topLevel;
    std::vector<NodeIndex> m_items;
    std::unordered_map<NodeIndex, std::vector<NodeIndex>> m_memo;
    std::vector<GraphMark> m_marks;
    std::size_t m_openedDirectories = 0;
};

} // namespace ambertrove::chart_detail
