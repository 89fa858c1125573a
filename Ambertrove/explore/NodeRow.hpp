#pragma once

#include "base/Date.hpp"
#include "controller/ColorMode.hpp"
#include "model/DiskNode.hpp"

#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

class QPainter;

namespace ambertrove {

class AppModel;
class QueuedPaths;

// One line of a node list (the folder view's files, a quick win's candidates): an optional rank, the
// node's icon, its name (and full path) above a thin size bar, its size and a second fact (a folder's
// file count, a file's modification date), a button that focuses a folder and one that adds the node to
// Cleanup. A row is painted by the list that holds it, never made as a widget (NodeRowSection places,
// paints and clicks a run of them); these functions are the row itself, for any list.
namespace NodeRow {

// How a list shows its rows.
struct Options {
    // A position shown at the left ("03"); nothing hides it.
    std::optional<int> rank;
    // The size a full-width bar stands for; 0 or less counts as 1.
    std::int64_t maximum = 1;
    // The full path under the name.
    bool showPath = false;
};

// What every row of a list reads from the controller, once per paint rather than once per row.
struct Context {
    bool logical = false;
    ColorMode colorMode = ColorMode::folder;
    // The focused folder's path, which the bar colours are relative to; "" without one.
    std::string root;
    Date now;
    // The queue button works only while staging is allowed.
    bool canClean = false;
    std::optional<std::string> selection;
    // The queue's paths, for the queued mark; nothing marks no row.
    const QueuedPaths* queued = nullptr;

    [[nodiscard]] static Context read(const AppModel& model, const QueuedPaths* queued);
};

// What a point of a row is over.
enum class Part { none, row, focusButton, queueButton };

[[nodiscard]] int height(bool showPath);
// The share of the column the size bar fills: size / max(maximum, 1), kept within [0, 1] (a saved scan
// can hold a child larger than its parent, or a negative size).
[[nodiscard]] double barFraction(std::int64_t size, std::int64_t maximum);
// The rank at two digits at least: "03", "120".
[[nodiscard]] QString rankText(int rank);
// A folder's file count ("1,234 files"), else the modification date in the abbreviated style.
[[nodiscard]] QString secondFact(const DiskNode& node);
// Whether the queue holds the node or a folder it lies in.
[[nodiscard]] bool isQueued(const DiskNode& node, const Context& context);

// Where the parts of a row painted in `row` are.
struct Geometry {
    QRect rank;
    QRect icon;
    QRect name;
    QRect path;
    // The bar's full extent: the column's width; the bar fills barFraction() of it.
    QRect barTrack;
    QRect size;
    QRect fact;
    QRect focusButton; // empty for a file
    QRect queueButton;
};
[[nodiscard]] Geometry geometry(const QRect& row, const DiskNode& node, const Options& options);

void paint(QPainter& painter, const QRect& row, const DiskNode& node, const Options& options,
           const Context& context);
[[nodiscard]] Part partAt(const QRect& row, const DiskNode& node, const Options& options,
                          const QPoint& point);
// The tooltip of a part: "Focus on folder", "Add to Cleanup", else nothing.
[[nodiscard]] QString toolTip(Part part);
// What a click on `part` does: the row selects the node; the focus button focuses the folder and shows
// the Explore section; the queue button stages the node with the reason of the node menu's "Add to
// Cleanup" (only while canClean holds). A click on nothing does nothing.
void activate(Part part, AppModel& model, const DiskNode& node);

} // namespace NodeRow

} // namespace ambertrove
