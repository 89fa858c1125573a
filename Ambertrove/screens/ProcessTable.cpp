#include "screens/ProcessTable.hpp"

#include "analysis/NameMatcher.hpp"
#include "model/Formatting.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ambertrove {

namespace {

constexpr int kRowPadding = 9;
constexpr int kHeaderGap = 15;
constexpr int kSpacing = 8;

QFont headerFont() {
    return ViewText::font(9, QFont::DemiBold);
}
QFont rowFont() {
    return ViewText::font(11);
}

double rank(double value) {
    return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
}

} // namespace

ProcessTable::ProcessTable(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

std::vector<ProcessInfoRow> ProcessTable::rows(const std::vector<ProcessInfoRow>& processes,
                                               const QString& filter, bool byMemory) {
    const QByteArray needle = filter.toUtf8();
    const NameMatcher matcher(std::string_view(needle.constData(), std::size_t(needle.size())));
    std::vector<ProcessInfoRow> out;
    for (const ProcessInfoRow& process : processes)
        if (matcher.empty() || matcher.matches(process.name))
            out.push_back(process);
    std::stable_sort(out.begin(), out.end(), [byMemory](const ProcessInfoRow& a, const ProcessInfoRow& b) {
        return byMemory ? a.memory > b.memory : rank(a.cpu) > rank(b.cpu);
    });
    if (out.size() > kMostRows)
        out.resize(kMostRows);
    return out;
}

void ProcessTable::setRows(std::vector<ProcessInfoRow> rows) {
    if (rows == m_rows)
        return;
    const bool resized = rows.size() != m_rows.size();
    m_rows = std::move(rows);
    if (resized)
        setFixedHeight(sizeHint().height());
    update();
}

int ProcessTable::rowHeight() const {
    return kRowPadding + QFontMetrics(rowFont()).height() + kRowPadding + 1;
}

int ProcessTable::headerHeight() const {
    return QFontMetrics(headerFont()).height();
}

QSize ProcessTable::sizeHint() const {
    return {400, headerHeight() + kHeaderGap + int(m_rows.size()) * rowHeight()};
}

QSize ProcessTable::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void ProcessTable::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const int widths[] = {kPidWidth, kCpuWidth, kMemoryWidth};
    // The columns from the trailing edge: memory, CPU, process id; the name takes the rest.
    const auto columns = [&](int top, int height, const QString(&texts)[3]) {
        int right = width();
        for (int i = 2; i >= 0; --i) {
            painter.drawText(QRect(right - widths[i], top, widths[i], height),
                             Qt::AlignRight | Qt::AlignVCenter, texts[i]);
            right -= widths[i] + kSpacing;
        }
        return right;
    };
    painter.setFont(headerFont());
    painter.setPen(Appearance::role(ColorRole::muted));
    const int header = headerHeight();
    const QString headings[3] = {QStringLiteral("PID"), QStringLiteral("CPU"), QStringLiteral("MEMORY")};
    const int nameRight = columns(0, header, headings);
    painter.drawText(QRect(0, 0, nameRight, header), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("PROCESS"));

    const QFontMetrics metrics(rowFont());
    const int row = rowHeight();
    painter.setFont(rowFont());
    int y = header + kHeaderGap;
    for (const ProcessInfoRow& process : m_rows) {
        if (y > event->rect().bottom())
            break;
        if (y + row >= event->rect().top()) {
            const QRect line(0, y + kRowPadding, width(), metrics.height());
            painter.setPen(Appearance::role(ColorRole::muted));
            const QString figures[3] = {QString::number(process.id), QString::asprintf("%.1f%%", process.cpu),
                                        QString::fromStdString(formattedBytes(process.memory))};
            const int right = columns(line.top(), line.height(), figures);
            painter.setPen(Appearance::role(ColorRole::ink));
            painter.drawText(QRect(0, line.top(), std::max(0, right), line.height()),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             ViewText::elided(metrics, QString::fromStdString(process.name), Qt::ElideRight,
                                              std::max(0, right)));
            painter.fillRect(QRect(0, y + row - 1, width(), 1), Appearance::role(ColorRole::border, 0.4));
        }
        y += row;
    }
}

} // namespace ambertrove
