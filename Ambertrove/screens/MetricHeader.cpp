#include "screens/MetricHeader.hpp"

#include "shell/SymbolView.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>

namespace ambertrove {

MetricHeader::MetricHeader(const QString& title, const QString& symbol, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(new SymbolView(symbol, 11, ColorRole::muted, this));
    layout->addWidget(
        plainLabel(ViewText::font(10, QFont::DemiBold, 0.8), ColorRole::muted, this, title.toUpper()));
    layout->addStretch(1);
    m_value = new ShrinkingLabel(QString(), 0.7, this);
    m_value->setFont(ViewText::font(21, QFont::DemiBold));
    m_value->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(m_value, 0, Qt::AlignRight);
}

void MetricHeader::setValue(const QString& value) {
    m_value->setText(value);
}

} // namespace ambertrove
