#include "explore/GraphInfoStrip.hpp"

#include "analysis/NodeDisplay.hpp"
#include "shell/PlainButton.hpp"
#include "shell/SymbolView.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/ElidedLabel.hpp"
#include "widgets/PlainLabel.hpp"
#include "widgets/ViewText.hpp"

#include <QHBoxLayout>
#include <QLabel>

namespace ambertrove {

namespace {

constexpr int kTextSize = 10;
constexpr int kSymbolSize = 13;
constexpr int kSymbolFrame = 16;

} // namespace

QString GraphInfoStrip::kindText(const DiskNode& node) {
    if (node.isDirectory) {
        return NodeDisplay::isPackage(node)
                   ? QStringLiteral("Application")
                   : ViewText::groupedCount(node.fileCount) + QStringLiteral(" files");
    }
    const std::string_view kind = NodeDisplay::kindName(node);
    return QString::fromUtf8(kind.data(), qsizetype(kind.size()));
}

GraphInfoStrip::GraphInfoStrip(QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(kHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    const QFont font = ViewText::font(kTextSize);

    m_symbol = new SymbolView(QString(), kSymbolSize, ColorRole::accent, this);
    m_symbol->setFixedWidth(kSymbolFrame);
    row->addWidget(m_symbol);
    m_name = new ElidedLabel(QString(), Qt::ElideMiddle, this);
    m_name->setFont(ViewText::font(kTextSize, QFont::DemiBold));
    m_name->setColor(Appearance::role(ColorRole::muted));
    m_name->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    row->addWidget(m_name, 0);
    m_bytes = plainLabel(font, ColorRole::muted, this);
    m_share = plainLabel(font, ColorRole::muted, this);
    m_kind = plainLabel(font, ColorRole::muted, this);
    m_hint = plainLabel(font, ColorRole::muted, this, kHint);
    for (QLabel* label : {m_bytes, m_share, m_kind, m_hint}) {
        label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        row->addWidget(label);
    }
    row->addStretch(1);
    m_items = new PlainButton(kItemsTitle, font, ColorRole::muted, this);
    connect(m_items, &PlainButton::clicked, this, &GraphInfoStrip::itemsRequested);
    row->addWidget(m_items);
    for (QWidget* part : std::initializer_list<QWidget*>{m_symbol, m_name, m_bytes, m_share, m_kind})
        part->hide();
}

void GraphInfoStrip::setItem(const std::optional<Item>& item) {
    if (item == m_item)
        return;
    m_item = item;
    const bool shown = item.has_value();
    for (QWidget* part : std::initializer_list<QWidget*>{m_symbol, m_name, m_bytes, m_share, m_kind})
        part->setVisible(shown);
    m_hint->setVisible(!shown);
    if (!item)
        return;
    m_symbol->setSymbol(item->symbol);
    m_name->setText(item->name);
    m_name->setToolTip(ViewText::plainToolTip(item->path));
    m_bytes->setText(item->bytes);
    m_share->setText(item->share);
    m_kind->setText(item->kind);
}

QStringList GraphInfoStrip::shownTexts() const {
    if (!m_item)
        return {kHint};
    return {m_item->name, m_item->bytes, m_item->share, m_item->kind};
}

} // namespace ambertrove
