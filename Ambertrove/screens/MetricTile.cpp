#include "screens/MetricTile.hpp"

#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ClampedLabel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/ShrinkingLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ambertrove {

namespace {
constexpr int kSpacing = 12;
constexpr double kValueMinimumScale = 0.75;
} // namespace

MetricTile::MetricTile(const QString& title, const QString& value, const QString& symbol,
                       const QString& caption, QWidget* parent)
    : QWidget(parent) {
    setMinimumHeight(kMinimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kSpacing);

    auto* top = new QHBoxLayout;
    m_title = plainLabel(ViewText::font(10, QFont::DemiBold, 0.7), ColorRole::muted, this, title.toUpper());
    top->addWidget(m_title, 0, Qt::AlignVCenter);
    top->addStretch(1);
    m_symbol = new SymbolView(symbol, 14, ColorRole::accent, this);
    top->addWidget(m_symbol, 0, Qt::AlignVCenter);
    column->addLayout(top);

    m_value = new ShrinkingLabel(value, kValueMinimumScale, this);
    // The application's font draws its digits at one width, so figures that change keep their place.
    m_value->setFont(ViewText::font(29, QFont::DemiBold));
    column->addWidget(m_value);

    m_caption = new ClampedLabel(caption, 2, this);
    m_caption->setElideMode(Qt::ElideRight);
    m_caption->setFont(ViewText::font(11));
    m_caption->setColor(Appearance::role(ColorRole::muted));
    column->addWidget(m_caption);
    column->addStretch(1);
}

} // namespace ambertrove
