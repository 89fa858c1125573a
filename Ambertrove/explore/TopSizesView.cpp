#include "explore/TopSizesView.hpp"

#include "controller/ChartSymbol.hpp"
#include "model/Formatting.hpp"
#include "theme/Paper.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/Icons.hpp"
#include "widgets/QueryProgress.hpp"
#include "widgets/SegmentedChoices.hpp"
#include "widgets/TroveButton.hpp"
#include "widgets/ViewText.hpp"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ambertrove {

namespace {

constexpr int kPickerMaximum = 520;
constexpr int kStatusGap = 12;
constexpr int kCellSpacing = 10;
constexpr int kRankWidth = 20;
constexpr int kSymbolWidth = 16;
constexpr int kFactWidth = 80;
constexpr int kShareWidth = 65;
constexpr int kSizeWidth = 78;
constexpr int kNamePadding = 7;
constexpr double kDimmed = 0.5;

QString scopeTitle(RankingScope scope) {
    return ViewText::fromBytes(rawValue(scope));
}

QFont statusFont() {
    return ViewText::font(10);
}
QFont headerFont() {
    return ViewText::font(9, QFont::Medium);
}
QFont smallFont() {
    return ViewText::font(9);
}
QFont nameFont() {
    return ViewText::font(11, QFont::Medium);
}
QFont sizeFont() {
    return ViewText::font(11, QFont::DemiBold);
}
QFont emptyFont() {
    return ViewText::font(11);
}

// The cells of a row (or of the header) left to right: rank, symbol, name, files or type, share, size.
struct Cells {
    QRect rank;
    QRect symbol;
    QRect name;
    QRect fact;
    QRect share;
    QRect size;
};

Cells cells(const QRect& row) {
    Cells c;
    int x = row.left();
    c.rank = QRect(x, row.top(), kRankWidth, row.height());
    x += kRankWidth + kCellSpacing;
    c.symbol = QRect(x, row.top(), kSymbolWidth, row.height());
    x += kSymbolWidth + kCellSpacing;
    int right = row.left() + row.width();
    c.size = QRect(right - kSizeWidth, row.top(), kSizeWidth, row.height());
    right -= kSizeWidth + kCellSpacing;
    c.share = QRect(right - kShareWidth, row.top(), kShareWidth, row.height());
    right -= kShareWidth + kCellSpacing;
    c.fact = QRect(right - kFactWidth, row.top(), kFactWidth, row.height());
    right -= kFactWidth + kCellSpacing;
    c.name = QRect(x, row.top(), std::max(0, right - x), row.height());
    return c;
}

QString factText(const DiskNode& node) {
    if (node.isDirectory)
        return ViewText::groupedCount(node.fileCount) + QStringLiteral(" files");
    return ViewText::fromBytes(displayName(classifyFile(node.path)));
}

} // namespace

TopSizesView::TopSizesView(AppModel& model, QWidget* parent)
    : ExploreCanvas(model, parent)
    , m_query(model, [this] { showState(); }) {
    QList<SegmentedChoices::Choice> choices;
    for (const RankingScope scope : kAllRankingScopes)
        choices.push_back({scopeTitle(scope), int(scope)});
    m_picker = new SegmentedChoices(choices, int(m_scope), viewport());
    m_pickerFade = new QGraphicsOpacityEffect(m_picker);
    m_pickerFade->setOpacity(1);
    m_picker->setGraphicsEffect(m_pickerFade);
    connect(m_picker, &SegmentedChoices::activated, this,
            [this](const QVariant& value) { setScope(RankingScope(value.toInt())); });
    m_more = new TroveButton(QStringLiteral("Show 200 more"), {false, false}, viewport());
    m_more->hide();
    connect(m_more, &TroveButton::clicked, this, [this] {
        m_limit += kPageStep;
        refresh();
    });
    m_progress = new QueryProgress(this);
    m_progress->hide();

    connect(&model, &AppModel::scanChanged, this, &TopSizesView::refresh);
    connect(&model, &AppModel::displayChanged, this, &TopSizesView::refresh);
    refresh();
}

void TopSizesView::setScope(RankingScope scope) {
    if (scope == m_scope)
        return;
    m_scope = scope;
    m_picker->setSelection(int(scope));
    refresh();
}

ExplorerQueryKey TopSizesView::taskKey() const {
    ExplorerQueryKey key = model().queryKey(scopeTitle(m_scope) + QString::number(m_limit));
    // A scan-wide ranking does not depend on the focus.
    if (m_scope != RankingScope::current && model().scan())
        key.focus = model().scan()->rootPath;
    return key;
}

ExplorerQueryKey TopSizesView::resetKey() const {
    return model().queryKey(scopeTitle(m_scope));
}

bool TopSizesView::isReady() const {
    return m_query.isCurrent(taskKey());
}

const RankedPage& TopSizesView::page() const {
    static const RankedPage empty;
    return m_query.value() ? *m_query.value() : empty;
}

void TopSizesView::refresh() {
    // Another scan, focus, filter, size mode or scope starts again at one page.
    const ExplorerQueryKey reset = resetKey();
    if (m_resetKey && *m_resetKey != reset)
        m_limit = kPageStep;
    m_resetKey = reset;
    const ScanResultPtr scan = model().scan();
    if (scan) {
        const ExplorerQueryKey key = taskKey();
        m_query.request(key, [scan, focus = key.focus, filter = key.filter, scope = m_scope,
                              limit = m_limit](const TaskCancellation& cancellation) {
            const ScanQuery::RankedIndices found =
                filter.rankedIndices(*scan, focus, scope, limit, cancellation);
            RankedPage ranked;
            ranked.count = found.count;
            ranked.rows.reserve(found.rows.size());
            // The rows need no children lists; a folder's may be very long.
            for (const NodeIndex row : found.rows)
                ranked.rows.push_back(scan->nodes.makeNode(row, false));
            return ranked;
        });
    }
    showState();
}

void TopSizesView::showState() {
    const bool ready = isReady();
    m_pickerFade->setOpacity(ready ? 1.0 : kDimmed);
    m_more->setVisible(ready && page().count > m_limit);
    m_progress->setVisible(!ready);
    m_progress->raise();
    relayout();
}

QString TopSizesView::statusText() const {
    if (!isReady())
        return QStringLiteral("Updating…");
    const std::int64_t shown = std::int64_t(page().rows.size());
    QString text = ViewText::groupedCount(shown) + QStringLiteral(" shown");
    if (shown < page().count)
        text += QStringLiteral(" of ") + ViewText::groupedCount(page().count);
    return text;
}

QString TopSizesView::shareTitle() const {
    return m_scope == RankingScope::current ? QStringLiteral("% of folder") : QStringLiteral("% of scan");
}

bool TopSizesView::emptyTextShown() const {
    return isReady() && page().rows.empty();
}

std::int64_t TopSizesView::referenceSize() const {
    const ScanResultPtr& scan = model().scan();
    if (!scan)
        return 1;
    const NodeIndex node = m_scope == RankingScope::current ? model().focusIndex() : scan->rootIndex();
    const std::int64_t bytes = node == kNoNode ? 1 : scan->nodes[node].bytes(model().logical());
    return std::max<std::int64_t>(bytes, 1);
}

std::int64_t TopSizesView::barMaximum() const {
    const std::int64_t bytes = page().rows.empty() ? 1 : page().rows.front().bytes(model().logical());
    return std::max<std::int64_t>(bytes, 1);
}

int TopSizesView::layoutContent(int width) {
    m_width = width;
    const int inner = std::max(0, width - 2 * kPadding);
    int y = kPadding;
    const QFontMetrics status(statusFont());
    const int statusWidth = status.horizontalAdvance(QStringLiteral("Updating…"));
    const int pickerWidth = std::min(kPickerMaximum, inner - kStatusGap - statusWidth);
    const int pickerHeight = m_picker->sizeHint().height();
    m_pickerRow = QRect(kPadding, y, inner, pickerHeight);
    place(m_picker,
          QRect(kPadding, y, std::max(pickerWidth, m_picker->minimumSizeHint().width()), pickerHeight));
    y += pickerHeight + kSpacing;
    const int headerHeight = QFontMetrics(headerFont()).height();
    m_header = QRect(kPadding, y, inner, headerHeight);
    y += headerHeight + kSpacing;
    m_rowsTop = y;
    const int rows = int(page().rows.size());
    if (rows > 0)
        y += rows * kRowHeight + (rows - 1) * kRowSpacing + kSpacing;
    m_emptyText = {};
    if (m_more->isVisibleTo(this)) {
        const QSize size = m_more->sizeHint();
        place(m_more, QRect(kPadding, y, size.width(), size.height()));
        y += size.height() + kSpacing;
    }
    if (emptyTextShown()) {
        const int height = QFontMetrics(emptyFont()).height();
        m_emptyText = QRect(kPadding, y, inner, height);
        y += height + kSpacing;
    }
    return y - kSpacing + kPadding;
}

void TopSizesView::resizeEvent(QResizeEvent* event) {
    ExploreCanvas::resizeEvent(event);
    // In the top-trailing corner, just before the status text ("Updating…") so that both can be read.
    const QSize size = m_progress->sizeHint();
    const QRect area = viewport()->geometry();
    const int statusWidth = QFontMetrics(statusFont()).horizontalAdvance(QStringLiteral("Updating…"));
    m_progress->setGeometry(
        area.right() + 1 - kPadding - statusWidth - size.width() + QueryProgress::kOuterPadding,
        area.top() + m_pickerRow.center().y() - size.height() / 2, size.width(), size.height());
}

QRect TopSizesView::rowRect(int index) const {
    return {kPadding, m_rowsTop + index * (kRowHeight + kRowSpacing), std::max(0, m_width - 2 * kPadding),
            kRowHeight};
}

int TopSizesView::rowAt(const QPoint& point) const {
    const int rows = int(page().rows.size());
    if (rows == 0 || point.y() < m_rowsTop)
        return -1;
    const int index = (point.y() - m_rowsTop) / (kRowHeight + kRowSpacing);
    if (index >= rows || !rowRect(index).contains(point))
        return -1;
    return index;
}

QRect TopSizesView::nameBar(const QRect& row) const {
    return cells(row).name;
}

int TopSizesView::barWidth(int index) const {
    const QRect bar = nameBar(rowRect(index));
    const DiskNode& node = page().rows[std::size_t(index)];
    const double share = std::clamp(double(node.bytes(model().logical())) / double(barMaximum()), 0.0, 1.0);
    return std::min(bar.width(), std::max(kMinimumBar, int(std::lround(bar.width() * share))));
}

QStringList TopSizesView::rowTexts(int index) const {
    const DiskNode& node = page().rows[std::size_t(index)];
    const std::int64_t bytes = node.bytes(model().logical());
    return {QString::number(index + 1), factText(node),
            QString::fromStdString(formattedShare(bytes, referenceSize())),
            QString::fromStdString(formattedBytes(bytes))};
}

void TopSizesView::paintContent(QPainter& painter, const QRect& exposed) {
    painter.setRenderHint(QPainter::Antialiasing);
    const bool ready = isReady();
    painter.setOpacity(ready ? 1.0 : kDimmed);

    painter.setFont(statusFont());
    painter.setPen(Appearance::role(ColorRole::muted));
    painter.drawText(m_pickerRow, Qt::AlignRight | Qt::AlignVCenter, statusText());

    const Cells header = cells(m_header);
    painter.setFont(headerFont());
    painter.drawText(header.rank, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("#"));
    painter.drawText(header.name, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Name"));
    painter.drawText(header.fact, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Files / type"));
    painter.drawText(header.share, Qt::AlignRight | Qt::AlignVCenter, shareTitle());
    painter.drawText(header.size, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Size"));

    const int rows = int(page().rows.size());
    const int stride = kRowHeight + kRowSpacing;
    const int first = std::max(0, (exposed.top() - m_rowsTop) / stride);
    const int last = std::min(rows - 1, (exposed.bottom() - m_rowsTop) / stride);
    const std::string root =
        model().focusIndex() != kNoNode ? model().scan()->nodes.path(model().focusIndex()) : std::string();
    const Date now = model().now();
    const QColor muted = Appearance::role(ColorRole::muted);
    const QColor ink = Appearance::role(ColorRole::ink);
    for (int index = first; index <= last; ++index) {
        const DiskNode& node = page().rows[std::size_t(index)];
        const QRect row = rowRect(index);
        const Cells c = cells(row);
        const QStringList texts = rowTexts(index);
        painter.setFont(smallFont());
        painter.setPen(muted);
        painter.drawText(c.rank, Qt::AlignRight | Qt::AlignVCenter, texts[0]);
        Icons::paint(painter, chartSymbol(node),
                     QRectF(c.symbol.left() + 2, c.symbol.center().y() - 5.5, 12, 12), muted);
        QPainterPath track;
        track.addRoundedRect(QRectF(c.name), 5, 5);
        painter.fillPath(track, Appearance::role(ColorRole::border, 0.35));
        QPainterPath fill;
        fill.addRoundedRect(QRectF(c.name.left(), c.name.top(), barWidth(index), c.name.height()), 5, 5);
        painter.fillPath(fill, Appearance::color(Paper::color(node, model().colorMode(), root, now)));
        painter.setFont(nameFont());
        painter.setPen(ink);
        const QRect text = c.name.adjusted(kNamePadding, 0, -kNamePadding, 0);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         ViewText::elided(QFontMetrics(nameFont()), ViewText::fromBytes(node.name()),
                                          Qt::ElideMiddle, text.width()));
        painter.setFont(smallFont());
        painter.setPen(muted);
        painter.drawText(c.fact, Qt::AlignRight | Qt::AlignVCenter, texts[1]);
        painter.drawText(c.share, Qt::AlignRight | Qt::AlignVCenter, texts[2]);
        painter.setFont(sizeFont());
        painter.setPen(ink);
        painter.drawText(c.size, Qt::AlignRight | Qt::AlignVCenter, texts[3]);
    }
    if (!m_emptyText.isNull()) {
        painter.setFont(emptyFont());
        painter.setPen(muted);
        painter.drawText(m_emptyText, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No matching items"));
    }
}

void TopSizesView::released(const QPoint& point) {
    // While a new ranking runs the rows shown are the old ones: they take no clicks.
    const int row = isReady() ? rowAt(point) : -1;
    if (row >= 0)
        model().setSelection(page().rows[std::size_t(row)].path);
}

void TopSizesView::doubleClicked(const QPoint& point) {
    const int row = isReady() ? rowAt(point) : -1;
    if (row >= 0) {
        const DiskNode node = page().rows[std::size_t(row)];
        model().focus(node);
    }
}

void TopSizesView::menuRequested(const QPoint& point, const QPoint& global) {
    const int row = isReady() ? rowAt(point) : -1;
    if (row >= 0)
        showNodeMenu(page().rows[std::size_t(row)], global);
}

QString TopSizesView::toolTipAt(const QPoint& point, QRect* area) {
    const int row = isReady() ? rowAt(point) : -1;
    if (row < 0)
        return {};
    const QRect name = nameBar(rowRect(row));
    if (!name.contains(point))
        return {};
    *area = name;
    return ViewText::plainToolTip(ViewText::fromBytes(page().rows[std::size_t(row)].path));
}

} // namespace ambertrove
