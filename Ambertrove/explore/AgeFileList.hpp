#pragma once

#include "base/Date.hpp"
#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <QAbstractScrollArea>
#include <QColor>

#include <vector>

namespace ambertrove {

class AppModel;
class TroveButton;

// The age map's list of files, painted, only the rows in view: per file its kind's symbol, its name and
// how long ago it was modified, its size and a button that adds it to Cleanup. A click selects the file,
// a right click opens its node actions; a button after the rows asks for more of them.
class AgeFileList final : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kIconWidth = 17;
    static constexpr int kIcon = 13;
    static constexpr int kSpacing = 7;
    static constexpr int kLineSpacing = 3;
    static constexpr int kRowSpacing = 11;
    static constexpr int kAddButton = 20;

    AgeFileList(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(AgeFileList)

    // The rows; `more` shows the button after them; `empty` is the text shown without rows.
    void setContent(const ScanResultPtr& scan, const std::vector<NodeIndex>& nodes, bool more,
                    const QString& empty);
    // Sizes follow the size mode; the add buttons the gate of cleanup.
    void setLogical(bool logical);
    void setCanClean(bool canClean);

    [[nodiscard]] int count() const { return int(m_rows.size()); }
    [[nodiscard]] const DiskNode& node(int row) const { return m_rows[std::size_t(row)].node; }
    [[nodiscard]] QString emptyText() const { return m_rows.empty() ? m_empty : QString(); }
    [[nodiscard]] TroveButton* moreButton() const { return m_more; }
    // Rectangles in the viewport.
    [[nodiscard]] QRect rowRect(int row) const;
    [[nodiscard]] QRect addRect(int row) const;
    [[nodiscard]] int rowAt(const QPoint& viewportPoint) const;

signals:
    void moreRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct Row {
        DiskNode node;
        QString name;
        QString path;
        QString symbol;
        QColor colour;
    };

    [[nodiscard]] int rowHeight() const;
    [[nodiscard]] int rowsHeight() const;
    void layoutContent();

    AppModel& m_model;
    std::vector<Row> m_rows;
    QString m_empty;
    bool m_logical = false;
    bool m_canClean = false;
    int m_hovered = -1;
    TroveButton* m_more = nullptr;
};

} // namespace ambertrove
