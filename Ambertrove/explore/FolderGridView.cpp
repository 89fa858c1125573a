#include "explore/FolderGridView.hpp"

#include "controller/AppModel.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <limits>

namespace ambertrove {

namespace {

constexpr int kCapsuleHorizontal = 7;
constexpr int kCapsuleVertical = 3;
constexpr int kHeaderSpacing = 8;

QFont titleFont() {
    return ViewText::font(19, QFont::DemiBold);
}
QFont countFont() {
    return ViewText::font(11, QFont::Medium);
}

int titleHeight() {
    return QFontMetrics(titleFont()).height();
}

} // namespace

FolderGridView::FolderGridView(AppModel& model, QWidget* parent)
    : ExploreCanvas(model, parent)
    , m_order(model, [this] { orderArrived(); })
    , m_rows(*this) {
    m_empty = new EmptyPanel(QStringLiteral("folder"), QString(), QString(), false, viewport());
    m_empty->hide();
    m_fade = new QVariantAnimation(this);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setDuration(kFadeMilliseconds);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_opacity = value.toDouble();
        viewport()->update();
    });
    connect(&model, &AppModel::scanChanged, this, &FolderGridView::refresh);
    connect(&model, &AppModel::displayChanged, this, &FolderGridView::refresh);
    // The queue, the jobs and a saved scan change what the rows' queue buttons show.
    connect(&model, &AppModel::cleanupChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&model, &AppModel::messagesChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&model, &AppModel::snapshotsChanged, viewport(), qOverload<>(&QWidget::update));
    refresh();
}

FolderGridView::Key FolderGridView::currentKey() const {
    return {model().scan().get(), model().focusIndex(), model().queryFilter()};
}

bool FolderGridView::isComplete() const {
    return m_folderHead == m_lists.folders.size() && m_fileHead == m_lists.files.size();
}

bool FolderGridView::showsCurrentResult() const {
    if (!m_key || !(*m_key == currentKey()))
        return false;
    if (isComplete())
        return true;
    // Only what is in view needs its final order.
    const int top = toContent(QPoint(0, 0)).y();
    const int bottom = top + viewport()->height();
    if (m_lists.folders.size() > m_folderHead) {
        const int lastRow = (bottom - m_gridTop) / (FolderCard::kHeight + kRowSpacing);
        if (bottom >= m_gridTop && std::size_t((lastRow + 1) * kColumns) > m_folderHead)
            return false;
    }
    const int rowsTop = m_rows.rowRect(0).top();
    if (m_lists.files.size() > m_fileHead && bottom >= rowsTop) {
        if (std::size_t((bottom - rowsTop) / m_rows.stride()) >= m_fileHead)
            return false;
    }
    return true;
}

void FolderGridView::refresh() {
    const Key key = currentKey();
    if (m_key && *m_key == key) {
        viewport()->update();
        return;
    }
    // Another folder replaces the whole grid: it fades in.
    const bool anotherFolder = m_key && (m_key->scan != key.scan || m_key->focus != key.focus);
    m_key = key;
    m_scan = model().scan();
    m_lists = {};
    if (m_scan && key.focus != kNoNode) {
        const NodeTable& nodes = m_scan->nodes;
        const bool logical = model().logical();
        const ScanQueryFilter test(model().queryFilter(), model().now());
        // A wide folder gets the start of each list at once, its whole order later.
        const std::size_t head =
            nodes.childCount(key.focus) <= kWholeLimit ? std::numeric_limits<std::size_t>::max() : kHead;
        m_lists.folders = m_scan->childIndices(
            key.focus, logical, [&](NodeIndex c) { return nodes[c].isDirectory() && test.matches(nodes, c); },
            head);
        m_lists.files = m_scan->childIndices(
            key.focus, logical,
            [&](NodeIndex c) { return !nodes[c].isDirectory() && test.matches(nodes, c); }, head);
        m_folderHead = std::min(head, m_lists.folders.size());
        m_fileHead = std::min(head, m_lists.files.size());
    } else {
        m_folderHead = m_fileHead = 0;
    }
    if (isComplete()) {
        m_order.cancel();
    } else {
        m_order.request(key, [scan = m_scan, focus = key.focus, filter = key.filter,
                              now = model().now()](const TaskCancellation&) {
            const ScanQueryFilter test(filter, now);
            const NodeTable& nodes = scan->nodes;
            Lists whole;
            whole.folders = scan->childIndices(focus, filter.logical, [&](NodeIndex c) {
                return nodes[c].isDirectory() && test.matches(nodes, c);
            });
            whole.files = scan->childIndices(focus, filter.logical, [&](NodeIndex c) {
                return !nodes[c].isDirectory() && test.matches(nodes, c);
            });
            return whole;
        });
    }
    const std::int64_t largestFile =
        m_lists.files.empty() ? 0 : m_scan->nodes[m_lists.files.front()].bytes(model().logical());
    m_rows.setRows(int(m_lists.files.size()), [this](int index) { return file(index); },
                   {std::nullopt, largestFile, false});
    m_rows.setOrderedCount(int(m_fileHead));
    const bool empty = m_lists.folders.empty() && m_lists.files.empty();
    if (empty) {
        const bool filtered = !model().activeFilters().empty();
        m_empty->setTitle(filtered ? QStringLiteral("No matching items") : QStringLiteral("Nothing here"));
        m_empty->setSubtitle(filtered
                                 ? QStringLiteral("Clear filters to see the other items.")
                                 : QStringLiteral("This folder is empty or contains no readable items."));
    }
    m_empty->setVisible(empty);
    m_hovered = -1;
    m_pressedCard = -1;
    m_fade->stop();
    m_opacity = 1;
    if (anotherFolder && !Appearance::reducedMotion()) {
        m_opacity = 0;
        m_fade->start();
    }
    // Another folder (or another listing of it) starts at the top.
    scrollToTop();
    relayout();
}

void FolderGridView::orderArrived() {
    if (!m_key || !m_order.isCurrent(*m_key) || !m_order.value())
        return;
    // The same entries in their whole order; the start, already shown, stays as it was.
    m_lists = *m_order.value();
    m_folderHead = m_lists.folders.size();
    m_fileHead = m_lists.files.size();
    m_rows.setOrderedCount(int(m_fileHead));
    viewport()->update();
}

DiskNode FolderGridView::folder(int index) const {
    return m_scan->nodes.makeNode(m_lists.folders[std::size_t(index)], false);
}

DiskNode FolderGridView::file(int index) const {
    return m_scan->nodes.makeNode(m_lists.files[std::size_t(index)], false);
}

int FolderGridView::columnWidth() const {
    return std::max(kMinimumColumnWidth,
                    (m_width - 2 * kPadding - (kColumns - 1) * kColumnSpacing) / kColumns);
}

QRect FolderGridView::cardRect(int index) const {
    const int row = index / kColumns;
    const int column = index % kColumns;
    return {kPadding + column * (columnWidth() + kColumnSpacing),
            m_gridTop + row * (FolderCard::kHeight + kRowSpacing), columnWidth(), FolderCard::kHeight};
}

int FolderGridView::cardAt(const QPoint& point) const {
    if (m_lists.folders.empty() || point.y() < m_gridTop || point.x() < kPadding)
        return -1;
    // A placeholder is not a card yet.
    const int row = (point.y() - m_gridTop) / (FolderCard::kHeight + kRowSpacing);
    const int column = (point.x() - kPadding) / (columnWidth() + kColumnSpacing);
    if (column >= kColumns)
        return -1;
    const int index = row * kColumns + column;
    if (index >= folderCount() || std::size_t(index) >= m_folderHead || !cardRect(index).contains(point))
        return -1;
    return index;
}

std::vector<FolderCard::TypeShare> FolderGridView::typeMix(int index) const {
    const auto& types = model().folderTypes();
    const auto found = types.find(m_scan->nodes.path(m_lists.folders[std::size_t(index)]));
    return FolderCard::typeMix(found == types.end() ? nullptr : &found->second, model().logical());
}

int FolderGridView::layoutContent(int width) {
    m_width = width;
    const int inner = std::max(0, width - 2 * kPadding);
    int y = kPadding;
    // Each item is kSpacing below the one before.
    const auto next = [&](int height) {
        const int top = y;
        y += height + kSpacing;
        return top;
    };
    m_foldersHeader = {};
    m_filesHeader = {};
    if (!m_lists.folders.empty()) {
        const int height = std::max(titleHeight(), QFontMetrics(countFont()).height() + 2 * kCapsuleVertical);
        m_foldersHeader = QRect(kPadding, next(height), inner, height);
    }
    if (m_lists.folders.empty() && m_lists.files.empty()) {
        const int height = m_empty->heightForWidth(inner);
        place(m_empty, QRect(kPadding, next(height), inner, height));
    }
    if (!m_lists.folders.empty()) {
        const int rows = (folderCount() + kColumns - 1) / kColumns;
        m_gridTop = next(rows * FolderCard::kHeight + (rows - 1) * kRowSpacing);
    }
    if (!m_lists.files.empty()) {
        m_filesHeader = QRect(kPadding, next(titleHeight()), inner, titleHeight());
        m_rows.setGeometry(kPadding, next(m_rows.height()), inner);
    }
    return y - kSpacing + kPadding;
}

FolderCard::Look FolderGridView::look(const DiskNode& node, int index) const {
    FolderCard::Look look;
    look.selected = model().selection() == node.path;
    look.hovered = index == m_hovered;
    look.logical = model().logical();
    look.colorMode = model().colorMode();
    look.now = model().now();
    look.typeMix = typeMix(index);
    return look;
}

void FolderGridView::paintContent(QPainter& painter, const QRect& exposed) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);
    if (!m_foldersHeader.isNull() && m_foldersHeader.intersects(exposed)) {
        const QString title = QStringLiteral("Folders");
        const QFontMetrics titleMetrics(titleFont());
        painter.setFont(titleFont());
        painter.setPen(Appearance::role(ColorRole::ink));
        const int titleWidth = titleMetrics.horizontalAdvance(title);
        painter.drawText(
            QRect(m_foldersHeader.left(), m_foldersHeader.top(), titleWidth, m_foldersHeader.height()),
            Qt::AlignLeft | Qt::AlignVCenter, title);
        const QString count = QString::number(folderCount());
        const QFontMetrics countMetrics(countFont());
        const QRect capsule(m_foldersHeader.left() + titleWidth + kHeaderSpacing,
                            m_foldersHeader.center().y() - (countMetrics.height() + 2 * kCapsuleVertical) / 2,
                            countMetrics.horizontalAdvance(count) + 2 * kCapsuleHorizontal,
                            countMetrics.height() + 2 * kCapsuleVertical);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(capsule), capsule.height() / 2.0, capsule.height() / 2.0);
        painter.fillPath(shape, Appearance::role(ColorRole::border, 0.5));
        painter.setFont(countFont());
        painter.drawText(capsule, Qt::AlignCenter, count);
    }
    if (!m_lists.folders.empty()) {
        // The rows of cards the exposed band meets.
        const int stride = FolderCard::kHeight + kRowSpacing;
        const int firstRow = std::max(0, (exposed.top() - m_gridTop) / stride);
        const int lastRow = (exposed.bottom() - m_gridTop) / stride;
        const std::string root =
            model().focusIndex() != kNoNode ? m_scan->nodes.path(model().focusIndex()) : "";
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                const int index = row * kColumns + column;
                if (index >= folderCount())
                    break;
                if (std::size_t(index) >= m_folderHead) {
                    FolderCard::paintPlaceholder(painter, cardRect(index));
                    continue;
                }
                const DiskNode node = folder(index);
                FolderCard::Look cardLook = look(node, index);
                cardLook.root = root;
                FolderCard::paint(painter, cardRect(index), node, cardLook);
            }
        }
    }
    if (!m_filesHeader.isNull() && m_filesHeader.intersects(exposed)) {
        painter.setFont(titleFont());
        painter.setPen(Appearance::role(ColorRole::ink));
        painter.drawText(m_filesHeader, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Files"));
    }
    m_rows.paint(painter, exposed);
}

void FolderGridView::setHovered(int index) {
    if (index == m_hovered)
        return;
    if (m_hovered >= 0)
        viewport()->update(toViewport(cardRect(m_hovered)));
    m_hovered = index;
    if (m_hovered >= 0)
        viewport()->update(toViewport(cardRect(m_hovered)));
    viewport()->setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void FolderGridView::pointerMoved(const QPoint& point) {
    setHovered(cardAt(point));
}

void FolderGridView::pointerLeft() {
    setHovered(-1);
}

void FolderGridView::pressed(const QPoint& point) {
    m_pressedCard = cardAt(point);
    m_pressedMenu =
        m_pressedCard >= 0 && m_pressedCard == m_hovered &&
        FolderCard::menuButtonRect(cardRect(m_pressedCard), look(folder(m_pressedCard), m_pressedCard))
            .contains(point);
    if (m_pressedCard < 0)
        m_rows.press(point);
}

void FolderGridView::released(const QPoint& point) {
    const int pressed = std::exchange(m_pressedCard, -1);
    if (pressed < 0) {
        m_rows.release(point);
        return;
    }
    if (cardAt(point) != pressed)
        return;
    const DiskNode node = folder(pressed);
    if (m_pressedMenu) {
        const QRect button = FolderCard::menuButtonRect(cardRect(pressed), look(node, pressed));
        showNodeMenu(node, viewport()->mapToGlobal(toViewport(button).bottomLeft()));
        return;
    }
    model().focus(node);
}

void FolderGridView::menuRequested(const QPoint& point, const QPoint& global) {
    const int card = cardAt(point);
    if (card >= 0)
        showNodeMenu(folder(card), global);
    else
        m_rows.showMenu(point, global);
}

QString FolderGridView::toolTipAt(const QPoint& point, QRect* area) {
    const int card = cardAt(point);
    if (card < 0)
        return m_rows.toolTipAt(point, area);
    const QRect rect = cardRect(card);
    const std::vector<FolderCard::TypeShare> mix = typeMix(card);
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const QRect dot = FolderCard::dotRect(rect, i);
        if (dot.contains(point)) {
            *area = dot;
            return FolderCard::dotToolTip(mix[i]);
        }
    }
    *area = rect;
    return QStringLiteral("Open folder");
}

} // namespace ambertrove
