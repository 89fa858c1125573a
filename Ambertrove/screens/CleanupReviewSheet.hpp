#pragma once

#include "controller/CleanupRequest.hpp"

#include <QDialog>
#include <QList>

#include <cstddef>
#include <memory>

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace ambertrove {

class AppModel;
class TroveButton;

// The last look before anything is moved to the Trash, shown by the window while the controller holds a
// cleanup request: what goes and how much it frees, its first entries, then the backup and snapshot
// options, or the protected entries that block it. "Cancel" (also Escape) drops the request; the
// confirmation hands it back to the controller. Neither button is a default button: Return never moves
// anything to the Trash. A new request replaces the content.
class CleanupReviewSheet final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 520;
    static constexpr int kPadding = 26;
    static constexpr int kSpacing = 18;
    static constexpr std::size_t kListedEntries = 5;
    static constexpr std::size_t kNamedBlocked = 3;

    explicit CleanupReviewSheet(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CleanupReviewSheet)

    // "Uninstall NAME?", "Move 1 item to Trash?", "Move 1,205 items to Trash?".
    [[nodiscard]] static QString titleText(const CleanupRequest& request);
    // "And 1,200 more" past the listed entries; empty when all are listed.
    [[nodiscard]] static QString remainderText(std::size_t entries);
    // "Back up & Move to Trash…" with backups on, else "Move to Trash".
    [[nodiscard]] static QString confirmTitle(bool backup);

    [[nodiscard]] const std::shared_ptr<const CleanupRequest>& request() const { return m_request; }
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] QLabel* totalLabel() const { return m_total; }
    // The listed entries' rows, those in use first.
    [[nodiscard]] const QList<QWidget*>& entryRows() const { return m_entryRows; }
    [[nodiscard]] int listedCount() const;
    [[nodiscard]] QLabel* remainderLabel() const { return m_remainder; }
    [[nodiscard]] QWidget* optionsPanel() const { return m_options; }
    [[nodiscard]] QCheckBox* backupToggle() const { return m_backup; }
    [[nodiscard]] QLabel* folderNote() const { return m_folderNote; }
    [[nodiscard]] QCheckBox* snapshotToggle() const { return m_snapshot; }
    [[nodiscard]] QWidget* blockedPanel() const { return m_blocked; }
    // The named refused entries, those in use first.
    [[nodiscard]] const QList<QLabel*>& blockedLines() const { return m_blockedLines; }
    [[nodiscard]] int namedBlockedCount() const;
    [[nodiscard]] TroveButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] TroveButton* confirmButton() const { return m_confirm; }

private:
    void buildEntries(QVBoxLayout* layout);
    void buildOptions(QVBoxLayout* layout);
    void buildBlocked(QVBoxLayout* layout);
    void showRequest();
    void refreshSettings();
    void fitHeight();
    void confirm();

    AppModel& m_model;
    std::shared_ptr<const CleanupRequest> m_request;
    QLabel* m_title = nullptr;
    QLabel* m_total = nullptr;
    QList<QWidget*> m_entryRows;
    QLabel* m_remainder = nullptr;
    QWidget* m_options = nullptr;
    QCheckBox* m_backup = nullptr;
    QLabel* m_folderNote = nullptr;
    QCheckBox* m_snapshot = nullptr;
    QWidget* m_blocked = nullptr;
    QList<QLabel*> m_blockedLines;
    TroveButton* m_cancel = nullptr;
    TroveButton* m_confirm = nullptr;
};

} // namespace ambertrove
