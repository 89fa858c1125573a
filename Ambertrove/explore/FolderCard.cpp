#include "explore/FolderCard.hpp"

#include "model/Formatting.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/FolderShape.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>

#include <algorithm>

namespace ambertrove::FolderCard {

namespace {

// The header row stands below the outline's tab.
constexpr int kHeaderTop = kPadding + 16;
constexpr int kHeaderHeight = 18;
constexpr int kSymbolSize = 16;
constexpr int kChevronSize = 11;
constexpr int kMenuButtonSize = 18;
constexpr int kCheckSize = 15;
constexpr int kHeaderSpacing = 8;
constexpr int kSectionSpacing = 12;
constexpr int kFooterSpacing = 8;
constexpr int kDotOverlap = 2;

QFont nameFont() {
    return ViewText::font(13, QFont::DemiBold);
}
QFont kindFont() {
    return ViewText::font(10);
}
QFont sizeFont() {
    return ViewText::font(11, QFont::DemiBold);
}

int footerHeight() {
    return std::max({QFontMetrics(kindFont()).height(), QFontMetrics(sizeFont()).height(), kDotSize});
}

QRect footerRect(const QRect& card) {
    const int height = footerHeight();
    return {card.left() + kPadding, card.top() + kHeight - kPadding - height, card.width() - 2 * kPadding,
            height};
}

QString kindText(const DiskNode& node) {
    if (node.isDirectory)
        return ViewText::groupedCount(node.fileCount + node.folderCount) + QStringLiteral(" items");
    return ViewText::fromBytes(displayName(classifyFile(node.path)));
}

QString symbolOf(const DiskNode& node) {
    if (node.isDirectory)
        return QStringLiteral("folder");
    return node.isSymbolicLink ? QStringLiteral("link") : QStringLiteral("doc");
}

} // namespace

std::vector<TypeShare> typeMix(const FileTypeTotals* totals, bool logical) {
    std::vector<TypeShare> shares;
    if (!totals)
        return shares;
    for (const auto& [category, bytes] : totals->values(logical)) {
        if (bytes >= 1)
            shares.emplace_back(category, bytes);
    }
    std::stable_sort(shares.begin(), shares.end(),
                     [](const TypeShare& a, const TypeShare& b) { return a.second > b.second; });
    if (shares.size() >= 5)
        shares.resize(4);
    return shares;
}

QRect menuButtonRect(const QRect& card, const Look& look) {
    // The button sits at the trailing end of the header, left of the selection's check mark.
    int right = card.left() + card.width() - kPadding;
    if (look.selected)
        right -= kCheckSize + kHeaderSpacing;
    return {right - kMenuButtonSize, card.top() + kHeaderTop + (kHeaderHeight - kMenuButtonSize) / 2,
            kMenuButtonSize, kMenuButtonSize};
}

QRect dotRect(const QRect& card, std::size_t index) {
    const QRect footer = footerRect(card);
    return {footer.left() + int(index) * (kDotSize - kDotOverlap), footer.center().y() - kDotSize / 2 + 1,
            kDotSize, kDotSize};
}

QString dotToolTip(const TypeShare& share) {
    return ViewText::fromBytes(displayName(share.first)) + QStringLiteral(" · ") +
           QString::fromStdString(formattedBytes(share.second));
}

void paintPlaceholder(QPainter& painter, const QRect& card) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Appearance::role(ColorRole::border, 0.35));
    painter.drawPath(FolderShape::path(QRectF(card.left(), card.top(), card.width(), kHeight)));
    painter.restore();
}

void paint(QPainter& painter, const QRect& card, const DiskNode& node, const Look& look) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(card.left(), card.top(), card.width(), kHeight);
    const QPainterPath outline = FolderShape::path(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Appearance::color(Paper::color(node, look.colorMode, look.root, look.now)));
    painter.drawPath(outline);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(look.selected ? QPen(Appearance::role(ColorRole::accent), 2)
                                 : QPen(Appearance::role(ColorRole::ink, 0.09), 1));
    painter.drawPath(outline);

    // Header: the symbol, then at the trailing end the chevron or the menu button, and the check mark.
    const int headerTop = card.top() + kHeaderTop;
    const int left = card.left() + kPadding;
    int right = card.left() + card.width() - kPadding;
    Icons::paint(painter, symbolOf(node),
                 QRectF(left, headerTop + (kHeaderHeight - kSymbolSize) / 2.0, kSymbolSize, kSymbolSize),
                 Appearance::role(ColorRole::ink, 0.3));
    if (look.selected) {
        Icons::paint(painter, QStringLiteral("checkmark.circle.fill"),
                     QRectF(right - kCheckSize, headerTop + (kHeaderHeight - kCheckSize) / 2.0, kCheckSize,
                            kCheckSize),
                     Appearance::role(ColorRole::accent));
        right -= kCheckSize + kHeaderSpacing;
    }
    if (look.hovered) {
        const QRect button = menuButtonRect(card, look);
        Icons::paint(painter, QStringLiteral("ellipsis"), QRectF(button).adjusted(2, 2, -2, -2),
                     Appearance::role(ColorRole::ink, 0.75));
    } else if (node.isDirectory) {
        Icons::paint(painter, QStringLiteral("chevron.right"),
                     QRectF(right - kChevronSize, headerTop + (kHeaderHeight - kChevronSize) / 2.0,
                            kChevronSize, kChevronSize),
                     Appearance::role(ColorRole::ink, 0.4));
    }

    // From the bottom up: the footer, the rule and the name.
    const int width = card.width() - 2 * kPadding;
    const QRect footer = footerRect(card);
    const int ruleTop = footer.top() - kSectionSpacing - 1;
    painter.fillRect(QRect(left, ruleTop, width, 1), Appearance::role(ColorRole::ink, 0.12));
    const QFontMetrics nameMetrics(nameFont());
    const QRect name(left, ruleTop - kSectionSpacing - nameMetrics.height(), width, nameMetrics.height());
    painter.setFont(nameFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(name, Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(nameMetrics, ViewText::fromBytes(node.name()), Qt::ElideRight, width));

    int x = left;
    if (!look.typeMix.empty()) {
        for (std::size_t i = 0; i < look.typeMix.size(); ++i) {
            const std::size_t category = std::size_t(look.typeMix[i].first);
            painter.setBrush(Paper::dots()[std::min(category, Paper::dots().size() - 1)]);
            painter.setPen(QPen(Appearance::role(ColorRole::background, 0.4), 0.7));
            painter.drawEllipse(QRectF(dotRect(card, i)).adjusted(0.35, 0.35, -0.35, -0.35));
        }
        x = dotRect(card, look.typeMix.size() - 1).right() + 1 + kFooterSpacing;
    }
    const QString size = QString::fromStdString(formattedBytes(node.bytes(look.logical)));
    const QFontMetrics sizeMetrics(sizeFont());
    const int sizeWidth = sizeMetrics.horizontalAdvance(size);
    const int sizeLeft = footer.right() + 1 - sizeWidth;
    painter.setFont(sizeFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(QRect(sizeLeft, footer.top(), sizeWidth, footer.height()),
                     Qt::AlignRight | Qt::AlignVCenter, size);
    const int kindWidth = std::max(0, sizeLeft - 2 - x);
    const QFontMetrics kindMetrics(kindFont());
    painter.setFont(kindFont());
    painter.setPen(Appearance::role(ColorRole::ink, 0.58));
    painter.drawText(QRect(x, footer.top(), kindWidth, footer.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     ViewText::elided(kindMetrics, kindText(node), Qt::ElideRight, kindWidth));
    painter.restore();
}

} // namespace ambertrove::FolderCard
