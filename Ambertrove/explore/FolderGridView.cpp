#include "explore/FolderGridView.hpp"

#include "controller/AppModel.hpp"
#include "widgets/Appearance.hpp"
#include "widgets/EmptyPanel.hpp"
#include "widgets/ViewText.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

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
    , m_rows(*this) {
    m_empty = new EmptyPanel(QStringLiteral("folder"), QString(), QString(), false, viewport());
    m_empty->hide();
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

bool FolderGridView::showsCurrentResult() const {
    return m_key && *m_key == currentKey();
}

void FolderGridView::refresh() {
    const Key key = currentKey();
    if (m_key && *m_key == key) {
        viewport()->update();
        return;
    }
    m_key = key;
    m_scan = model().scan();
    m_folders.clear();
    m_files.clear();
    for (const NodeIndex child : model().currentChildIndices()) {
        if (m_scan->nodes[child].isDirectory())
            m_folders.push_back(child);
        else
            m_files.push_back(child);
    }
    const std::int64_t largestFile =
        m_files.empty() ? 0 : m_scan->nodes[m_files.front()].bytes(model().logical());
    m_rows.setRows(int(m_files.size()), [this](int index) { return file(index); },
                   {std::nullopt, largestFile, false});
    if (m_folders.empty() && m_files.empty()) {
        const bool filtered = !model().activeFilters().empty();
        m_empty->setTitle(filtered ? QStringLiteral("No matching items") : QStringLiteral("Nothing here"));
        m_empty->setSubtitle(filtered
                                 ? QStringLiteral("Clear filters to see the other items.")
                                 : QStringLiteral("This folder is empty or contains no readable items."));
    }
    m_empty->setVisible(m_folders.empty() && m_files.empty());
    m_hovered = -1;
    m_pressedCard = -1;
    // Another folder (or another listing of it) starts at the top.
    scrollToTop();
    relayout();
}

DiskNode FolderGridView::folder(int index) const {
    return m_scan->nodes.makeNode(m_folders[std::size_t(index)], false);
}

DiskNode FolderGridView::file(int index) const {
    return m_scan->nodes.makeNode(m_files[std::size_t(index)], false);
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
    if (m_folders.empty() || point.y() < m_gridTop || point.x() < kPadding)
        return -1;
    const int row = (point.y() - m_gridTop) / (FolderCard::kHeight + kRowSpacing);
    const int column = (point.x() - kPadding) / (columnWidth() + kColumnSpacing);
    if (column >= kColumns)
        return -1;
    const int index = row * kColumns + column;
    if (index >= folderCount() || !cardRect(index).contains(point))
        return -1;
    return index;
}

std::vector<FolderCard::TypeShare> FolderGridView::typeMix(int index) const {
    const auto& types = model().folderTypes();
    const auto found = types.find(m_scan->nodes.path(m_folders[std::size_t(index)]));
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
    if (!m_folders.empty()) {
        const int height = std::max(titleHeight(), QFontMetrics(countFont()).height() + 2 * kCapsuleVertical);
        m_foldersHeader = QRect(kPadding, next(height), inner, height);
    }
    if (m_empty->isVisibleTo(this)) {
        const int height = m_empty->heightForWidth(inner);
        place(m_empty, QRect(kPadding, next(height), inner, height));
    }
    if (!m_folders.empty()) {
        const int rows = (folderCount() + kColumns - 1) / kColumns;
        m_gridTop = next(rows * FolderCard::kHeight + (rows - 1) * kRowSpacing);
    }
    if (!m_files.empty()) {
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
    if (!m_folders.empty()) {
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
