#include "widgets/SectionCaption.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ambertrove {

namespace {
QFont titleFont() {
    return ViewText::font(10, QFont::DemiBold, 1.2);
}
QFont trailingFont() {
    return ViewText::font(10, QFont::DemiBold);
}
} // namespace

SectionCaption::SectionCaption(const QString& title, const QString& trailing, QWidget* parent)
    : QWidget(parent), m_title(title), m_trailing(trailing) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    changed();
}

void SectionCaption::setTitle(const QString& title) {
    if (m_title == title)
        return;
    m_title = title;
    changed();
}

void SectionCaption::setTrailing(const QString& trailing) {
    if (m_trailing == trailing)
        return;
    m_trailing = trailing;
    changed();
}

void SectionCaption::changed() {
    setAccessibleName(m_trailing.isEmpty() ? m_title : m_title + QStringLiteral(", ") + m_trailing);
    updateGeometry();
    update();
}

QSize SectionCaption::sizeHint() const {
    const QFontMetrics title(titleFont());
    const QFontMetrics trailing(trailingFont());
    int width = title.horizontalAdvance(shownTitle());
    if (!m_trailing.isEmpty())
        width += kSpacing + trailing.horizontalAdvance(m_trailing);
    return {width, std::max(title.height(), trailing.height())};
}

QSize SectionCaption::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void SectionCaption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Appearance::role(ColorRole::muted));
    const QFontMetrics trailingMetrics(trailingFont());
    // The trailing text keeps its full width when it can; the title gives way first.
    const int trailingWidth =
        m_trailing.isEmpty() ? 0 : std::min(width(), trailingMetrics.horizontalAdvance(m_trailing));
    if (trailingWidth > 0) {
        painter.setFont(trailingFont());
        painter.drawText(QRect(width() - trailingWidth, 0, trailingWidth, height()), Qt::AlignRight | Qt::AlignVCenter,
                         ViewText::elided(trailingMetrics, m_trailing, Qt::ElideRight, trailingWidth));
    }
    const int titleWidth = width() - trailingWidth - (trailingWidth > 0 ? kSpacing : 0);
    if (titleWidth > 0) {
        painter.setFont(titleFont());
        const QFontMetrics titleMetrics(titleFont());
        painter.drawText(QRect(0, 0, titleWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(titleMetrics, shownTitle(), Qt::ElideRight, titleWidth));
    }
}

} // namespace ambertrove
