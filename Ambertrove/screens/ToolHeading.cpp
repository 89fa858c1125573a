#include "screens/ToolHeading.hpp"

#include "widgets/PlainLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ambertrove {

namespace {
constexpr int kPadding = 24;
constexpr int kTextSpacing = 7;
constexpr int kMinimumGap = 12;
} // namespace

ToolHeading::ToolHeading(const QString& title, const QString& subtitle, QWidget* action, QWidget* parent)
    : QWidget(parent)
    , m_action(action) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    row->setSpacing(0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(kTextSpacing);
    m_title = plainLabel(ViewText::font(29, QFont::DemiBold), ColorRole::ink, this, title);
    texts->addWidget(m_title);
    m_subtitle = plainLabel(ViewText::font(12), ColorRole::muted, this, subtitle);
    m_subtitle->setWordWrap(true);
    texts->addWidget(m_subtitle);
    row->addLayout(texts, 1);
    row->addSpacing(kMinimumGap);
    if (m_action) {
        m_action->setParent(this);
        row->addWidget(m_action, 0, Qt::AlignVCenter);
    }
}

} // namespace ambertrove
