#include "explore/MonthHeatmap.hpp"

#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QHelpEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace ambertrove {

namespace {

constexpr int kSwatchWidth = 14;
constexpr int kSwatchHeight = 8;
constexpr int kLegendSpacing = 4;

QFont headerFont() {
    return ViewText::font(9, QFont::DemiBold);
}

QFont yearFont() {
    return ViewText::font(10, QFont::DemiBold);
}

QFont legendFont() {
    return ViewText::font(8);
}

QFont emptyFont() {
    return ViewText::font(10);
}

QString monthName(std::int64_t month) {
    return QLocale().monthName(int(month), QLocale::LongFormat);
}

} // namespace

MonthHeatmap::MonthHeatmap(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    setMouseTracking(true);
}

int MonthHeatmap::heatLevel(std::int64_t bytes, std::int64_t busiest) {
    if (bytes < 1)
        return 0;
    // ceil(sqrt(bytes / busiest) * 6) in whole numbers: the least level L with L * L * busiest at least
    // 36 * bytes. The bounds (a quarter of the busiest is level 3, a 36th level 1) never fall to rounding.
    __extension__ typedef unsigned __int128 Wide;
    const Wide needed = Wide(36) * Wide(std::uint64_t(bytes));
    const Wide busiestBytes = Wide(std::uint64_t(std::max<std::int64_t>(busiest, 1)));
    for (int level = 1; level < 6; ++level) {
        if (Wide(std::uint64_t(level * level)) * busiestBytes >= needed)
            return level;
    }
    return 6;
}

std::array<QColor, 7> MonthHeatmap::heatColors(bool dark) {
    const auto rgb = [](double r, double g, double b) {
        return QColor::fromRgbF(float(r), float(g), float(b));
    };
    if (dark)
        return {rgb(0.15, 0.15, 0.15), rgb(0.27, 0.24, 0.19), rgb(0.40, 0.32, 0.22), rgb(0.53, 0.40, 0.24),
                rgb(0.69, 0.51, 0.29), rgb(0.84, 0.66, 0.41), rgb(0.98, 0.82, 0.55)};
    return {rgb(0.94, 0.93, 0.90), rgb(0.85, 0.82, 0.75), rgb(0.75, 0.68, 0.55), rgb(0.63, 0.52, 0.36),
            rgb(0.51, 0.39, 0.24), rgb(0.40, 0.28, 0.15), rgb(0.29, 0.18, 0.08)};
}

bool MonthHeatmap::showsLabel(std::int64_t bytes, std::int64_t busiest) {
    return bytes >= 1 && bytes >= busiest / 4;
}

QColor MonthHeatmap::labelColor(int level, bool dark) {
    if (level < 4)
        return Appearance::role(ColorRole::ink);
    return dark ? QColor(Qt::black) : QColor(Qt::white);
}

void MonthHeatmap::setMonths(std::map<ModificationMonth, std::int64_t> months) {
    m_months = std::move(months);
    m_years.clear();
    m_largest = 0;
    for (const auto& [month, bytes] : m_months) {
        if (m_years.empty() || m_years.back() != month.year)
            m_years.push_back(month.year);
        m_largest = std::max(m_largest, bytes);
    }
    std::reverse(m_years.begin(), m_years.end());
    m_busiest = std::max<std::int64_t>(m_largest, 1);
    updateGeometry();
    update();
}

void MonthHeatmap::setSelected(std::optional<ModificationMonth> month) {
    if (m_selected == month)
        return;
    m_selected = month;
    update();
}

std::int64_t MonthHeatmap::bytes(const ModificationMonth& month) const {
    const auto found = m_months.find(month);
    return found == m_months.end() ? 0 : found->second;
}

int MonthHeatmap::headerHeight() const {
    return QFontMetrics(headerFont()).height();
}

int MonthHeatmap::rowsTop() const {
    return headerHeight() + kSpacing;
}

int MonthHeatmap::contentHeight() const {
    const int rows = m_years.empty()
                         ? QFontMetrics(emptyFont()).height()
                         : int(m_years.size()) * kCellHeight + int(m_years.size() - 1) * kRowSpacing;
    const int legend = std::max(kSwatchHeight, QFontMetrics(legendFont()).height());
    return rowsTop() + rows + kSpacing + kLegendGap + kSpacing + legend;
}

double MonthHeatmap::cellWidth() const {
    return std::max(1.0, (width() - kYearWidth - 12.0 * kCellSpacing) / 12.0);
}

QRect MonthHeatmap::cellRect(const ModificationMonth& month) const {
    const auto found = std::find(m_years.begin(), m_years.end(), month.year);
    if (found == m_years.end() || month.month < 1 || month.month > 12)
        return {};
    const int row = int(found - m_years.begin());
    const double left = kYearWidth + kCellSpacing + double(month.month - 1) * (cellWidth() + kCellSpacing);
    const int x = int(std::lround(left));
    const int right = int(std::lround(left + cellWidth()));
    return {x, rowsTop() + row * (kCellHeight + kRowSpacing), right - x, kCellHeight};
}

std::optional<ModificationMonth> MonthHeatmap::cellAt(const QPoint& point) const {
    const int y = point.y() - rowsTop();
    if (y < 0 || point.x() < kYearWidth)
        return std::nullopt;
    const int row = y / (kCellHeight + kRowSpacing);
    if (row >= int(m_years.size()))
        return std::nullopt;
    for (std::int64_t month = 1; month <= 12; ++month) {
        const ModificationMonth cell{m_years[std::size_t(row)], month};
        if (cellRect(cell).contains(point))
            return cell;
    }
    return std::nullopt;
}

QString MonthHeatmap::busiestText() const {
    return QStringLiteral("Busiest month: ") + QString::fromStdString(formattedBytes(m_largest));
}

QString MonthHeatmap::toolTipOf(const ModificationMonth& month) const {
    return monthName(month.month) + QLatin1Char(' ') + QString::number(month.year) + QStringLiteral(" — ") +
           QString::fromStdString(formattedBytes(bytes(month)));
}

QSize MonthHeatmap::sizeHint() const {
    return {kYearWidth + 12 * (kCellSpacing + 16), contentHeight()};
}

QSize MonthHeatmap::minimumSizeHint() const {
    return {kYearWidth + 12 * (kCellSpacing + 8), contentHeight()};
}

void MonthHeatmap::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::dark();
    const std::array<QColor, 7> colours = heatColors(dark);
    const QColor muted = Appearance::role(ColorRole::muted);

    // The month letters over the columns.
    painter.setFont(headerFont());
    painter.setPen(muted);
    for (int month = 1; month <= 12; ++month) {
        const double left = kYearWidth + kCellSpacing + (month - 1) * (cellWidth() + kCellSpacing);
        painter.drawText(QRectF(left, 0, cellWidth(), headerHeight()), Qt::AlignCenter,
                         QLocale().monthName(month, QLocale::NarrowFormat));
    }

    // Only the years in view are drawn.
    const QRect dirty = event->rect();
    QFont labelFont = ViewText::font(8, QFont::DemiBold);
    for (std::size_t row = 0; row < m_years.size(); ++row) {
        const int top = rowsTop() + int(row) * (kCellHeight + kRowSpacing);
        if (top > dirty.bottom() || top + kCellHeight < dirty.top())
            continue;
        painter.setFont(yearFont());
        painter.setPen(muted);
        painter.drawText(QRect(0, top, kYearWidth, kCellHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(m_years[row]));
        for (std::int64_t month = 1; month <= 12; ++month) {
            const ModificationMonth cell{m_years[row], month};
            const QRectF box = cellRect(cell);
            const std::int64_t cellBytes = bytes(cell);
            const int level = heatLevel(cellBytes, m_busiest);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colours[std::size_t(level)]);
            painter.drawRoundedRect(box, 4, 4);
            if (showsLabel(cellBytes, m_busiest)) {
                const QString text = QString::fromStdString(formattedBytes(cellBytes));
                const QRectF inner = box.adjusted(2, 2, -2, -2);
                // Shrinks to 0.7 of its size to fit, then is shortened.
                QFont fitted = labelFont;
                const double natural = QFontMetricsF(fitted).horizontalAdvance(text);
                if (natural > inner.width() && natural > 0)
                    fitted.setPixelSize(
                        std::max(1, int(std::floor(8 * std::max(0.7, inner.width() / natural)))));
                painter.setFont(fitted);
                painter.setPen(labelColor(level, dark));
                painter.drawText(
                    inner, Qt::AlignCenter | Qt::TextSingleLine,
                    ViewText::elided(QFontMetricsF(fitted), text, Qt::ElideRight, inner.width()));
            }
            if (m_selected == cell) {
                painter.setPen(QPen(Appearance::role(ColorRole::ink), 1.5));
                painter.setBrush(Qt::NoBrush);
                painter.drawRoundedRect(box.adjusted(0.75, 0.75, -0.75, -0.75), 4, 4);
            }
        }
    }
    if (m_years.empty()) {
        painter.setFont(emptyFont());
        painter.setPen(muted);
        painter.drawText(QRect(0, rowsTop(), width(), QFontMetrics(emptyFont()).height()),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No timestamps to plot here."));
    }

    // The legend at the bottom.
    const QFontMetrics legend(legendFont());
    const int legendHeight = std::max(kSwatchHeight, legend.height());
    const int top = std::max(contentHeight(), height()) - legendHeight;
    painter.setFont(legendFont());
    painter.setPen(muted);
    int x = 0;
    const QString less = QStringLiteral("less");
    painter.drawText(QRect(x, top, legend.horizontalAdvance(less), legendHeight), Qt::AlignVCenter, less);
    x += legend.horizontalAdvance(less) + kLegendSpacing;
    for (const QColor& colour : colours) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRoundedRect(
            QRectF(x, top + (legendHeight - kSwatchHeight) / 2.0, kSwatchWidth, kSwatchHeight), 2, 2);
        x += kSwatchWidth + kLegendSpacing;
    }
    painter.setPen(muted);
    const QString more = QStringLiteral("more");
    painter.drawText(QRect(x, top, legend.horizontalAdvance(more), legendHeight), Qt::AlignVCenter, more);
    x += legend.horizontalAdvance(more) + kLegendSpacing;
    const int busiestWidth = std::max(0, width() - x);
    painter.drawText(QRect(x, top, busiestWidth, legendHeight), Qt::AlignRight | Qt::AlignVCenter,
                     ViewText::elided(legend, busiestText(), Qt::ElideRight, busiestWidth));
}

void MonthHeatmap::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (const std::optional<ModificationMonth> cell = cellAt(event->position().toPoint()))
        emit tapped(*cell);
}

bool MonthHeatmap::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const std::optional<ModificationMonth> cell = cellAt(help->pos()))
            QToolTip::showText(help->globalPos(), ViewText::plainToolTip(toolTipOf(*cell)), this,
                               cellRect(*cell));
        else
            QToolTip::hideText();
        return true;
    }
    if (event->type() == QEvent::MouseMove)
        setCursor(cellAt(static_cast<QMouseEvent*>(event)->position().toPoint()) ? Qt::PointingHandCursor
                                                                                 : Qt::ArrowCursor);
    return QWidget::event(event);
}

} // namespace ambertrove
