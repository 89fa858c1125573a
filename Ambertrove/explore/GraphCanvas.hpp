#pragma once

#include "charts/GraphScene.hpp"
#include "explore/GraphRender.hpp"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class QVariantAnimation;

namespace ambertrove {

// The chart area: the chart's picture, the outline of its highlighted marks and the sunburst's caption,
// and the pointer's gestures. The picture is drawn once elsewhere (GraphRender); a paint copies the part
// of it that needs repainting and strokes the few highlighted shapes, so hovering costs the area it
// changes. A new picture fades in over the old one.
class GraphCanvas final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kHighlightWidth = 2.2;
    static constexpr int kFadeMilliseconds = 180;

    // The text over the sunburst's centre disc, centred in `frame`.
    struct Caption {
        QRectF frame;
        QString name;
        QString bytes;
        QString share; // empty: no share line
        friend bool operator==(const Caption&, const Caption&) = default;
    };

    explicit GraphCanvas(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(GraphCanvas)

    // Shows `scene` as `render` draws it; with `fade`, the picture shown so far fades out meanwhile.
    void setPicture(std::shared_ptr<const GraphScene> scene, std::shared_ptr<const GraphRender> render,
                    bool fade);
    // The scene shown, drawn again (another device pixel ratio).
    void setRender(std::shared_ptr<const GraphRender> render);
    void setShowLabels(bool show);
    // The marks to outline, indexes into the scene's marks.
    void setHighlighted(std::vector<std::size_t> marks);
    void setCaption(std::optional<Caption> caption);

    [[nodiscard]] const std::shared_ptr<const GraphRender>& render() const { return m_render; }
    [[nodiscard]] const std::vector<std::size_t>& highlighted() const { return m_highlighted; }
    [[nodiscard]] const std::optional<Caption>& caption() const { return m_caption; }
    [[nodiscard]] bool isFading() const { return m_fadingOut != nullptr; }

signals:
    void pointerMoved(QPointF point);
    void pointerLeft();
    // A plain left click, at its release.
    void clicked(QPointF point);
    void doubleClicked(QPointF point);
    // A right press, or a left press with Control.
    void menuRequested(QPointF point, QPoint globalPosition);
    void resized();
    // The picture was drawn for another device pixel ratio than the screen's.
    void renderOutdated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The area the outline of `marks` covers.
    [[nodiscard]] QRect outlineArea(const std::vector<std::size_t>& marks) const;
    // The area the caption covers, with the lines as they are drawn.
    struct CaptionLayout {
        QRectF bounds;
        std::vector<std::pair<QRectF, QString>> lines;
    };
    [[nodiscard]] CaptionLayout layoutCaption(const Caption& caption) const;
    void paintLayers(QPainter& painter, const GraphRender& render, const QRegion& region) const;

    std::shared_ptr<const GraphScene> m_scene;
    std::shared_ptr<const GraphRender> m_render;
    std::shared_ptr<const GraphRender> m_fadingOut;
    QVariantAnimation* m_fade = nullptr;
    double m_fadeIn = 1; // the new picture's opacity while fading
    bool m_showLabels = true;
    std::vector<std::size_t> m_highlighted;
    std::optional<Caption> m_caption;
    bool m_pressed = false; // a plain left press inside, whose release is a click
    bool m_outdatedReported = false;
};

} // namespace ambertrove
