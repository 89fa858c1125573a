#pragma once

#include "snapshots/SnapshotRecord.hpp"

#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <cstddef>
#include <optional>

class QLabel;

namespace ambertrove {

class AppModel;
class ChangesSection;
class DisclosureGroup;
class EmptyPanel;
class RowListView;
class RowModel;
class SnapshotIssueList;
class SwitchToggle;
class TimeMachineCard;
class TroveButton;

// The Snapshots section: saving the current scan, the saved scans (browse, compare with the current
// scan, or pick a Before and compare it with an After, delete after a confirmation), the saved scans that
// could not be read, the changes of the last comparison and the local Time Machine snapshots. The
// controller does all the work; the screen's own state is the deletion awaiting its confirmation and
// the changes' toggle, minimum and limit, which start afresh with the screen.
class SnapshotsView final : public QWidget {
    Q_OBJECT

public:
    explicit SnapshotsView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SnapshotsView)

    // "1 saved scan is unavailable", "2 saved scans are unavailable".
    [[nodiscard]] static QString issuesTitle(std::size_t count);
    struct EmptyTexts {
        QString title;
        QString subtitle;
    };
    [[nodiscard]] static EmptyTexts emptyTexts(bool hasIssues, bool snapshotsEnabled);

    // The Before that counts: the controller's, as long as the catalog still lists it.
    [[nodiscard]] std::optional<SnapshotRecord> before() const;
    // The selection button of `record`: with another record as the Before, compares it with `record`;
    // otherwise makes `record` the Before.
    void select(const SnapshotRecord& record);
    // Asks to confirm the deletion of `record`.
    void confirmDelete(const SnapshotRecord& record);
    [[nodiscard]] const std::optional<SnapshotRecord>& deleting() const { return m_deleting; }

    [[nodiscard]] TroveButton* refreshButton() const { return m_refresh; }
    [[nodiscard]] TroveButton* exportButton() const { return m_export; }
    [[nodiscard]] TroveButton* saveButton() const { return m_save; }
    [[nodiscard]] SwitchToggle* snapshotsToggle() const { return m_toggle; }
    [[nodiscard]] QWidget* busyRow() const { return m_busy; }
    [[nodiscard]] QLabel* busyLabel() const { return m_busyText; }
    [[nodiscard]] DisclosureGroup* issuesGroup() const { return m_issues; }
    [[nodiscard]] SnapshotIssueList* issueList() const { return m_issueList; }
    [[nodiscard]] EmptyPanel* emptyPanel() const { return m_empty; }
    [[nodiscard]] QWidget* listHeader() const { return m_listHeader; }
    [[nodiscard]] RowListView* list() const { return m_list; }
    [[nodiscard]] QLabel* beforeHint() const { return m_beforeHint; }
    [[nodiscard]] ChangesSection* changes() const { return m_changes; }
    [[nodiscard]] TimeMachineCard* timeMachineCard() const { return m_timeMachine; }
    // The confirmation of a deletion while it is open, and the last menu of a saved scan.
    [[nodiscard]] QMessageBox* deleteAlert() const { return m_alert; }
    [[nodiscard]] QMenu* rowMenu() const { return m_menu; }

private:
    void refresh();
    void rowButton(int row, int action, const QRect& anchor);

    AppModel& m_model;
    std::optional<SnapshotRecord> m_deleting;

    TroveButton* m_refresh = nullptr;
    TroveButton* m_export = nullptr;
    TroveButton* m_save = nullptr;
    SwitchToggle* m_toggle = nullptr;
    QWidget* m_busy = nullptr;
    QLabel* m_busyText = nullptr;
    DisclosureGroup* m_issues = nullptr;
    SnapshotIssueList* m_issueList = nullptr;
    EmptyPanel* m_empty = nullptr;
    QWidget* m_listHeader = nullptr;
    RowListView* m_list = nullptr;
    RowModel* m_listModel = nullptr;
    QLabel* m_beforeHint = nullptr;
    ChangesSection* m_changes = nullptr;
    TimeMachineCard* m_timeMachine = nullptr;
    QPointer<QMessageBox> m_alert;
    QPointer<QMenu> m_menu;
};

} // namespace ambertrove
