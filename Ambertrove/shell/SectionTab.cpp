#include "shell/SectionTab.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>

namespace ambertrove {

namespace {

QFont tabFont() {
    return ViewText::font(SectionTab::kFontSize, QFont::DemiBold);
}

int symbolSide() {
    return QFontMetrics(tabFont()).height() - 2;
}

} // namespace

QString SectionTab::symbolOf(AppSection section) {
    switch (section) {
    case AppSection::explore:
        return QStringLiteral("square.grid.2x2");
    case AppSection::duplicates:
        return QStringLiteral("doc.on.doc");
    case AppSection::applications:
        return QStringLiteral("app.badge");
    case AppSection::monitor:
        return QStringLiteral("waveform.path.ecg");
    case AppSection::snapshots:
        return QStringLiteral("clock.arrow.circlepath");
    case AppSection::cleanup:
        return QStringLiteral("trash");
    }
    return {};
}

SectionTab::SectionTab(AppSection section, QWidget* parent)
    : QAbstractButton(parent)
    , m_section(section) {
    const QString title = rawValue(section);
    setText(title);
    setToolTip(title);
    setAccessibleName(title);
    setAccessibleDescription(QString());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SectionTab::setSelected(bool selected) {
    if (m_selected == selected)
        return;
    m_selected = selected;
    // The state is the tab's accessibility value.
    setAccessibleDescription(selected ? QStringLiteral("Selected") : QString());
    update();
}

void SectionTab::setShowsTitle(bool shows) {
    if (m_showsTitle == shows)
        return;
    m_showsTitle = shows;
    updateGeometry();
    update();
}

QSize SectionTab::sizeHint() const {
    const QFontMetrics metrics(tabFont());
    int width = symbolSide();
    if (m_showsTitle)
        width += kSpacing + metrics.horizontalAdvance(text());
    return {width + 2 * kHorizontalPadding, metrics.height() + 2 * kVerticalPadding};
}

bool SectionTab::showsFocusRing() const {
    return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void SectionTab::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    QColor fill = Qt::transparent;
    QColor content = Appearance::role(ColorRole::muted);
    if (m_selected) {
        fill = Appearance::role(ColorRole::ink);
        content = Appearance::role(ColorRole::background);
    } else if (m_hovered || isDown()) {
        fill = Appearance::role(ColorRole::ink, isDown() ? 0.1 : 0.05);
    }
    const double radius = bounds.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds, radius, radius);
    if (showsFocusRing()) {
        painter.setPen(QPen(Appearance::role(ColorRole::accent), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }

    const int side = symbolSide();
    double x = kHorizontalPadding;
    Icons::paint(painter, symbolOf(m_section), QRectF(x, (height() - side) / 2.0, side, side), content);
    if (!m_showsTitle)
        return;
    x += side + kSpacing;
    painter.setFont(tabFont());
    painter.setPen(content);
    painter.drawText(QRectF(x, 0, width() - x, height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void SectionTab::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SectionTab::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace ambertrove
