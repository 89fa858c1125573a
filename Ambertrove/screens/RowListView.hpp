#pragma once

#include "screens/RowButton.hpp"

#include <QListView>

#include <optional>
#include <utility>

namespace ambertrove {

class RowDelegate;

// A list of painted rows (a model with a RowDelegate), with buttons inside the rows. Either it scrolls
// by itself, or it fits its content: as tall as all its rows, no scroll bars, wheel events left to the
// scroll area around it. The pointer's position is kept for hover; a press and release on one enabled
// button reports it (and does not select the row); a click elsewhere on a row is QListView's clicked().
class RowListView final : public QListView {
    Q_OBJECT

public:
    explicit RowListView(bool fitsContent, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RowListView)

    // Follows the model's rows (a list that fits its content changes its height with them).
    void setModel(QAbstractItemModel* model) override;
    void setRowDelegate(RowDelegate* delegate);
    [[nodiscard]] RowDelegate* rowDelegate() const { return m_delegate; }
    [[nodiscard]] bool fitsContent() const { return m_fits; }

    // The rectangle (viewport coordinates) of the button of `action` in `row`, when the row has it.
    [[nodiscard]] std::optional<RowButton> button(int row, int action) const;
    // The row and the button under `position` (viewport coordinates).
    [[nodiscard]] std::optional<std::pair<QModelIndex, RowButton>> buttonAt(const QPoint& position) const;
    [[nodiscard]] std::optional<QPoint> hoverPosition() const { return m_hover; }
    // Whether the button of `action` in the row of `index` is held down by the pointer.
    [[nodiscard]] bool isPressed(const QModelIndex& index, int action) const;
    // The content's height: every row with its gap, but for the gap below the last row.
    [[nodiscard]] int contentHeight() const;
    // A list that fits its content never scrolls itself: the scroll area around it does.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    // `anchor` is the button's rectangle in global coordinates (a menu opens below it).
    void buttonClicked(int row, int action, const QRect& anchor);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Takes the height of the content again (a list that fits its content).
    void fitHeight();
    void setHover(std::optional<QPoint> position);

    bool m_fits;
    RowDelegate* m_delegate = nullptr;
    std::optional<QPoint> m_hover;
    QPersistentModelIndex m_pressedRow;
    std::optional<int> m_pressedAction;
};

} // namespace ambertrove
