#pragma once

#include "model/ScanResult.hpp"

#include <QAbstractListModel>
#include <QDialog>

class QListView;
class QPushButton;

namespace ambertrove {

class AppModel;

// The skipped paths of a scan and why, one row each, for a list view.
class ScanIssueList final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { PathRole = Qt::UserRole + 1, MessageRole };

    explicit ScanIssueList(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ScanIssueList)

    void setScan(ScanResultPtr scan);
    [[nodiscard]] const ScanResultPtr& scan() const { return m_scan; }
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

private:
    ScanResultPtr m_scan;
};

// The sheet that lists what the shown scan skipped: "Scan access details", an explanation, the paths with
// their reasons, and "Done" (the default button, also Return). Closing it in any way clears the
// controller's showIssues.
class ScanIssuesSheet final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 620;
    static constexpr int kListHeight = 300;

    explicit ScanIssuesSheet(AppModel& model, QWidget* parent);
    Q_DISABLE_COPY_MOVE(ScanIssuesSheet)

    [[nodiscard]] QListView* list() const { return m_list; }
    [[nodiscard]] ScanIssueList* issues() const { return m_issues; }
    [[nodiscard]] QPushButton* doneButton() const { return m_done; }

private:
    AppModel& m_model;
    ScanIssueList* m_issues = nullptr;
    QListView* m_list = nullptr;
    QPushButton* m_done = nullptr;
};

} // namespace ambertrove
