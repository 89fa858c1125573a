#include "explore/AgeBars.hpp"

#include "model/Formatting.hpp"
#include "platform/Saturating.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace ambertrove {

namespace {

QFont rowFont(QFont::Weight weight = QFont::Normal) {
    return ViewText::font(10, weight);
}

// Orange and red in the palette's earthy tones, beside its amber.
constexpr AdaptiveColor kOrange{0xD98B5F, 0xB8612E};
constexpr AdaptiveColor kRed{0xD2705F, 0xA8443A};

} // namespace

AgeBars::AgeBars(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QColor AgeBars::color(AgeRange range) {
    switch (range) {
    case AgeRange::week:
        return Appearance::role(ColorRole::accent);
    case AgeRange::month:
        return Appearance::color(Paper::amber(), 0.65);
    case AgeRange::quarter:
        return Appearance::role(ColorRole::ink);
    case AgeRange::year:
        return Appearance::color(Paper::amber());
    case AgeRange::twoYears:
        return Appearance::color(kOrange, 0.65);
    case AgeRange::older:
        return Appearance::color(kRed, 0.6);
    }
    return Appearance::role(ColorRole::muted);
}

double AgeBars::barFraction(std::int64_t bytes, std::int64_t largest) {
    return std::clamp(double(bytes) / double(std::max<std::int64_t>(largest, 1)), 0.0, 1.0);
}

void AgeBars::setTotals(const std::array<std::int64_t, 6>& totals) {
    m_totals = totals;
    update();
}

void AgeBars::setSelected(std::optional<AgeRange> range) {
    if (m_selected == range)
        return;
    m_selected = range;
    update();
}

std::int64_t AgeBars::total() const {
    std::int64_t sum = 0;
    for (std::int64_t bytes : m_totals)
        sum = Saturating::add(sum, bytes);
    return sum;
}

std::int64_t AgeBars::largest() const {
    return std::max<std::int64_t>(1, *std::max_element(m_totals.begin(), m_totals.end()));
}

QString AgeBars::bytesText(AgeRange range) const {
    return QString::fromStdString(formattedBytes(m_totals[std::size_t(rawValue(range))]));
}

QString AgeBars::shareText(AgeRange range) const {
    return QString::fromStdString(
        formattedShare(m_totals[std::size_t(rawValue(range))], std::max<std::int64_t>(total(), 1)));
}

int AgeBars::rowHeight() const {
    return std::max(kBarHeight, QFontMetrics(rowFont(QFont::DemiBold)).height()) + 2 * kRowPadding;
}

QRect AgeBars::rowRect(AgeRange range) const {
    return {0, rawValue(range) * (rowHeight() + kRowSpacing), width(), rowHeight()};
}

QRectF AgeBars::trackRect(AgeRange range) const {
    const QRect row = rowRect(range);
    const int left = kTitleWidth + kSpacing;
    const int right = row.width() - kShareWidth - kBytesWidth - 2 * kSpacing;
    return {double(left), row.center().y() - kBarHeight / 2.0 + 0.5, double(std::max(0, right - left)),
            double(kBarHeight)};
}

QRectF AgeBars::barRect(AgeRange range) const {
    QRectF bar = trackRect(range);
    bar.setWidth(bar.width() * barFraction(m_totals[std::size_t(rawValue(range))], largest()));
    return bar;
}

QSize AgeBars::sizeHint() const {
    return {kTitleWidth + kBytesWidth + kShareWidth + 3 * kSpacing + 60,
            int(kAllAgeRanges.size()) * rowHeight() + int(kAllAgeRanges.size() - 1) * kRowSpacing};
}

QSize AgeBars::minimumSizeHint() const {
    return sizeHint();
}

void AgeBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics plain(rowFont());
    const QFontMetrics bold(rowFont(QFont::DemiBold));
    for (AgeRange range : kAllAgeRanges) {
        const QRect row = rowRect(range);
        if (m_selected == range)
            painter.fillRect(row, Appearance::role(ColorRole::accent, 0.08));
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.setFont(rowFont());
        const std::string_view name = title(range);
        painter.drawText(QRect(0, row.top(), kTitleWidth, row.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(plain, QString::fromUtf8(name.data(), qsizetype(name.size())),
                                          Qt::ElideRight, kTitleWidth));

        const QRectF track = trackRect(range);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Appearance::role(ColorRole::background));
        painter.drawRoundedRect(track, kBarHeight / 2.0, kBarHeight / 2.0);
        const QRectF bar = barRect(range);
        if (bar.width() > 0) {
            painter.setBrush(color(range));
            painter.drawRoundedRect(bar, std::min(kBarHeight / 2.0, bar.width() / 2), kBarHeight / 2.0);
        }

        const int bytesLeft = row.width() - kShareWidth - kSpacing - kBytesWidth;
        painter.setFont(rowFont(QFont::DemiBold));
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.drawText(QRect(bytesLeft, row.top(), kBytesWidth, row.height()),
                         Qt::AlignRight | Qt::AlignVCenter,
                         ViewText::elided(bold, bytesText(range), Qt::ElideRight, kBytesWidth));
        painter.setFont(rowFont());
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(QRect(row.width() - kShareWidth, row.top(), kShareWidth, row.height()),
                         Qt::AlignRight | Qt::AlignVCenter, shareText(range));
    }
}

void AgeBars::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    for (AgeRange range : kAllAgeRanges) {
        if (rowRect(range).contains(event->position().toPoint())) {
            emit tapped(range);
            return;
        }
    }
}

} // namespace ambertrove
