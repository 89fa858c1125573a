#pragma once

#include "analysis/RectSpatialIndex.hpp"
#include "base/Uuid.hpp"
#include "model/NodeTable.hpp"
#include "model/ScanResult.hpp"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ambertrove {

// One drawn shape of a chart. Geometry is in the chart's logical pixels, y growing downwards.
struct GraphMark {
    NodeIndex node = kNoNode;        // the entry it stands for, in the scene's scan
    QPainterPath path;               // its outline, with Qt::WindingFill
    QRectF label;                    // the area offered to its label; an empty rectangle offers none
    QColor color;                    // fill
    std::optional<QColor> textColor; // label colour; none means the scene's ink
    double rotation = 0; // radians the label turns about the centre of `label` (clockwise on screen)
};

// One placed label: the title, and under it the size line of a two-line label. Drawn turned by `rotation`
// about `anchor`.
struct GraphLabel {
    QString title; // fitted name, in the semibold font of fontSize
    QRectF titleRect;
    std::optional<QString> bytes; // the formatted size, only for a two-line label
    QRectF bytesRect;
    double fontSize = 9; // 9 or 11
    QColor color;
    double rotation = 0;
    QPointF anchor;
};

// A finished chart: immutable once built, safe to hand from the layout's thread to the GUI thread. It
// keeps the scan it was laid out from alive, and names entries by their index in that scan.
struct GraphScene {
    Uuid id = Uuid::random();       // new for every scene built
    ScanResultPtr scan;             // none for an empty scene of bad input
    std::vector<GraphMark> marks;   // in drawing order: later marks lie over earlier ones
    std::vector<GraphLabel> labels; // in placement order, drawn after all marks
    RectSpatialIndex hitIndex{64};  // entry i is the bounding box of marks[i].path
    // A node's index to the indexes of all its marks, ascending (the node stands for its path).
    std::unordered_map<NodeIndex, std::vector<std::size_t>> pathsByNode;
    // The root's children that pass the view filters, zero-size ones included, largest first.
    std::vector<NodeIndex> items;
    QColor border = Qt::transparent; // stroke of every mark
    QColor ink = Qt::black;          // outline of the highlighted marks
    std::optional<QRectF> center;    // the sunburst's centre disc; none for the other kinds

    // The topmost mark whose shape holds the point (non-zero winding), found through the grid.
    [[nodiscard]] std::optional<std::size_t> markAt(QPointF point) const;
    // The marks of the node at `path` in the scene's scan; none when the scene draws no such node.
    [[nodiscard]] const std::vector<std::size_t>* marksOf(std::string_view path) const;
};

} // namespace ambertrove
