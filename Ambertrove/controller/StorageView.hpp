#pragma once

#include "controller/RawValueEnum.hpp"

namespace ambertrove {

// The explore visualisations.
enum class StorageView { treemap, folders, sunburst, flame, bubbles, mindMap, topSizes, ageMap, table };

template <> struct EnumTexts<StorageView> {
    static constexpr std::array cases{StorageView::treemap,  StorageView::folders, StorageView::sunburst,
                                      StorageView::flame,    StorageView::bubbles, StorageView::mindMap,
                                      StorageView::topSizes, StorageView::ageMap,  StorageView::table};
    static constexpr std::array texts{"Treemap",  "Folders",   "Sunburst", "Flame", "Bubbles",
                                      "Mind Map", "Top Sizes", "Age Map",  "Table"};
};

// The name of the symbol that stands for a view, on its capsule and on its empty panel.
constexpr const char* symbolName(StorageView view) {
    switch (view) {
    case StorageView::treemap:
        return "rectangle.split.3x3";
    case StorageView::folders:
        return "folder.fill";
    case StorageView::sunburst:
        return "circle.circle";
    case StorageView::flame:
        return "chart.bar.xaxis";
    case StorageView::bubbles:
        return "circle.hexagongrid.fill";
    case StorageView::mindMap:
        return "point.3.connected.trianglepath.dotted";
    case StorageView::topSizes:
        return "chart.bar.fill";
    case StorageView::ageMap:
        return "calendar";
    case StorageView::table:
        return "list.bullet.rectangle";
    }
    return "";
}

// The views the chart engine draws.
constexpr bool isGraph(StorageView view) {
    return view == StorageView::treemap || view == StorageView::sunburst || view == StorageView::flame ||
           view == StorageView::bubbles || view == StorageView::mindMap;
}

// The views that can be chosen while a scan runs: the live folder cards and the live charts.
constexpr bool availableWhileScanning(StorageView view) {
    return view == StorageView::folders || isGraph(view);
}

// The views whose marks follow the colour mode.
constexpr bool supportsColor(StorageView view) {
    return isGraph(view) || view == StorageView::folders || view == StorageView::topSizes;
}

} // namespace ambertrove
