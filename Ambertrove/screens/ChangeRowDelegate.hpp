#pragma once

#include "screens/RowDelegate.hpp"

#include <functional>

namespace ambertrove {

struct SnapshotChange;

// A row of a comparison's changes: the path's name over the whole path, the change's status, its sizes
// before and after, and the signed difference (amber for growth), with a divider below.
class ChangeRowDelegate final : public RowDelegate {
    Q_OBJECT

public:
    using Change = std::function<const SnapshotChange*(int row)>;

    static constexpr int kStatusWidth = 55;
    static constexpr int kSizesWidth = 160;
    static constexpr int kDeltaWidth = 95;

    ChangeRowDelegate(RowListView* view, Change change);

    // "+" and the growth, or "−" (U+2212) and the shrinkage.
    [[nodiscard]] static QString deltaText(const SnapshotChange& change);
    // Before " → " after.
    [[nodiscard]] static QString sizesText(const SnapshotChange& change);

    [[nodiscard]] int rowHeight(const QModelIndex& index, int width) const override;

protected:
    void paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                  bool hovered) const override;

private:
    Change m_change;
};

} // namespace ambertrove
