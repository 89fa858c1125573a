#include "screens/FootprintBar.hpp"

#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ambertrove {

FootprintBar::FootprintBar(std::int64_t bundleBytes, std::int64_t totalBytes, QWidget* parent)
    : QWidget(parent)
    , m_bundle(bundleBytes)
    , m_total(totalBytes) {
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

std::pair<double, double> FootprintBar::segments(double width, std::int64_t bundleBytes,
                                                 std::int64_t totalBytes) {
    const double usable = std::max(width - kGap, 0.0);
    const double share =
        double(std::max<std::int64_t>(bundleBytes, 0)) / double(std::max<std::int64_t>(totalBytes, 1));
    const double bundle = std::clamp(usable * share, 0.0, usable);
    return {bundle, std::max(width - bundle - kGap, 0.0)};
}

void FootprintBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto [bundle, support] = segments(width(), m_bundle, m_total);
    const auto bar = [&](double x, double w, const QColor& colour) {
        if (w <= 0)
            return;
        QPainterPath shape;
        shape.addRoundedRect(QRectF(x, 0, w, height()), 3, 3);
        painter.fillPath(shape, colour);
    };
    bar(0, bundle, Appearance::role(ColorRole::ink));
    bar(width() - support, support, Appearance::color(Paper::amber()));
}

} // namespace ambertrove
