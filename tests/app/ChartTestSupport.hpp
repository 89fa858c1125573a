#pragma once

#include "charts/ChartText.hpp"
#include "charts/GraphLayoutInput.hpp"
#include "theme/Paper.hpp"

#include "model/ScanResult.hpp"

#include <QColor>
#include <QString>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ambertrove::test {

// Every UTF-16 unit is `unit` wide whatever the font size: widths are exact and need no font.
class UnitMeasurer final : public TextMeasurer {
public:
    explicit UnitMeasurer(double unit = 5)
        : m_unit(unit) {}
    [[nodiscard]] double width(const QString& text, double) const override {
        return m_unit * double(text.size());
    }

private:
    double m_unit;
};

inline constexpr std::int64_t kChartNow = 1'700'000'000; // seconds since 1970

inline ScanResultPtr shared(ScanResult scan) {
    return std::make_shared<const ScanResult>(std::move(scan));
}

// An input for the scan's root with colours that tell the roles apart.
inline GraphLayoutInput chartInput(const ScanResultPtr& scan, StorageView view, int depth = 7) {
    GraphLayoutInput input;
    input.scan = scan;
    input.root = scan->rootIndex();
    input.storageView = view;
    input.depth = depth;
    input.ink = QColor(0x23, 0x25, 0x1F);
    input.surface = QColor(0xFF, 0xFE, 0xFA);
    input.background = QColor(0xFA, 0xF7, 0xEE);
    input.border = QColor(0xE4, 0xDF, 0xD2, 204);
    for (const AdaptiveColor& c : Paper::colors())
        input.palette.push_back(c.resolved(false));
    input.now = Date::fromUnixSeconds(kChartNow);
    return input;
}

inline GraphScene buildScene(const GraphLayoutInput& input, double width, double height) {
    const UnitMeasurer measurer;
    return input.build(QRectF(0, 0, width, height), {}, &measurer);
}

inline std::string pathOf(const GraphScene& scene, NodeIndex node) {
    return scene.scan->nodes.nodePath(node);
}

// The paths of the marks, in drawing order.
inline std::vector<std::string> markPaths(const GraphScene& scene) {
    std::vector<std::string> out;
    for (const GraphMark& mark : scene.marks)
        out.push_back(pathOf(scene, mark.node));
    return out;
}

inline std::vector<std::string> itemPaths(const GraphScene& scene) {
    std::vector<std::string> out;
    for (NodeIndex node : scene.items)
        out.push_back(pathOf(scene, node));
    return out;
}

// The marks of the node at `path`, or none.
inline std::vector<std::size_t> marksOf(const GraphScene& scene, const std::string& path) {
    const std::vector<std::size_t>* found = scene.marksOf(path);
    return found ? *found : std::vector<std::size_t>{};
}

inline const GraphMark& onlyMarkOf(const GraphScene& scene, const std::string& path) {
    static const GraphMark kNone;
    const std::vector<std::size_t> found = marksOf(scene, path);
    return found.size() == 1 ? scene.marks[found.front()] : kNone;
}

} // namespace ambertrove::test
