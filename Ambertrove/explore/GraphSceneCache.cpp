#include "explore/GraphSceneCache.hpp"

#include <algorithm>

namespace ambertrove {

const GraphSceneCache::Entry* GraphSceneCache::find(const GraphLayoutKey& key) const {
    const std::size_t hash = std::hash<GraphLayoutKey>()(key);
    for (const Entry& entry : m_entries) {
        if (entry.hash == hash && entry.key == key)
            return &entry;
    }
    return nullptr;
}

void GraphSceneCache::insert(GraphLayoutKey key, std::shared_ptr<const GraphScene> scene,
                             std::shared_ptr<const GraphRender> render) {
    const std::size_t hash = std::hash<GraphLayoutKey>()(key);
    std::erase_if(m_entries, [&](const Entry& entry) { return entry.hash == hash && entry.key == key; });
    m_entries.insert(m_entries.begin(), Entry{std::move(key), hash, std::move(scene), std::move(render)});
    if (m_entries.size() > kCapacity)
        m_entries.resize(kCapacity);
}

void GraphSceneCache::keepOnly(const ScanResult* scan) {
    std::erase_if(m_entries, [scan](const Entry& entry) { return entry.scene->scan.get() != scan; });
}

void GraphSceneCache::updateRender(const std::shared_ptr<const GraphRender>& render) {
    for (Entry& entry : m_entries) {
        if (entry.scene && render->draws(*entry.scene))
            entry.render = render;
    }
}

} // namespace ambertrove
