#include "screens/RowModel.hpp"

namespace ambertrove {

RowModel::RowModel(QObject* parent)
    : QAbstractListModel(parent) {}

void RowModel::reset(int rows, Text display, Text toolTip) {
    beginResetModel();
    m_rows = rows;
    m_display = std::move(display);
    m_toolTip = std::move(toolTip);
    endResetModel();
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    if (role == Qt::DisplayRole && m_display)
        return m_display(index.row());
    if (role == Qt::ToolTipRole && m_toolTip)
        return m_toolTip(index.row());
    return {};
}

} // namespace ambertrove
