#pragma once

#include "screens/CleanupEntryRow.hpp"
#include "widgets/RowCanvas.hpp"

#include <vector>

namespace ambertrove {

class AppModel;

// The cleanup queue as one painted list on a rounded surface: per entry an icon, the item's name and path,
// the policy's objection or the note of a kept duplicate copy, its size and a remove button, with a rule
// between rows. The policy's answers are asked for the rows in view and around them whenever the queue,
// the controller or the view changes, never while painting; an answer that arrives repaints its row.
class CleanupQueueList final : public RowCanvas {
    Q_OBJECT

public:
    enum TargetKind { removeTarget = 1 };

    static constexpr int kPadding = 16;
    static constexpr int kSpacing = 14;
    static constexpr int kSymbolSize = 20;
    static constexpr int kSymbolFrame = 24;
    static constexpr int kTextSpacing = 5;
    static constexpr int kMinimumGap = 12;
    static constexpr int kSizeWidth = 90;
    static constexpr int kRemoveWidth = 24;
    static constexpr int kRemoveHeight = 28;
    static constexpr int kRemoveSymbol = 10;
    static constexpr int kDividerInset = 52;
    static constexpr double kCornerRadius = 10;
    // Rows asked about beyond those in view, on each side.
    static constexpr int kAskMargin = 40;

    explicit CleanupQueueList(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CleanupQueueList)

    // Takes the queue and the busy flags again, then the policy's answers.
    void refresh();
    // Asks the policy about the rows in view and around them, and shows the answers already known.
    void refreshAnswers();

    [[nodiscard]] const std::vector<CleanupEntryRow>& rows() const { return m_rows; }
    [[nodiscard]] bool canRemove() const { return m_removable; }

    // Where the parts of a row lie in its rectangle.
    struct Layout {
        QRect symbol;
        QRect name;
        QRect path;
        QRect note;
        QRect size;
        QRect remove;
    };
    [[nodiscard]] Layout layoutOf(int row, const QRect& rect) const;

protected:
    void paintRow(QPainter& painter, int row, const QRect& rect) const override;
    void paintBackground(QPainter& painter, const QRect& exposed) const override;
    [[nodiscard]] std::vector<Target> targets(int row, const QRect& rect) const override;
    void activate(int row, int kind) override;
    [[nodiscard]] QString rowToolTip(int row, const QRect& rect, const QPoint& point) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    [[nodiscard]] int textHeight(const CleanupEntryRow& row) const;
    void relayout();

    AppModel& m_model;
    std::vector<CleanupEntryRow> m_rows;
    bool m_removable = false;
};

} // namespace ambertrove
