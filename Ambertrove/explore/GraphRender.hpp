#pragma once

#include "charts/GraphScene.hpp"

#include "base/Uuid.hpp"

#include <QImage>
#include <QSize>

#include <memory>

namespace ambertrove {

// A scene drawn once, so that a paint of the chart is a copy of pixels: its marks in one picture and its
// labels in another over a transparent ground, both at the chart's size and device pixel ratio. Made off
// the GUI thread; immutable once made.
struct GraphRender {
    Uuid scene; // the identity of the scene drawn
    QSize size; // logical pixels
    qreal devicePixelRatio = 1;
    QImage marks;  // null when the scene has no marks
    QImage labels; // null when the scene has no labels

    // Draws `scene` at `size` logical pixels and `devicePixelRatio`. The scene's shapes are read only.
    [[nodiscard]] static std::shared_ptr<const GraphRender> make(const GraphScene& scene, QSize size,
                                                                 qreal devicePixelRatio);

    [[nodiscard]] bool draws(const GraphScene& other) const { return scene == other.id; }

    // What make() reads of `scene`, sharing no data with it, so that another thread may draw it while
    // this one goes on using the scene (shapes keep caches that are filled on first use).
    [[nodiscard]] static GraphScene drawingCopy(const GraphScene& scene);
};

} // namespace ambertrove
