#include "explore/GraphRender.hpp"

#include "charts/GraphDrawing.hpp"

#include <QPainter>

#include <cmath>

namespace ambertrove {

namespace {

QImage layer(QSize size, qreal devicePixelRatio) {
    QImage image(std::max(1, int(std::ceil(size.width() * devicePixelRatio))),
                 std::max(1, int(std::ceil(size.height() * devicePixelRatio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

std::shared_ptr<const GraphRender> GraphRender::make(const GraphScene& scene, QSize size,
                                                     qreal devicePixelRatio) {
    auto render = std::make_shared<GraphRender>();
    render->scene = scene.id;
    render->size = size;
    render->devicePixelRatio = devicePixelRatio;
    if (size.isEmpty())
        return render;
    if (!scene.marks.empty()) {
        render->marks = layer(size, devicePixelRatio);
        QPainter painter(&render->marks);
        GraphDrawing::paintMarks(painter, scene);
    }
    if (!scene.labels.empty()) {
        render->labels = layer(size, devicePixelRatio);
        QPainter painter(&render->labels);
        GraphDrawing::paintLabels(painter, scene);
    }
    return render;
}

GraphScene GraphRender::drawingCopy(const GraphScene& scene) {
    GraphScene copy;
    copy.id = scene.id;
    copy.border = scene.border;
    copy.labels = scene.labels;
    copy.marks.reserve(scene.marks.size());
    for (const GraphMark& mark : scene.marks) {
        GraphMark own;
        own.path.setFillRule(mark.path.fillRule());
        own.path.addPath(mark.path);
        own.color = mark.color;
        copy.marks.push_back(std::move(own));
    }
    return copy;
}

} // namespace ambertrove
