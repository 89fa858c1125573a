#pragma once

#include "snapshots/SnapshotChange.hpp"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;

namespace ambertrove {

class AppModel;
class RowListView;
class RowModel;
class SwitchToggle;
class TroveButton;

// The changes of the last comparison of saved scans: filtered by the size of the change, by whether the
// path lies directly in the compared root, and by the window's name filter, then listed a page at a
// time. The filter runs once over all the changes whenever one of its inputs changes; the list holds at
// most `changeLimit()` rows. The toggle, the minimum and the limit are the section's own and start afresh
// with the screen.
class ChangesSection final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPage = 300;

    // What a change must pass to be listed.
    struct Filter {
        std::int64_t minimumChange = 0;
        bool topLevelOnly = true;
        std::optional<std::string> root;
        QString text;
        friend bool operator==(const Filter&, const Filter&) = default;
    };
    // The choices of the minimum change, in order.
    struct Minimum {
        const char* title;
        std::int64_t bytes;
    };
    static constexpr Minimum kMinimums[] = {
        {"All changes", 0}, {"10 MB", 10'000'000}, {"100 MB", 100'000'000}, {"1 GB", 1'000'000'000}};

    explicit ChangesSection(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ChangesSection)

    // The positions of the changes that pass `filter`, in their order: a change of at least the minimum
    // (either way), directly inside the root when `topLevelOnly` (nothing passes without a root then),
    // whose path contains the text (case-insensitively).
    [[nodiscard]] static std::vector<std::uint32_t> filtered(const std::vector<SnapshotChange>& changes,
                                                             const Filter& filter);
    // The folder that holds `path`: the path without its last component ("/" for "/x").
    [[nodiscard]] static std::string_view parentOf(std::string_view path);

    [[nodiscard]] bool topLevelOnly() const { return m_topLevelOnly; }
    void setTopLevelOnly(bool on);
    [[nodiscard]] std::int64_t minimumChange() const { return m_minimumChange; }
    void setMinimumChange(std::int64_t bytes);
    [[nodiscard]] int changeLimit() const { return m_changeLimit; }
    // "Show 300 more changes".
    void showMore();

    // Every change that passes the filter, and how many of them are listed.
    [[nodiscard]] const std::vector<std::uint32_t>& rows() const { return m_rows; }
    [[nodiscard]] int shownRows() const;

    [[nodiscard]] QLabel* comparisonLabel() const { return m_comparison; }
    [[nodiscard]] SwitchToggle* topLevelToggle() const { return m_topLevel; }
    [[nodiscard]] QLabel* noteLabel() const { return m_note; }
    [[nodiscard]] QComboBox* minimumPicker() const { return m_picker; }
    [[nodiscard]] RowListView* list() const { return m_list; }
    [[nodiscard]] TroveButton* moreButton() const { return m_more; }
    [[nodiscard]] QLabel* noChangesLabel() const { return m_noChanges; }
    [[nodiscard]] QLabel* incompleteLabel() const { return m_incomplete; }

    // Follows the controller: filters again when the changes, the root or the name filter changed.
    void refresh();

private:
    void refilter();
    void showRows();

    AppModel& m_model;
    bool m_topLevelOnly = true;
    std::int64_t m_minimumChange = 0;
    int m_changeLimit = kPage;

    // What the rows were filtered from: the changes (by their storage, which a new comparison replaces)
    // and the filter.
    const SnapshotChange* m_filteredData = nullptr;
    std::size_t m_filteredSize = 0;
    std::optional<Filter> m_filter;
    std::vector<std::uint32_t> m_rows;

    QLabel* m_comparison = nullptr;
    SwitchToggle* m_topLevel = nullptr;
    QLabel* m_note = nullptr;
    QComboBox* m_picker = nullptr;
    RowListView* m_list = nullptr;
    RowModel* m_listModel = nullptr;
    TroveButton* m_more = nullptr;
    QLabel* m_noChanges = nullptr;
    QLabel* m_incomplete = nullptr;
};

} // namespace ambertrove
