#include "screens/MemoryBar.hpp"

#include "screens/MonitorColors.hpp"
#include "widgets/Appearance.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ambertrove {

MemoryBar::MemoryBar(QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

MemoryBar::Segments MemoryBar::segments(double width, std::int64_t wired, std::int64_t compressed,
                                        std::int64_t used, std::int64_t total) {
    const double whole = double(std::max<std::int64_t>(total, 1));
    double free = std::max(width - 3 * kSpacing, 0.0);
    const auto take = [&](double bytes) {
        const double wanted = std::max(width * bytes / whole, 0.0);
        const double given = std::min(wanted, free);
        free -= given;
        return given;
    };
    // Figures below 0 mean nothing and count as 0.
    const double wiredBytes = std::max(double(wired), 0.0);
    const double compressedBytes = std::max(double(compressed), 0.0);
    Segments out;
    out.wired = take(wiredBytes);
    out.compressed = take(compressedBytes);
    // The rest of the memory in use: what is neither wired nor compressed, never below 0.
    out.used = take(std::max(double(used) - wiredBytes - compressedBytes, 0.0));
    out.free = free;
    return out;
}

void MemoryBar::setMemory(std::int64_t wired, std::int64_t compressed, std::int64_t used,
                          std::int64_t total) {
    m_wired = wired;
    m_compressed = compressed;
    m_used = used;
    m_total = total;
    update();
}

void MemoryBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 3, 3);
    painter.setClipPath(clip);
    const Segments parts = segments(width(), m_wired, m_compressed, m_used, m_total);
    double x = 0;
    const auto segment = [&](double w, const QColor& colour) {
        if (w > 0)
            painter.fillRect(QRectF(x, 0, w, height()), colour);
        x += w + kSpacing;
    };
    segment(parts.wired, Appearance::color(MonitorColors::red(), 0.65));
    segment(parts.compressed, Appearance::color(MonitorColors::purple(), 0.4));
    segment(parts.used, Appearance::color(Paper::amber()));
    segment(parts.free, Appearance::role(ColorRole::border));
}

} // namespace ambertrove
