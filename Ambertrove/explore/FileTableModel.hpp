#pragma once

#include "analysis/ScanSortField.hpp"
#include "model/DiskNode.hpp"
#include "model/NodeTable.hpp"
#include "model/ScanResult.hpp"

#include <QAbstractTableModel>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The file table's rows: the shared scan and every matching entry in sort order (as the scan's nodes;
// paths are made for the rows drawn and for the export). Only the first `visibleLimit` rows are rows of
// the model.
class FileTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { name, size, items, kind, modified, columnCount_ };
    static constexpr int kPage = 500;

    // A listing and the scan it was made from.
    struct Listing {
        ScanResultPtr scan;
        std::vector<NodeIndex> rows;
    };

    explicit FileTableModel(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FileTableModel)

    // The field a column sorts by; the size column follows the size mode.
    [[nodiscard]] static ScanSortField sortField(int column, bool logical);
    // The column that shows a field.
    [[nodiscard]] static int columnOf(ScanSortField field);
    [[nodiscard]] static QString title(int column);

    // A new listing: the first page of it becomes the rows.
    void setListing(std::shared_ptr<const Listing> listing);
    [[nodiscard]] const std::shared_ptr<const Listing>& listing() const { return m_listing; }
    // Every entry of the listing, shown or not.
    [[nodiscard]] std::size_t total() const { return m_listing ? m_listing->rows.size() : 0; }
    [[nodiscard]] int visibleLimit() const { return m_limit; }
    // Adds a page of rows.
    void showMore();
    void setLogical(bool logical);

    [[nodiscard]] NodeIndex nodeAt(int row) const;
    [[nodiscard]] std::optional<DiskNode> node(int row) const;
    [[nodiscard]] std::string path(int row) const;
    // The row of `node` among the rows, or -1.
    [[nodiscard]] int rowOf(NodeIndex node) const;
    // The text of a cell, as drawn.
    [[nodiscard]] QString text(int row, int column) const;
    [[nodiscard]] bool isDirectory(int row) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::shared_ptr<const Listing> m_listing;
    int m_limit = kPage;
    bool m_logical = false;
};

} // namespace ambertrove
