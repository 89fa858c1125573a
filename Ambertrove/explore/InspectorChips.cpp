#include "explore/InspectorChips.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>

namespace ambertrove {

namespace {
QFont chipFont() {
    return ViewText::font(9);
}
} // namespace

InspectorChips::InspectorChips(const QStringList& texts, QWidget* parent)
    : QWidget(parent)
    , m_texts(texts) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(texts.join(QStringLiteral(", ")));
}

QSize InspectorChips::sizeHint() const {
    const QFontMetrics metrics(chipFont());
    int width = 0;
    for (const QString& text : m_texts)
        width += metrics.horizontalAdvance(text) + 2 * kHorizontalPadding;
    width += kSpacing * std::max<int>(0, int(m_texts.size()) - 1);
    return {width, metrics.height() + 2 * kVerticalPadding};
}

void InspectorChips::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(chipFont());
    const QFontMetrics metrics(chipFont());
    const int height = metrics.height() + 2 * kVerticalPadding;
    const int top = (this->height() - height) / 2;
    int x = 0;
    for (const QString& text : m_texts) {
        const int width = metrics.horizontalAdvance(text) + 2 * kHorizontalPadding;
        const QRectF chip(x, top, width, height);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Appearance::role(ColorRole::border, 0.4));
        painter.drawRoundedRect(chip, height / 2.0, height / 2.0);
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(chip, Qt::AlignCenter | Qt::TextSingleLine, text);
        x += width + kSpacing;
    }
}

} // namespace ambertrove
