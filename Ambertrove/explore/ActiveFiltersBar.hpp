#pragma once

#include "controller/ActiveExplorerFilter.hpp"

#include <QWidget>

#include <vector>

class QAbstractButton;

namespace ambertrove {

class AppModel;
class PlainButton;
class ScrollingRow;

// The removable chips of the active explorer filters, in the controller's fixed order, and "Clear all".
// A chip removes its filter. The chips scroll sideways when they do not fit, "Clear all" stays in view.
// Without an active filter the bar is hidden and takes no space.
class ActiveFiltersBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 29;
    static constexpr int kSpacing = 10;
    static constexpr int kChipSpacing = 6;
    static constexpr int kChipMaximum = 260;

    explicit ActiveFiltersBar(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ActiveFiltersBar)

    // The chips shown, in order, and the filters they stand for.
    [[nodiscard]] const std::vector<QAbstractButton*>& chips() const { return m_chips; }
    [[nodiscard]] const std::vector<ActiveExplorerFilter>& shownFilters() const { return m_shown; }
    [[nodiscard]] PlainButton* clearAllButton() const { return m_clear; }

private:
    void refresh();

    AppModel& m_model;
    ScrollingRow* m_chipRow = nullptr;
    PlainButton* m_clear = nullptr;
    std::vector<ActiveExplorerFilter> m_shown;
    std::vector<QAbstractButton*> m_chips;
};

} // namespace ambertrove
