#pragma once

#include "snapshots/SnapshotCatalogIssue.hpp"

#include <QTextEdit>

#include <vector>

namespace ambertrove {

// The saved scans that could not be used: for each, its file's name (shortened in the middle, the whole
// path as its tooltip) over the catalog's message, in muted text. One read-only text, so that what it
// says can be selected and copied; as tall as its text.
class SnapshotIssueList final : public QTextEdit {
    Q_OBJECT

public:
    explicit SnapshotIssueList(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SnapshotIssueList)

    void setIssues(std::vector<SnapshotCatalogIssue> issues);
    [[nodiscard]] const std::vector<SnapshotCatalogIssue>& issues() const { return m_issues; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void rebuild();

    std::vector<SnapshotCatalogIssue> m_issues;
    int m_builtWidth = -1;
};

} // namespace ambertrove
