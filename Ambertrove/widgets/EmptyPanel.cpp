#include "widgets/EmptyPanel.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {
QFont titleFont(const EmptyPanel::Measures& m) {
    return ViewText::font(m.titleSize, QFont::DemiBold);
}
QFont subtitleFont(const EmptyPanel::Measures& m) {
    return ViewText::font(m.subtitleSize);
}
} // namespace

EmptyPanel::Measures EmptyPanel::measures(bool compact) {
    if (compact)
        return {10, 26, 52, 16, 20, 12, 18};
    return {15, 36, 78, 24, 24, 13, 36};
}

EmptyPanel::EmptyPanel(const QString& icon, const QString& title, const QString& subtitle, bool compact,
                       QWidget* parent)
    : QWidget(parent), m_icon(icon), m_title(title), m_subtitle(subtitle), m_compact(compact) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    changed();
}

void EmptyPanel::setIcon(const QString& icon) {
    m_icon = icon;
    update();
}

void EmptyPanel::setTitle(const QString& title) {
    m_title = title;
    changed();
}

void EmptyPanel::setSubtitle(const QString& subtitle) {
    m_subtitle = subtitle;
    changed();
}

void EmptyPanel::setCompact(bool compact) {
    m_compact = compact;
    changed();
}

void EmptyPanel::changed() {
    setAccessibleName(m_title);
    setAccessibleDescription(m_subtitle);
    updateGeometry();
    update();
}

EmptyPanel::Layout EmptyPanel::layoutFor(int width) const {
    const Measures m = measures(m_compact);
    Layout layout;
    const int inner = std::max(1, width - 2 * m.padding);
    int y = m.padding;
    layout.square = QRect(m.padding + (inner - m.square) / 2, y, m.square, m.square);
    y += m.square;

    const auto place = [&](const QString& text, const QFont& font, int lineWidth, int lineSpacing,
                           std::vector<QRect>& rects, QStringList& texts) {
        if (text.isEmpty())
            return;
        y += m.spacing;
        const QFontMetrics metrics(font);
        texts = ViewText::wrappedLines(text, font, lineWidth);
        for (int i = 0; i < texts.size(); ++i) {
            if (i > 0)
                y += lineSpacing;
            texts[i] = texts[i].trimmed();
            const int w = std::min(lineWidth, metrics.horizontalAdvance(texts[i]));
            rects.emplace_back(m.padding + (inner - w) / 2, y, w, metrics.height());
            y += metrics.height();
        }
    };
    place(m_title, titleFont(m), inner, 0, layout.titleLines, layout.titleTexts);
    place(m_subtitle, subtitleFont(m), std::min(inner, kSubtitleWidth), kSubtitleLineSpacing, layout.subtitleLines,
          layout.subtitleTexts);
    layout.height = y + m.padding;
    return layout;
}

QSize EmptyPanel::sizeHint() const {
    const Measures m = measures(m_compact);
    const int width = kSubtitleWidth + 2 * m.padding;
    return {width, heightForWidth(width)};
}

QSize EmptyPanel::minimumSizeHint() const {
    // The height at the preferred width: layouts ask heightForWidth() for the height at the width they give.
    const Measures m = measures(m_compact);
    return {m.square + 2 * m.padding, sizeHint().height()};
}

int EmptyPanel::heightForWidth(int width) const {
    return layoutFor(width).height;
}

void EmptyPanel::paintEvent(QPaintEvent*) {
    const Measures m = measures(m_compact);
    const Layout layout = layoutFor(width());
    // Centred vertically when the panel is given more height than it needs.
    const int shift = std::max(0, (height() - layout.height) / 2);
    QPainter painter(this);
    painter.translate(0, shift);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath square;
    square.addRoundedRect(QRectF(layout.square), m.cornerRadius, m.cornerRadius);
    painter.fillPath(square, Appearance::role(ColorRole::accent, 0.08));
    const QRectF symbol(layout.square.center().x() + 0.5 - m.symbolSize / 2.0,
                        layout.square.center().y() + 0.5 - m.symbolSize / 2.0, m.symbolSize, m.symbolSize);
    Icons::paint(painter, m_icon, symbol, Appearance::role(ColorRole::accent));

    painter.setFont(titleFont(m));
    painter.setPen(Appearance::role(ColorRole::ink));
    for (std::size_t i = 0; i < layout.titleLines.size(); ++i)
        painter.drawText(layout.titleLines[i], Qt::AlignCenter, layout.titleTexts[int(i)]);
    painter.setFont(subtitleFont(m));
    painter.setPen(Appearance::role(ColorRole::muted));
    for (std::size_t i = 0; i < layout.subtitleLines.size(); ++i)
        painter.drawText(layout.subtitleLines[i], Qt::AlignCenter, layout.subtitleTexts[int(i)]);
}

} // namespace ambertrove
