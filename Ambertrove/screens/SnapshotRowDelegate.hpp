#pragma once

#include "screens/RowDelegate.hpp"
#include "snapshots/SnapshotRecord.hpp"

#include <functional>
#include <optional>

namespace ambertrove {

class AppModel;

// A saved scan of the Snapshots screen, drawn as a card: its symbol, title, root path, date and file
// count, its size, and its controls: the Before/After selection, "Browse", "Compare", the menu and the
// delete button, enabled as the controller allows.
class SnapshotRowDelegate final : public RowDelegate {
    Q_OBJECT

public:
    enum Action { select = 1, browse, compare, menu, remove };
    using Before = std::function<std::optional<SnapshotRecord>()>;

    SnapshotRowDelegate(RowListView* view, AppModel& model, Before before);

    // The numeric date with the whole year and the short time, in the user's locale.
    [[nodiscard]] static QString dateText(Date date);
    // "BEFORE" on the Before itself, "Select Before" without one, else "Select After".
    [[nodiscard]] static QString selectionText(const SnapshotRecord& record,
                                               const std::optional<SnapshotRecord>& before);

    [[nodiscard]] std::vector<RowButton> buttons(const QRect& rect, const QModelIndex& index) const override;
    [[nodiscard]] int rowHeight(const QModelIndex& index, int width) const override;
    [[nodiscard]] int gap() const override { return 20; }

protected:
    void paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                  bool hovered) const override;

private:
    [[nodiscard]] const SnapshotRecord* record(int row) const;

    AppModel& m_model;
    Before m_before;
};

} // namespace ambertrove
