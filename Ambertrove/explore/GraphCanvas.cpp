#include "explore/GraphCanvas.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace ambertrove {

namespace {

constexpr double kCaptionSpacing = 4;

QFont nameFont() {
    return ViewText::font(12, QFont::DemiBold);
}
QFont bytesFont() {
    return ViewText::font(13, QFont::DemiBold);
}
QFont shareFont() {
    return ViewText::font(10);
}

} // namespace

GraphCanvas::GraphCanvas(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(1, 1);
    m_fade = new QVariantAnimation(this);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setDuration(kFadeMilliseconds);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_fadeIn = value.toDouble();
        update();
    });
    connect(m_fade, &QVariantAnimation::finished, this, [this] {
        m_fadingOut.reset();
        m_fadeIn = 1;
        update();
    });
}

void GraphCanvas::setPicture(std::shared_ptr<const GraphScene> scene,
                             std::shared_ptr<const GraphRender> render, bool fade) {
    m_fade->stop();
    m_fadingOut = fade ? m_render : nullptr;
    m_fadeIn = m_fadingOut ? 0 : 1;
    m_scene = std::move(scene);
    m_render = std::move(render);
    m_outdatedReported = false;
    m_highlighted.clear();
    m_caption.reset();
    if (m_fadingOut)
        m_fade->start();
    update();
}

void GraphCanvas::setRender(std::shared_ptr<const GraphRender> render) {
    m_render = std::move(render);
    m_outdatedReported = false;
    update();
}

void GraphCanvas::setShowLabels(bool show) {
    if (show == m_showLabels)
        return;
    m_showLabels = show;
    update();
}

void GraphCanvas::setHighlighted(std::vector<std::size_t> marks) {
    if (marks == m_highlighted)
        return;
    QRegion changed(outlineArea(m_highlighted));
    changed += outlineArea(marks);
    m_highlighted = std::move(marks);
    update(changed);
}

void GraphCanvas::setCaption(std::optional<Caption> caption) {
    if (caption == m_caption)
        return;
    QRegion changed;
    if (m_caption)
        changed += layoutCaption(*m_caption).bounds.toAlignedRect().adjusted(-1, -1, 1, 1);
    if (caption)
        changed += layoutCaption(*caption).bounds.toAlignedRect().adjusted(-1, -1, 1, 1);
    m_caption = std::move(caption);
    update(changed);
}

QRect GraphCanvas::outlineArea(const std::vector<std::size_t>& marks) const {
    QRectF area;
    if (!m_scene)
        return {};
    for (std::size_t i : marks) {
        if (i < m_scene->marks.size())
            area |= m_scene->marks[i].path.controlPointRect();
    }
    const int grow = int(std::ceil(kHighlightWidth)) + 1;
    return area.toAlignedRect().adjusted(-grow, -grow, grow, grow);
}

GraphCanvas::CaptionLayout GraphCanvas::layoutCaption(const Caption& caption) const {
    CaptionLayout layout;
    const QRectF& frame = caption.frame;
    if (!(frame.width() > 0 && frame.height() > 0))
        return layout;
    const QFontMetricsF nameMetrics(nameFont());
    const QFontMetricsF bytesMetrics(bytesFont());
    const QFontMetricsF shareMetrics(shareFont());
    const QString name = ViewText::elided(nameMetrics, caption.name, Qt::ElideMiddle, frame.width());
    std::vector<std::pair<QString, const QFontMetricsF*>> lines = {{name, &nameMetrics},
                                                                   {caption.bytes, &bytesMetrics}};
    if (!caption.share.isEmpty())
        lines.emplace_back(caption.share, &shareMetrics);
    double height = kCaptionSpacing * double(lines.size() - 1);
    double width = 0;
    for (const auto& [text, metrics] : lines) {
        height += metrics->height();
        width = std::max(width, metrics->horizontalAdvance(text));
    }
    double y = frame.center().y() - height / 2;
    for (const auto& [text, metrics] : lines) {
        const double w = metrics->horizontalAdvance(text);
        layout.lines.emplace_back(QRectF(frame.center().x() - w / 2, y, w, metrics->height()), text);
        y += metrics->height() + kCaptionSpacing;
    }
    layout.bounds = QRectF(frame.center().x() - width / 2, frame.center().y() - height / 2, width, height);
    return layout;
}

void GraphCanvas::paintLayers(QPainter& painter, const GraphRender& render, const QRegion& region) const {
    const QRect picture(QPoint(0, 0), render.size);
    const qreal ratio = render.devicePixelRatio;
    for (const QRect& rect : region) {
        const QRect target = rect & picture;
        if (target.isEmpty())
            continue;
        const QRectF source(target.x() * ratio, target.y() * ratio, target.width() * ratio,
                            target.height() * ratio);
        if (!render.marks.isNull())
            painter.drawImage(QRectF(target), render.marks, source);
        if (m_showLabels && !render.labels.isNull())
            painter.drawImage(QRectF(target), render.labels, source);
    }
}

void GraphCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRegion& region = event->region();
    if (m_fadingOut) {
        painter.setOpacity(1 - m_fadeIn);
        paintLayers(painter, *m_fadingOut, region);
    }
    if (m_render) {
        painter.setOpacity(m_fadingOut ? m_fadeIn : 1.0);
        paintLayers(painter, *m_render, region);
        if (!m_outdatedReported && !m_render->size.isEmpty() &&
            m_render->devicePixelRatio != devicePixelRatioF()) {
            m_outdatedReported = true;
            QMetaObject::invokeMethod(this, &GraphCanvas::renderOutdated, Qt::QueuedConnection);
        }
    }
    painter.setOpacity(1);
    if (!m_scene)
        return;
    if (!m_highlighted.empty()) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QPen outline(m_scene->ink, kHighlightWidth);
        for (std::size_t i : m_highlighted) {
            if (i < m_scene->marks.size())
                painter.strokePath(m_scene->marks[i].path, outline);
        }
    }
    if (m_caption) {
        const CaptionLayout layout = layoutCaption(*m_caption);
        const QFont fonts[] = {nameFont(), bytesFont(), shareFont()};
        const QColor colours[] = {Appearance::role(ColorRole::ink), Appearance::role(ColorRole::ink),
                                  Appearance::role(ColorRole::muted)};
        for (std::size_t i = 0; i < layout.lines.size(); ++i) {
            painter.setFont(fonts[i]);
            painter.setPen(colours[i]);
            painter.drawText(layout.lines[i].first, Qt::AlignCenter | Qt::TextSingleLine,
                             layout.lines[i].second);
        }
    }
}

void GraphCanvas::mousePressEvent(QMouseEvent* event) {
    const bool menu = event->button() == Qt::RightButton ||
                      (event->button() == Qt::LeftButton && event->modifiers().testFlag(Qt::ControlModifier));
    m_pressed = false;
    if (menu) {
        emit menuRequested(event->position(), event->globalPosition().toPoint());
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void GraphCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked(event->position());
    event->accept();
}

void GraphCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    m_pressed = false;
    if (event->button() == Qt::RightButton ||
        (event->button() == Qt::LeftButton && event->modifiers().testFlag(Qt::ControlModifier))) {
        // A second quick right press or Control-click opens the menu as the first did.
        mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton)
        emit doubleClicked(event->position());
    event->accept();
}

void GraphCanvas::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(event->position());
}

void GraphCanvas::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerLeft();
}

void GraphCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

} // namespace ambertrove
