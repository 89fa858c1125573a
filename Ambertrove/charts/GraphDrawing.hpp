#pragma once

#include "charts/GraphScene.hpp"

class QPainter;

namespace ambertrove::GraphDrawing {

// Draws a scene in its own coordinates: each mark filled with its colour (non-zero winding) and stroked
// with the scene's border at 0.7, in order; then, with `showLabels`, every label turned about its anchor:
// the title in the semibold font of its size, the size line in the regular 10-pixel font at 0.65 opacity.
// Measures and lays out nothing; may run on any thread that owns the painter's device (a QImage).
void paint(QPainter& painter, const GraphScene& scene, bool showLabels);

// The two passes of paint(): the marks alone, and the labels alone (over whatever is drawn already).
void paintMarks(QPainter& painter, const GraphScene& scene);
void paintLabels(QPainter& painter, const GraphScene& scene);

} // namespace ambertrove::GraphDrawing
