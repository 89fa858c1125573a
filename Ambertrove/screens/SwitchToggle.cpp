#include "screens/SwitchToggle.hpp"

#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ambertrove {

namespace {
constexpr int kSpacing = 8;
}

SwitchToggle::SwitchToggle(const QString& label, Size size, int fontSize, QWidget* parent)
    : QAbstractButton(parent)
    , m_size(size) {
    setCheckable(true);
    setText(ViewText::withoutMnemonic(label));
    setAccessibleName(label);
    setFont(ViewText::font(fontSize));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::toggled, this, qOverload<>(&QWidget::update));
}

QSize SwitchToggle::trackSize() const {
    return m_size == Size::small ? QSize(30, 17) : QSize(24, 14);
}

QSize SwitchToggle::sizeHint() const {
    const QFontMetrics metrics(font());
    const QSize track = trackSize();
    return {metrics.horizontalAdvance(text()) + kSpacing + track.width(),
            std::max(metrics.height(), track.height()) + 2};
}

void SwitchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.38);
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(0, 0, textWidth, height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text());

    const QSize size = trackSize();
    const QRectF track(textWidth + kSpacing, (height() - size.height()) / 2.0, size.width(), size.height());
    QPainterPath shape;
    shape.addRoundedRect(track, track.height() / 2, track.height() / 2);
    painter.fillPath(shape,
                     isChecked() ? Appearance::role(ColorRole::accent) : Appearance::role(ColorRole::border));
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isDown() ? QColor(235, 235, 235) : QColor(Qt::white));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

} // namespace ambertrove
