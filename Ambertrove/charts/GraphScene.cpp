#include "charts/GraphScene.hpp"

namespace ambertrove {

std::optional<std::size_t> GraphScene::markAt(QPointF point) const {
    for (std::int64_t i : hitIndex.candidates(Point{point.x(), point.y()})) {
        const auto index = std::size_t(i);
        if (index < marks.size() && marks[index].path.contains(point))
            return index;
    }
    return std::nullopt;
}

const std::vector<std::size_t>* GraphScene::marksOf(std::string_view path) const {
    if (!scan)
        return nullptr;
    const NodeIndex node = scan->nodes.find(path);
    if (node == kNoNode)
        return nullptr;
    const auto found = pathsByNode.find(node);
    return found == pathsByNode.end() ? nullptr : &found->second;
}

} // namespace ambertrove
