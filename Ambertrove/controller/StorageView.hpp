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
