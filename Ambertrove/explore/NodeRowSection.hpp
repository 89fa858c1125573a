#pragma once

#include "explore/NodeRow.hpp"
#include "explore/QueuedPaths.hpp"

#include <QRect>
#include <QString>

#include <functional>

class QPainter;

namespace ambertrove {

class ExploreCanvas;

// A run of NodeRows in a painted list, each followed by a divider line. It places the rows from a top
// edge, paints only those an exposed rectangle meets, makes a row's node only when it paints or acts on
// it, and handles the pointer over the rows; its canvas hands it content coordinates. It keeps the queue's
// paths for the queued marks, made again when the queue changes.
class NodeRowSection {
public:
    // The node of row `index`, made when it is needed.
    using NodeAt = std::function<DiskNode(int index)>;

    explicit NodeRowSection(ExploreCanvas& canvas);

    void setRows(int count, NodeAt nodeAt, const NodeRow::Options& options);
    // Only the first `count` rows are known in their place; the others are drawn as placeholders and take
    // no clicks until then. All rows are known unless this is called.
    void setOrderedCount(int count);
    // The first row's top left, and the rows' width.
    void setGeometry(int left, int top, int width);

    [[nodiscard]] int count() const { return m_count; }
    [[nodiscard]] const NodeRow::Options& options() const { return m_options; }
    // One row and its divider.
    [[nodiscard]] int stride() const;
    [[nodiscard]] int height() const { return m_count * stride(); }
    [[nodiscard]] QRect rowRect(int index) const;
    // The row at a content point, or -1.
    [[nodiscard]] int indexAt(const QPoint& point) const;
    [[nodiscard]] DiskNode node(int index) const { return m_nodeAt(index); }

    // Paints the rows `exposed` meets, with what the controller says now.
    void paint(QPainter& painter, const QRect& exposed) const;
    [[nodiscard]] NodeRow::Context context() const;

    // The pointer over the rows; each returns whether the point was over a row. A click acts on release
    // over the part it was pressed on.
    bool press(const QPoint& point);
    bool release(const QPoint& point);
    bool showMenu(const QPoint& point, const QPoint& global);
    [[nodiscard]] QString toolTipAt(const QPoint& point, QRect* area) const;

private:
    ExploreCanvas& m_canvas;
    QueuedPaths m_queued;
    int m_count = 0;
    int m_ordered = 0;
    NodeAt m_nodeAt;
    NodeRow::Options m_options;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_rowHeight = 0;
    int m_pressedIndex = -1;
    NodeRow::Part m_pressedPart = NodeRow::Part::none;
};

} // namespace ambertrove
