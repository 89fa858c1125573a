#pragma once

#include "charts/ChartText.hpp"
#include "charts/GraphScene.hpp"
#include "controller/ColorMode.hpp"
#include "controller/StorageView.hpp"

#include "analysis/ScanQuery.hpp"
#include "analysis/TaskCancellation.hpp"
#include "base/Date.hpp"
#include "model/FileCategory.hpp"
#include "model/NodeTable.hpp"
#include "model/ScanResult.hpp"

#include <QColor>
#include <QRectF>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// Everything one chart layout depends on, made by the chart view on the GUI thread and then only read.
// Colours come resolved for the theme and appearance in use: the four role colours and the palette as
// given, and each node's colour from Paper::color resolved with `dark`.
struct GraphLayoutInput {
    ScanResultPtr scan;
    NodeIndex root = kNoNode; // the folder charted, in `scan`
    StorageView storageView = StorageView::treemap;
    int depth = 7;        // how many levels below the root may be shown
    bool logical = false; // a node's size is its logical size, else its allocated size
    ColorMode colorMode = ColorMode::folder;
    std::string filter; // names must contain it, ignoring case
    bool showHidden = true;
    std::int64_t minimumBytes = 0;
    std::optional<FileCategory> categoryFilter;
    std::int64_t modifiedBeforeDays = 0;
    QColor ink;                  // labels, the mind-map root disc, the scene's highlight colour
    QColor surface;              // the sunburst's centre disc and the outermost bubble
    QColor background;           // labels on the mind-map root disc
    QColor border;               // the stroke of every mark (the caller applies its opacity)
    std::vector<QColor> palette; // the flame root bar takes entry 7
    Date now;                    // the age filter and the age colouring measure from it
    bool dark = false;           // the appearance node colours are resolved for

    // The layout in `bounds` (the chart's rectangle at the origin). A pure function of this value: safe on
    // any thread, sharing nothing but the read-only scan. It polls `cancellation` before the work, in every
    // visit, per tile and before each label, and then returns the empty scene. Text is measured with
    // `measurer`, or with fonts made on the calling thread when none is given (a QGuiApplication must
    // exist then).
    [[nodiscard]] GraphScene build(const QRectF& bounds, const TaskCancellation& cancellation = {},
                                   const TextMeasurer* measurer = nullptr) const;

    // Takes the current theme's colours for the appearance `dark`: the four roles (the border at 0.8
    // opacity), the palette, and `dark` itself for the node colours.
    void useThemeColors(bool darkAppearance);

    // The view filters as a query (its node test is the one the charts apply).
    [[nodiscard]] ScanQuery query() const;
};

// The mark budgets of the chart kinds.
inline constexpr std::size_t kRectangularMarkBudget = 6000; // treemap, flame, sunburst
inline constexpr std::size_t kBubbleMarkBudget = 3000;
inline constexpr std::size_t kMindMapMarkBudget = 1600;

} // namespace ambertrove
