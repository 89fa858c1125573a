#pragma once

#include "analysis/ScanSortCache.hpp"
#include "controller/ExplorerQueryKey.hpp"
#include "controller/KeyedQuery.hpp"
#include "explore/FileTableModel.hpp"
#include "explore/FileTableSort.hpp"
#include "explore/StorageBody.hpp"

#include <QWidget>

#include <memory>
#include <stop_token>
#include <vector>

class QCheckBox;
class QLabel;
class QTableView;

namespace ambertrove {

class AppModel;
class FileTableDelegate;
class QueryProgress;
class TroveButton;

// The Table storage view: the entries below the focused folder that pass the explorer's filter (its
// children, or its whole subtree), in five sortable columns, 500 rows at first and 500 more on request.
// The listing is sorted off the GUI thread; until the listing of the current key lands, the previous one
// stays, dimmed and disabled, with the busy capsule over it. "Export CSV" writes every row, not only the
// shown ones.
//
// A click on a column header sorts by that column (again: the other way round); with Shift it adds the
// column as a further key. A change of the size mode sorts by the size, largest first.
class FileTableView final : public QWidget, public StorageBody {
    Q_OBJECT

public:
    // What a listing is computed from.
    struct Key {
        ExplorerQueryKey query;
        bool recursive = false;
        std::vector<TableSortKey> sort;

        friend bool operator==(const Key&, const Key&) = default;
    };

    explicit FileTableView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FileTableView)

    [[nodiscard]] bool showsCurrentResult() const override;
    [[nodiscard]] Key currentKey() const;

    [[nodiscard]] const std::vector<TableSortKey>& sort() const { return m_sort; }
    void setSort(std::vector<TableSortKey> sort);
    // A click on the header of `column`; `adding` is the Shift-click.
    void sortByColumn(int column, bool adding);
    [[nodiscard]] bool recursive() const { return m_recursive; }
    void setRecursive(bool recursive);

    [[nodiscard]] FileTableModel* tableModel() const { return m_tableModel; }
    [[nodiscard]] QTableView* table() const { return m_table; }
    [[nodiscard]] QCheckBox* recursiveToggle() const { return m_recursiveToggle; }
    [[nodiscard]] QLabel* countLabel() const { return m_count; }
    [[nodiscard]] QLabel* hintLabel() const { return m_hint; }
    [[nodiscard]] TroveButton* exportButton() const { return m_export; }
    [[nodiscard]] TroveButton* moreButton() const { return m_more; }
    [[nodiscard]] QueryProgress* progress() const { return m_progress; }
    // Drawn at half opacity while the listing is not current.
    [[nodiscard]] bool isDimmed() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Listing = std::shared_ptr<const FileTableModel::Listing>;

    void refresh();
    void listingChanged();
    void updateState();
    void syncSelection();
    void showSortIndicator();
    void placeProgress();
    void exportRows();
    void showMenu(const QPoint& at);

    AppModel& m_model;
    KeyedQuery<Key, Listing> m_query;
    std::shared_ptr<ScanSortCache> m_sortCache; // for the scan of the last request
    bool m_recursive = false;
    std::vector<TableSortKey> m_sort{{ScanSortField::allocatedSize, false}};
    bool m_logical = false;
    bool m_syncing = false;
    Qt::KeyboardModifiers m_headerModifiers;
    std::stop_source m_exportStop;

    FileTableModel* m_tableModel = nullptr;
    QTableView* m_table = nullptr;
    FileTableDelegate* m_delegate = nullptr;
    QueryProgress* m_progress = nullptr;
    QCheckBox* m_recursiveToggle = nullptr;
    QLabel* m_count = nullptr;
    TroveButton* m_export = nullptr;
    QLabel* m_hint = nullptr;
    TroveButton* m_more = nullptr;
};

} // namespace ambertrove
