#pragma once

#include "controller/AppTheme.hpp"
#include "controller/ColorMode.hpp"
#include "controller/StorageView.hpp"

#include "base/Uuid.hpp"
#include "model/FileCategory.hpp"

#include <QSizeF>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace ambertrove {

class AppModel;

// Everything a chart's layout is made from, field by field: two layouts with equal keys draw the same
// picture. The selection, the hover and the labels setting are not part of it.
struct GraphLayoutKey {
    // The partial scans of a live chart, whatever their identity: a new partial scan of the folder shown
    // does not make another key.
    struct Live {
        friend bool operator==(Live, Live) = default;
    };

    std::variant<std::monostate, Live, Uuid> scan; // nothing without a scan
    std::string root;                              // the folder charted; empty without one
    StorageView storageView = StorageView::treemap;
    int depth = 0;
    bool logical = false;
    ColorMode colorMode = ColorMode::folder;
    QString filter; // as typed
    bool showHidden = true;
    std::int64_t minimumBytes = 0;
    std::optional<FileCategory> categoryFilter;
    int modifiedBeforeDays = 0;
    long width = 0; // whole pixels, halves rounded away from zero
    long height = 0;
    AppTheme theme = AppTheme::paper;
    bool dark = false;

    // The key of the chart of `rootPath` at `size` under the model's settings. The scan is `Live` when
    // `stableLive` is set and there is a live chart's partial scan, else `scanId` when given, else the
    // partial scan's identity, else the identity of the model's scan.
    [[nodiscard]] static GraphLayoutKey make(const AppModel& model, const std::optional<Uuid>& liveScan,
                                             std::string rootPath, QSizeF size, bool stableLive,
                                             const std::optional<Uuid>& scanId = std::nullopt);

    friend bool operator==(const GraphLayoutKey&, const GraphLayoutKey&) = default;
};

} // namespace ambertrove

template <> struct std::hash<ambertrove::GraphLayoutKey> {
    std::size_t operator()(const ambertrove::GraphLayoutKey& key) const noexcept;
};
