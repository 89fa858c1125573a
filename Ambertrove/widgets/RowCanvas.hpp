#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

namespace ambertrove {

// A column of painted rows, each with painted buttons ("targets"): how a long list is shown without a
// widget per row. Only the rows that meet the paint region are painted, so inside a scroll area only what
// is visible is drawn. Subclasses give the rows' heights, paint a row, and name its targets; the canvas
// tracks hover and presses, activates a target on a click released over it while it is enabled (asked
// again at the release), and shows the tooltips of targets and rows. From the keyboard, the arrow keys
// move between the targets in reading order and Space or Return activates the one with the focus ring.
class RowCanvas : public QWidget {
    Q_OBJECT

public:
    explicit RowCanvas(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RowCanvas)

    struct Target {
        int kind = 0;
        QRect rect;
        bool enabled = true;
        // Plain text.
        QString toolTip;
    };

    [[nodiscard]] int rowCount() const { return int(m_heights.size()); }
    [[nodiscard]] QRect rowRect(int row) const;
    // The row under `y`, or -1 (the spacing between rows belongs to none).
    [[nodiscard]] int rowAt(int y) const;
    // The target of `kind` in `row` as it is now; nothing when the row has none.
    [[nodiscard]] std::optional<Target> target(int row, int kind) const;
    // Every target of `row` as it is now, frontmost first; none for a row out of range.
    [[nodiscard]] std::vector<Target> rowTargets(int row) const;
    // The first and last rows that meet `rect` (-1, -1 when none does).
    [[nodiscard]] std::pair<int, int> rowsIn(const QRect& rect) const;
    // The target the keyboard is on, as (row, kind); (-1, 0) when none.
    [[nodiscard]] std::pair<int, int> keyboardTarget() const { return {m_keyboard.row, m_keyboard.kind}; }
    // The rows the last paint event painted, first and last (-1, -1 when none).
    [[nodiscard]] std::pair<int, int> lastPaintedRows() const { return m_painted; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    // Lays the rows out again with these heights (one per row), in order.
    void setRowHeights(std::vector<int> heights);
    void setRowSpacing(int spacing);
    // The width the canvas asks for; its height is always the rows'.
    void setPreferredWidth(int width);

    virtual void paintRow(QPainter& painter, int row, const QRect& rect) const = 0;
    // Painted under the rows, clipped to `exposed`.
    virtual void paintBackground(QPainter& painter, const QRect& exposed) const;
    // The targets of `row` laid out in `rect`, frontmost first.
    [[nodiscard]] virtual std::vector<Target> targets(int row, const QRect& rect) const;
    // A click released over an enabled target.
    virtual void activate(int row, int kind);
    // The tooltip of `row` at `point` where no target with a tooltip is; plain text.
    [[nodiscard]] virtual QString rowToolTip(int row, const QRect& rect, const QPoint& point) const;

    [[nodiscard]] bool isHovered(int row, int kind) const;
    [[nodiscard]] bool isPressed(int row, int kind) const;
    // Repaints one row.
    void updateRow(int row);

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Spot {
        int row = -1;
        int kind = 0;
        friend bool operator==(const Spot&, const Spot&) = default;
    };
    [[nodiscard]] std::optional<std::pair<Spot, Target>> targetAt(const QPoint& point) const;
    void setHovered(Spot spot);
    // The targets of `row` in reading order (left to right).
    [[nodiscard]] std::vector<Target> orderedTargets(int row) const;
    // The target `step` places after (or before) `from` in reading order, rows without targets skipped.
    [[nodiscard]] Spot stepFrom(Spot from, int step) const;
    void setKeyboardTarget(Spot spot);

    std::vector<int> m_heights;
    std::vector<int> m_tops;
    int m_spacing = 0;
    int m_height = 0;
    int m_preferredWidth = 0;
    Spot m_hovered;
    Spot m_pressed;
    Spot m_keyboard;
    std::pair<int, int> m_painted{-1, -1};
};

} // namespace ambertrove
