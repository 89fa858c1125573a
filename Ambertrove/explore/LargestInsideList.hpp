#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

namespace ambertrove {

// The inspector's "Largest inside" rows, painted: per child a dot in its folder colour, its name, its size,
// and under them a thin bar of its share of the folder. A click on a row chooses the child.
class LargestInsideList final : public QWidget {
    Q_OBJECT

public:
    struct Row {
        std::string path;
        QString name;
        std::int64_t bytes = 0;
        QColor colour;
    };

    static constexpr int kDot = 5;
    static constexpr int kLineSpacing = 5;
    static constexpr int kBarHeight = 3;
    static constexpr int kRowSpacing = 12;

    explicit LargestInsideList(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LargestInsideList)

    // The rows, and the size of the folder they are inside (bars are their share of it).
    void setRows(std::vector<Row> rows, std::int64_t folderBytes);
    [[nodiscard]] const std::vector<Row>& rows() const { return m_rows; }

    // A row's bar, from 0 (none) to 1 (the whole width): its size over the folder's (at least 1), clamped.
    [[nodiscard]] static double barFraction(std::int64_t bytes, std::int64_t folderBytes);
    [[nodiscard]] QRect rowRect(int index) const;
    [[nodiscard]] int rowAt(const QPoint& point) const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    void chosen(const std::string& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    [[nodiscard]] int rowHeight() const;

    std::vector<Row> m_rows;
    std::int64_t m_folderBytes = 0;
    int m_hovered = -1;
};

} // namespace ambertrove
