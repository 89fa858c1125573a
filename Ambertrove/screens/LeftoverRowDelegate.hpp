#pragma once

#include "screens/RowDelegate.hpp"

#include <functional>

namespace ambertrove {

struct OrphanCandidate;

// A row of the leftovers of removed applications: the bundle identifier the item is named by (wrapped as
// needed) over its path (one line), its size and "Add to Cleanup".
class LeftoverRowDelegate final : public RowDelegate {
    Q_OBJECT

public:
    enum Action { addToCleanup = 1 };
    using Candidate = std::function<const OrphanCandidate*(int row)>;
    using Enabled = std::function<bool()>;

    LeftoverRowDelegate(RowListView* view, Candidate candidate, Enabled enabled);

    [[nodiscard]] std::vector<RowButton> buttons(const QRect& rect, const QModelIndex& index) const override;
    [[nodiscard]] int rowHeight(const QModelIndex& index, int width) const override;

protected:
    void paintRow(QPainter& painter, const QRect& rect, const QModelIndex& index,
                  bool hovered) const override;

private:
    // The width left to the identifier and the path in a row `width` wide.
    [[nodiscard]] int textWidth(const OrphanCandidate& candidate, int width) const;

    Candidate m_candidate;
    Enabled m_enabled;
};

} // namespace ambertrove
