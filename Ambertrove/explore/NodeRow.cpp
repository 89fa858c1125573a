#include "explore/NodeRow.hpp"

#include "controller/AppModel.hpp"
#include "explore/NodeActions.hpp"
#include "explore/QueuedPaths.hpp"
#include "model/Formatting.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/ViewText.hpp"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ambertrove::NodeRow {

namespace {

constexpr int kVerticalPadding = 12;
constexpr int kHorizontalPadding = 10;
constexpr int kSpacing = 12;
constexpr int kRankWidth = 25;
constexpr int kIconWidth = 27;
constexpr int kIconHeight = 32;
constexpr int kIconSymbol = 14;
constexpr int kColumnSpacing = 5;
constexpr int kBarHeight = 3;
constexpr int kTrailingWidth = 95;
constexpr int kFocusButtonWidth = 14;
constexpr int kQueueButtonWidth = 18;
constexpr int kButtonHeight = 22;
constexpr int kQueueSymbol = 15;
constexpr int kFocusSymbol = 10;
constexpr double kDisabledOpacity = 0.38;

QFont nameFont() {
    return ViewText::font(12, QFont::Medium);
}
QFont pathFont() {
    return ViewText::font(9);
}
QFont sizeFont() {
    return ViewText::font(12, QFont::DemiBold);
}
QFont factFont() {
    return ViewText::font(9);
}
QFont rankFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    return font;
}

int columnHeight(bool showPath) {
    int height = QFontMetrics(nameFont()).height() + kColumnSpacing + kBarHeight;
    if (showPath)
        height += QFontMetrics(pathFont()).height() + kColumnSpacing;
    return height;
}

} // namespace

Context Context::read(const AppModel& model, const QueuedPaths* queued) {
    Context context;
    context.logical = model.logical();
    context.colorMode = model.colorMode();
    const NodeIndex focus = model.focusIndex();
    if (focus != kNoNode)
        context.root = model.scan()->nodes.path(focus);
    context.now = model.now();
    context.canClean = model.canClean();
    context.selection = model.selection();
    context.queued = queued;
    return context;
}

int height(bool showPath) {
    return 2 * kVerticalPadding + std::max(kIconHeight, columnHeight(showPath));
}

double barFraction(std::int64_t size, std::int64_t maximum) {
    const double fraction = double(size) / double(std::max<std::int64_t>(maximum, 1));
    return std::clamp(fraction, 0.0, 1.0);
}

QString rankText(int rank) {
    return QString::asprintf("%02d", rank);
}

QString secondFact(const DiskNode& node) {
    if (node.isDirectory)
        return ViewText::groupedCount(node.fileCount) + QStringLiteral(" files");
    return ViewText::abbreviatedDate(node.modified);
}

bool isQueued(const DiskNode& node, const Context& context) {
    return context.queued && context.queued->covers(node.path);
}

Geometry geometry(const QRect& row, const DiskNode& node, const Options& options) {
    Geometry g;
    const int top = row.top() + kVerticalPadding;
    const int inner = row.height() - 2 * kVerticalPadding;
    const int middle = top + inner / 2;
    int x = row.left() + kHorizontalPadding;
    if (options.rank) {
        g.rank = QRect(x, top, kRankWidth, inner);
        x += kRankWidth + kSpacing;
    }
    g.icon = QRect(x, middle - kIconHeight / 2, kIconWidth, kIconHeight);
    x += kIconWidth + kSpacing;

    int right = row.left() + row.width() - kHorizontalPadding;
    g.queueButton =
        QRect(right - kQueueButtonWidth, middle - kButtonHeight / 2, kQueueButtonWidth, kButtonHeight);
    right = g.queueButton.left() - kSpacing;
    if (node.isDirectory) {
        g.focusButton =
            QRect(right - kFocusButtonWidth, middle - kButtonHeight / 2, kFocusButtonWidth, kButtonHeight);
        right = g.focusButton.left() - kSpacing;
    }
    const QFontMetrics sizeMetrics(sizeFont());
    const QFontMetrics factMetrics(factFont());
    const int trailingHeight = sizeMetrics.height() + kColumnSpacing + factMetrics.height();
    const int trailingTop = middle - trailingHeight / 2;
    g.size = QRect(right - kTrailingWidth, trailingTop, kTrailingWidth, sizeMetrics.height());
    g.fact = QRect(right - kTrailingWidth, g.size.bottom() + 1 + kColumnSpacing, kTrailingWidth,
                   factMetrics.height());
    // The spacer between the name column and the trailing column keeps its two gaps.
    const int columnRight = right - kTrailingWidth - 2 * kSpacing;
    const int width = std::max(0, columnRight - x);
    int y = middle - columnHeight(options.showPath) / 2;
    const int nameHeight = QFontMetrics(nameFont()).height();
    g.name = QRect(x, y, width, nameHeight);
    y += nameHeight + kColumnSpacing;
    if (options.showPath) {
        const int pathHeight = QFontMetrics(pathFont()).height();
        g.path = QRect(x, y, width, pathHeight);
        y += pathHeight + kColumnSpacing;
    }
    g.barTrack = QRect(x, y, width, kBarHeight);
    return g;
}

void paint(QPainter& painter, const QRect& row, const DiskNode& node, const Options& options,
           const Context& context) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const Geometry g = geometry(row, node, options);
    if (context.selection && *context.selection == node.path) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(row), 9, 9);
        painter.fillPath(shape, Appearance::role(ColorRole::accent, 0.06));
    }
    if (options.rank) {
        painter.setFont(rankFont());
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(g.rank, Qt::AlignCenter, rankText(*options.rank));
    }
    QPainterPath tile;
    tile.addRoundedRect(QRectF(g.icon), 7, 7);
    painter.fillPath(tile, Appearance::role(ColorRole::accent, 0.06));
    Icons::paint(painter, node.isDirectory ? QStringLiteral("folder.fill") : QStringLiteral("doc.fill"),
                 QRectF(g.icon.center().x() - kIconSymbol / 2.0 + 0.5,
                        g.icon.center().y() - kIconSymbol / 2.0 + 0.5, kIconSymbol, kIconSymbol),
                 Appearance::role(ColorRole::accent, 0.7));

    const QFontMetrics nameMetrics(nameFont());
    painter.setFont(nameFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(
        g.name, Qt::AlignLeft | Qt::AlignVCenter,
        ViewText::elided(nameMetrics, ViewText::fromBytes(node.name()), Qt::ElideRight, g.name.width()));
    if (options.showPath) {
        painter.setFont(pathFont());
        painter.setPen(Appearance::role(ColorRole::muted));
        painter.drawText(g.path, Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(QFontMetrics(pathFont()), ViewText::fromBytes(node.path),
                                          Qt::ElideMiddle, g.path.width()));
    }
    const double barWidth = g.barTrack.width() * barFraction(node.bytes(context.logical), options.maximum);
    if (barWidth > 0) {
        QPainterPath bar;
        bar.addRoundedRect(QRectF(g.barTrack.left(), g.barTrack.top(), barWidth, g.barTrack.height()),
                           std::min(2.0, barWidth / 2), 1.5);
        painter.fillPath(bar,
                         Appearance::color(Paper::color(node, context.colorMode, context.root, context.now)));
    }

    painter.setFont(sizeFont());
    painter.setPen(Appearance::role(ColorRole::ink));
    painter.drawText(g.size, Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(formattedBytes(node.bytes(context.logical))));
    painter.setFont(factFont());
    painter.setPen(Appearance::role(ColorRole::muted));
    painter.drawText(g.fact, Qt::AlignRight | Qt::AlignVCenter, secondFact(node));

    if (!g.focusButton.isEmpty())
        Icons::paint(painter, QStringLiteral("chevron.right"),
                     QRectF(g.focusButton.center().x() - kFocusSymbol / 2.0 + 0.5,
                            g.focusButton.center().y() - kFocusSymbol / 2.0 + 0.5, kFocusSymbol,
                            kFocusSymbol),
                     Appearance::role(ColorRole::ink, 0.75));
    const bool queued = isQueued(node, context);
    Icons::paint(painter, queued ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("plus.circle"),
                 QRectF(g.queueButton.center().x() - kQueueSymbol / 2.0 + 0.5,
                        g.queueButton.center().y() - kQueueSymbol / 2.0 + 0.5, kQueueSymbol, kQueueSymbol),
                 Appearance::role(ColorRole::accent, context.canClean ? 1.0 : kDisabledOpacity));
    painter.restore();
}

Part partAt(const QRect& row, const DiskNode& node, const Options& options, const QPoint& point) {
    if (!row.contains(point))
        return Part::none;
    const Geometry g = geometry(row, node, options);
    if (g.queueButton.adjusted(-4, -4, 4, 4).contains(point))
        return Part::queueButton;
    if (!g.focusButton.isEmpty() && g.focusButton.adjusted(-4, -4, 4, 4).contains(point))
        return Part::focusButton;
    return Part::row;
}

QString toolTip(Part part) {
    switch (part) {
    case Part::focusButton:
        return QStringLiteral("Focus on folder");
    case Part::queueButton:
        return QStringLiteral("Add to Cleanup");
    case Part::none:
    case Part::row:
        break;
    }
    return {};
}

void activate(Part part, AppModel& model, const DiskNode& node) {
    switch (part) {
    case Part::none:
        return;
    case Part::row:
        model.setSelection(node.path);
        return;
    case Part::focusButton:
        model.focus(node);
        model.setSection(AppSection::explore);
        return;
    case Part::queueButton:
        if (model.canClean())
            model.stage({node}, nullptr, NodeActions::kStageReason.toStdString());
        return;
    }
}

} // namespace ambertrove::NodeRow
