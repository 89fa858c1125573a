#pragma once

#include "analysis/ScanQuery.hpp"
#include "base/Uuid.hpp"

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace ambertrove {

// Names what a view's listing was computed from: the scan shown, its focused folder, the explorer filter
// and the view's own scope. A view recomputes only when the current key differs from the key of its last
// result; the selection, the chart type, colours and the theme are not part of it.
struct ExplorerQueryKey {
    // The identifier of the scan on display; nothing without a scan.
    std::optional<Uuid> scanID;
    // The path of the focused node; "" without a scan.
    std::string focus;
    ScanQuery filter;
    // Chosen by the calling view to tell its own queries apart.
    QString scope;

    friend bool operator==(const ExplorerQueryKey&, const ExplorerQueryKey&) = default;
};

} // namespace ambertrove

template <> struct std::hash<ambertrove::ExplorerQueryKey> {
    std::size_t operator()(const ambertrove::ExplorerQueryKey& key) const noexcept;
};
