#pragma once

#include "cleanup/BackupReceipt.hpp"
#include "cleanup/TrashReceipt.hpp"

#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace ambertrove {

class AppModel;
class CleanupHistoryList;
class CleanupQueueList;
class EmptyPanel;
class PlainButton;
class TroveButton;

// The Cleanup section: the queue with its summary and "Move to Trash…", the progress of a review or a run
// with its "Cancel", "Remove all", and the histories of verified backups ("Show in Finder") and of items
// moved to the Trash ("Restore"). It holds no state: everything is read from the controller, and nothing
// here touches a file but through it.
class CleanupView final : public QWidget {
    Q_OBJECT

public:
    explicit CleanupView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CleanupView)

    // "1 item — 2 KB", "0 items — Zero KB", "1,234 items — …".
    [[nodiscard]] static QString summaryText(std::int64_t count, std::int64_t bytes);
    // Whether "Move to Trash…" may start a review now.
    [[nodiscard]] static bool canReview(const AppModel& model);

    [[nodiscard]] QLabel* summaryLabel() const { return m_summary; }
    [[nodiscard]] TroveButton* moveButton() const { return m_move; }
    [[nodiscard]] QWidget* runningPanel() const { return m_running; }
    [[nodiscard]] QLabel* runningMessage() const { return m_runningMessage; }
    [[nodiscard]] TroveButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] PlainButton* removeAllButton() const { return m_removeAll; }
    [[nodiscard]] EmptyPanel* emptyPanel() const { return m_empty; }
    [[nodiscard]] TroveButton* browseButton() const { return m_browse; }
    [[nodiscard]] CleanupQueueList* queueList() const { return m_queue; }
    [[nodiscard]] QLabel* restoreNote() const { return m_restoreNote; }
    [[nodiscard]] QWidget* backupsSection() const { return m_backupsSection; }
    [[nodiscard]] CleanupHistoryList* backupList() const { return m_backupList; }
    [[nodiscard]] QWidget* trashSection() const { return m_trashSection; }
    [[nodiscard]] CleanupHistoryList* trashList() const { return m_trashList; }
    [[nodiscard]] QScrollArea* scrollArea() const { return m_scroll; }

private:
    void buildHeader(QVBoxLayout* column);
    QWidget* buildHistorySection(QWidget* parent, const QString& title, CleanupHistoryList* list);
    void refresh();
    void refreshBusy();
    void refreshHistory();
    void cancelRun();
    void removeAll();
    void restore(int row);

    AppModel& m_model;
    QLabel* m_summary = nullptr;
    TroveButton* m_move = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_running = nullptr;
    QLabel* m_runningMessage = nullptr;
    TroveButton* m_cancel = nullptr;
    PlainButton* m_removeAll = nullptr;
    EmptyPanel* m_empty = nullptr;
    TroveButton* m_browse = nullptr;
    CleanupQueueList* m_queue = nullptr;
    QLabel* m_restoreNote = nullptr;
    QWidget* m_backupsSection = nullptr;
    CleanupHistoryList* m_backupList = nullptr;
    QWidget* m_trashSection = nullptr;
    CleanupHistoryList* m_trashList = nullptr;
    // What the history lists show, to rebuild them only when it changes.
    std::vector<BackupReceipt> m_backups;
    std::vector<TrashReceipt> m_receipts;
};

} // namespace ambertrove
