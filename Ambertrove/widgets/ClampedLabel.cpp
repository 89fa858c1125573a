#include "widgets/ClampedLabel.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

ClampedLabel::ClampedLabel(const QString& text, int maxLines, QWidget* parent)
    : QWidget(parent)
    , m_maxLines(std::max(1, maxLines)) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setText(text);
}

void ClampedLabel::setText(const QString& text) {
    if (m_text == text)
        return;
    m_text = text;
    if (width() > 0)
        setMinimumHeight(heightForWidth(width()));
    setAccessibleName(text);
    updateGeometry();
    update();
}

void ClampedLabel::setColor(const QColor& color) {
    m_color = color;
    update();
}

void ClampedLabel::setElideMode(Qt::TextElideMode mode) {
    m_elideMode = mode;
    update();
}

QString ClampedLabel::shownText() const {
    if (m_elideMode != Qt::ElideRight)
        return ViewText::middleElidedLines(m_text, font(), width(), m_maxLines);
    QStringList lines = ViewText::wrappedLines(m_text, font(), width());
    if (lines.size() <= m_maxLines)
        return lines.join(QLatin1Char('\n'));
    // The last line shown carries the rest of the text, cut at the end (the lines are consecutive pieces).
    lines = lines.mid(0, m_maxLines - 1);
    qsizetype start = 0;
    for (const QString& line : lines)
        start += line.size();
    lines << ViewText::elided(fontMetrics(), m_text.mid(start).simplified(), Qt::ElideRight, width());
    return lines.join(QLatin1Char('\n'));
}

QSize ClampedLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(m_text) + 1, fontMetrics().height()};
}

QSize ClampedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")), fontMetrics().height()};
}

int ClampedLabel::heightForWidth(int width) const {
    const int lines = std::min(m_maxLines, ViewText::wrappedLineCount(m_text, font(), width));
    return lines * fontMetrics().lineSpacing() - fontMetrics().leading();
}

void ClampedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(m_color.isValid() ? m_color : Appearance::role(ColorRole::ink));
    const QStringList lines = shownText().split(QLatin1Char('\n'));
    int y = 0;
    for (const QString& line : lines) {
        painter.drawText(QRect(0, y, width(), fontMetrics().height()), Qt::AlignLeft | Qt::AlignVCenter,
                         line);
        y += fontMetrics().lineSpacing();
    }
}

void ClampedLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Not every container follows heightForWidth(); a minimum height at the new width makes them give
    // the lines their room.
    const int needed = heightForWidth(width());
    if (minimumHeight() != needed)
        setMinimumHeight(needed);
}

void ClampedLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        update();
    }
}

} // namespace ambertrove
