#include "explore/GraphLayoutKey.hpp"

#include "controller/AppModel.hpp"

#include <QHashFunctions>

#include <cmath>

namespace ambertrove {

GraphLayoutKey GraphLayoutKey::make(const AppModel& model, const std::optional<Uuid>& liveScan,
                                    std::string rootPath, QSizeF size, bool stableLive,
                                    const std::optional<Uuid>& scanId) {
    GraphLayoutKey key;
    if (stableLive && liveScan)
        key.scan = Live{};
    else if (scanId)
        key.scan = *scanId;
    else if (liveScan)
        key.scan = *liveScan;
    else if (model.scan())
        key.scan = model.scan()->id;
    key.root = std::move(rootPath);
    key.storageView = model.storageView();
    key.depth = model.visualizationDepth();
    key.logical = model.logical();
    key.colorMode = model.colorMode();
    key.filter = model.filter();
    key.showHidden = model.showHidden();
    key.minimumBytes = model.minimumBytes();
    key.categoryFilter = model.categoryFilter();
    key.modifiedBeforeDays = model.modifiedBeforeDays();
    key.width = std::lround(size.width());
    key.height = std::lround(size.height());
    key.theme = model.theme();
    key.dark = model.dark();
    return key;
}

} // namespace ambertrove

std::size_t
std::hash<ambertrove::GraphLayoutKey>::operator()(const ambertrove::GraphLayoutKey& key) const noexcept {
    std::size_t seed = 0;
    auto mix = [&seed](std::size_t value) {
        seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    mix(key.scan.index());
    if (const auto* id = std::get_if<ambertrove::Uuid>(&key.scan)) {
        for (const std::uint8_t byte : id->bytes)
            mix(byte);
    }
    mix(std::hash<std::string>()(key.root));
    mix(std::size_t(key.storageView));
    mix(std::size_t(key.depth));
    mix(key.logical ? 1 : 0);
    mix(std::size_t(key.colorMode));
    mix(qHash(key.filter));
    mix(key.showHidden ? 1 : 0);
    mix(std::hash<std::int64_t>()(key.minimumBytes));
    mix(key.categoryFilter ? std::size_t(*key.categoryFilter) + 1 : 0);
    mix(std::size_t(key.modifiedBeforeDays));
    mix(std::hash<long>()(key.width));
    mix(std::hash<long>()(key.height));
    mix(std::size_t(key.theme));
    mix(key.dark ? 1 : 0);
    return seed;
}
