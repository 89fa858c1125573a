#include "shell/FilterField.hpp"

#include "shell/PlainButton.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace ambertrove {

FilterField::FilterField(QWidget* parent)
    : FilterField(QStringLiteral("Filter by name"), QStringLiteral("Clear search"), parent) {
    m_cornerRadius = 0;
    layout()->setContentsMargins(10, 7, 10, 7);
    setFixedWidth(kWideWidth);
}

FilterField::FilterField(const QString& placeholder, const QString& clearText, QWidget* parent)
    : QWidget(parent)
    , m_cornerRadius(8) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(new SymbolView(QStringLiteral("magnifyingglass"), 12, ColorRole::muted, this));

    m_edit = new QLineEdit(this);
    m_edit->setFrame(false);
    m_edit->setFont(ViewText::font(12));
    m_edit->setPlaceholderText(placeholder);
    m_edit->setAccessibleName(placeholder);
    QPalette colours = m_edit->palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(colours);
    layout->addWidget(m_edit, 1);

    m_clear = new PlainButton(QStringLiteral("xmark.circle.fill"), 12, ColorRole::muted, this);
    m_clear->setToolTip(clearText);
    m_clear->setAccessibleName(clearText);
    layout->addWidget(m_clear);

    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString& text) {
        updateClear();
        emit edited(text);
    });
    connect(m_clear, &PlainButton::clicked, this, [this] {
        m_edit->clear();
        updateClear();
        emit edited(QString());
    });
    updateClear();
}

QString FilterField::text() const {
    return m_edit->text();
}

void FilterField::setText(const QString& text) {
    if (m_edit->text() != text)
        m_edit->setText(text);
    updateClear();
}

void FilterField::setBarWidth(int barWidth) {
    setFixedWidth(barWidth >= kWideFrom ? kWideWidth : kNarrowWidth);
}

void FilterField::updateClear() {
    m_clear->setVisible(!m_edit->text().isEmpty());
}

void FilterField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = m_cornerRadius > 0 ? m_cornerRadius : bounds.height() / 2;
    painter.setBrush(Appearance::role(ColorRole::surface));
    painter.setPen(QPen(Appearance::role(ColorRole::border), 1));
    painter.drawRoundedRect(bounds, radius, radius);
}

} // namespace ambertrove
