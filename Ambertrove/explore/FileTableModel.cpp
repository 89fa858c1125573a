#include "explore/FileTableModel.hpp"

#include "analysis/NodeDisplay.hpp"
#include "model/Formatting.hpp"
#include "widgets/DateText.hpp"
#include "widgets/ViewText.hpp"

#include <algorithm>

namespace ambertrove {

namespace {

using ViewText::fromBytes;

} // namespace

FileTableModel::FileTableModel(QObject* parent)
    : QAbstractTableModel(parent) {}

ScanSortField FileTableModel::sortField(int column, bool logical) {
    switch (column) {
    case size:
        return logical ? ScanSortField::logicalSize : ScanSortField::allocatedSize;
    case items:
        return ScanSortField::itemCount;
    case kind:
        return ScanSortField::kindName;
    case modified:
        return ScanSortField::modified;
    default:
        return ScanSortField::name;
    }
}

int FileTableModel::columnOf(ScanSortField field) {
    switch (field) {
    case ScanSortField::name:
        return name;
    case ScanSortField::allocatedSize:
    case ScanSortField::logicalSize:
        return size;
    case ScanSortField::itemCount:
        return items;
    case ScanSortField::kindName:
        return kind;
    case ScanSortField::modified:
        return modified;
    }
    return name;
}

QString FileTableModel::title(int column) {
    switch (column) {
    case name:
        return QStringLiteral("Name");
    case size:
        return QStringLiteral("Size");
    case items:
        return QStringLiteral("Items");
    case kind:
        return QStringLiteral("Kind");
    case modified:
        return QStringLiteral("Modified");
    default:
        return {};
    }
}

void FileTableModel::setListing(std::shared_ptr<const Listing> listing) {
    beginResetModel();
    m_listing = std::move(listing);
    m_limit = kPage;
    endResetModel();
}

void FileTableModel::showMore() {
    const int before = rowCount();
    m_limit += kPage;
    const int after = rowCount();
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        endInsertRows();
    }
}

void FileTableModel::setLogical(bool logical) {
    if (m_logical == logical)
        return;
    m_logical = logical;
    if (rowCount() > 0)
        emit dataChanged(index(0, size), index(rowCount() - 1, size));
}

int FileTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_listing)
        return 0;
    return int(std::min<std::size_t>(m_listing->rows.size(), std::size_t(m_limit)));
}

int FileTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

NodeIndex FileTableModel::nodeAt(int row) const {
    if (row < 0 || row >= rowCount())
        return kNoNode;
    const NodeIndex node = m_listing->rows[std::size_t(row)];
    return m_listing->scan && m_listing->scan->nodes.isNode(node) ? node : kNoNode;
}

std::optional<DiskNode> FileTableModel::node(int row) const {
    const NodeIndex i = nodeAt(row);
    if (i == kNoNode)
        return std::nullopt;
    return m_listing->scan->nodes.makeNode(i, false);
}

std::string FileTableModel::path(int row) const {
    const NodeIndex i = nodeAt(row);
    return i == kNoNode ? std::string() : m_listing->scan->nodes.nodePath(i);
}

int FileTableModel::rowOf(NodeIndex node) const {
    if (node == kNoNode || !m_listing)
        return -1;
    const auto end = m_listing->rows.begin() + rowCount();
    const auto found = std::find(m_listing->rows.begin(), end, node);
    return found == end ? -1 : int(found - m_listing->rows.begin());
}

bool FileTableModel::isDirectory(int row) const {
    const NodeIndex i = nodeAt(row);
    return i != kNoNode && m_listing->scan->nodes[i].isDirectory();
}

QString FileTableModel::text(int row, int column) const {
    const NodeIndex i = nodeAt(row);
    if (i == kNoNode)
        return {};
    const NodeTable& nodes = m_listing->scan->nodes;
    const NodeTable::NodeRef r = nodes[i];
    switch (column) {
    case name:
        return fromBytes(nodes.name(i));
    case size:
        return QString::fromStdString(formattedBytes(r.bytes(m_logical)));
    case items:
        return ViewText::groupedCount(NodeDisplay::itemCount(nodes, i));
    case kind:
        return fromBytes(NodeDisplay::kindName(nodes, i));
    case modified:
        return DateText::abbreviated(r.modifiedDate());
    default:
        return {};
    }
}

QVariant FileTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return text(index.row(), index.column());
    if (role == Qt::ToolTipRole && index.column() == name) {
        const std::string shown = path(index.row());
        return ViewText::plainToolTip(fromBytes(shown));
    }
    return {};
}

QVariant FileTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return title(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(
            (section == size || section == items ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    return {};
}

} // namespace ambertrove
