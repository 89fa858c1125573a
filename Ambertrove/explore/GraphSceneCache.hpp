#pragma once

#include "charts/GraphScene.hpp"
#include "explore/GraphLayoutKey.hpp"
#include "explore/GraphRender.hpp"

#include <cstddef>
#include <memory>
#include <vector>

namespace ambertrove {

// The last finished charts of the explore view, newest first, each under the key it was laid out for, so
// that going back to a chart shows it at once.
class GraphSceneCache {
public:
    static constexpr std::size_t kCapacity = 3;

    struct Entry {
        GraphLayoutKey key;
        std::size_t hash = 0;
        std::shared_ptr<const GraphScene> scene;
        std::shared_ptr<const GraphRender> render;
    };

    // The newest entry of `key`, or none.
    [[nodiscard]] const Entry* find(const GraphLayoutKey& key) const;
    // Puts the scene first, in place of any entry of its key, and forgets the oldest beyond the capacity.
    void insert(GraphLayoutKey key, std::shared_ptr<const GraphScene> scene,
                std::shared_ptr<const GraphRender> render);
    // Forgets the charts of every other scan than `scan`, which hold their scans in memory and can no
    // longer be asked for.
    void keepOnly(const ScanResult* scan);
    // Replaces the render kept with `scene` (drawn again for another device pixel ratio).
    void updateRender(const std::shared_ptr<const GraphRender>& render);

    [[nodiscard]] const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

} // namespace ambertrove
