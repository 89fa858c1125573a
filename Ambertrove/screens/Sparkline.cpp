#include "screens/Sparkline.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ambertrove {

Sparkline::Sparkline(QColor color, double maximum, bool fill, QWidget* parent)
    : QWidget(parent)
    , m_color(color)
    , m_maximum(maximum)
    , m_fill(fill) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

std::vector<QPointF> Sparkline::points(const std::vector<double>& values, double maximum, double width,
                                       double height) {
    std::vector<QPointF> out;
    const std::size_t n = values.size();
    if (n < 2)
        return out;
    out.reserve(n);
    const bool scaled = maximum >= 1;
    for (std::size_t i = 0; i < n; ++i) {
        const double share = scaled ? values[i] / maximum : values[i];
        // Not a number fails both comparisons and lands at 0.
        const double f = share > 0 ? std::min(share, 1.0) : 0.0;
        out.emplace_back(width * double(i) / double(n - 1), (height - 2) - (height - 4) * f);
    }
    return out;
}

void Sparkline::setValues(std::vector<double> values) {
    if (values == m_values)
        return;
    m_values = std::move(values);
    update();
}

void Sparkline::setMaximum(double maximum) {
    if (maximum == m_maximum)
        return;
    m_maximum = maximum;
    update();
}

void Sparkline::paintEvent(QPaintEvent*) {
    const std::vector<QPointF> line = points(m_values, m_maximum, width(), height());
    if (line.empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.moveTo(line.front());
    for (std::size_t i = 1; i < line.size(); ++i)
        path.lineTo(line[i]);
    if (m_fill) {
        QPainterPath area = path;
        area.lineTo(line.back().x(), height());
        area.lineTo(line.front().x(), height());
        area.closeSubpath();
        QLinearGradient gradient(0, 0, 0, height());
        QColor top = m_color;
        top.setAlphaF(m_color.alphaF() * 0.18f);
        QColor bottom = m_color;
        bottom.setAlphaF(m_color.alphaF() * 0.01f);
        gradient.setColorAt(0, top);
        gradient.setColorAt(1, bottom);
        painter.fillPath(area, gradient);
    }
    QPen pen(m_color, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setMiterLimit(10);
    painter.strokePath(path, pen);
}

} // namespace ambertrove
