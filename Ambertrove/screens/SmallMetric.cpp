#include "screens/SmallMetric.hpp"

#include "widgets/PlainLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QLabel>
#include <QVBoxLayout>

namespace ambertrove {

SmallMetric::SmallMetric(const QString& label, const QColor& color, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(plainLabel(ViewText::font(8, QFont::DemiBold), ColorRole::muted, this, label));
    m_value = plainLabel(ViewText::font(12, QFont::DemiBold), color, this);
    layout->addWidget(m_value);
}

void SmallMetric::setValue(const QString& value) {
    m_value->setText(value);
}

} // namespace ambertrove
