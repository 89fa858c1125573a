#pragma once

#include "controller/StorageView.hpp"

#include <QWidget>

#include <vector>

class QAbstractButton;
class QAction;
class QLabel;
class QMenu;
class QSlider;

namespace ambertrove {

class ActiveFiltersBar;
class AppModel;
class PlainButton;
class SegmentedChoices;

// The controls that decide how the Explore section shows the focused folder: one capsule per storage
// view, the colour choices and the depth slider of the charts, and the filter menu, with the chips of
// the active filters underneath. Everything it shows or changes is the controller's. The capsules and the
// controls share one row when they fit, else the controls go under the capsules.
class ExplorationToolbar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRowSpacing = 13;
    static constexpr int kMinimumGap = 8;
    static constexpr int kColumnSpacing = 10;
    static constexpr int kFiltersSpacing = 8;
    static constexpr int kColorWidth = 205;
    static constexpr int kSliderWidth = 65;

    explicit ExplorationToolbar(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ExplorationToolbar)

    // The capsule of each storage view, in the views' order.
    [[nodiscard]] QAbstractButton* capsule(StorageView view) const;
    [[nodiscard]] bool isCapsuleSelected(StorageView view) const;
    [[nodiscard]] SegmentedChoices* colorChoices() const { return m_colors; }
    [[nodiscard]] QSlider* depthSlider() const { return m_depth; }
    [[nodiscard]] QLabel* depthValue() const { return m_depthValue; }
    [[nodiscard]] PlainButton* filterButton() const { return m_filterButton; }
    // The filter menu, kept up to date whether it is open or not.
    [[nodiscard]] QMenu* filterMenu() const { return m_filterMenu; }
    [[nodiscard]] ActiveFiltersBar* filtersBar() const { return m_filters; }
    [[nodiscard]] QWidget* selector() const { return m_selector; }
    [[nodiscard]] QWidget* controls() const { return m_controls; }

    // The narrowest width at which the capsules and the controls share one row.
    [[nodiscard]] int oneRowWidth() const;
    [[nodiscard]] bool isOneRow() const { return width() >= oneRowWidth(); }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void refresh();
    void placeChildren();
    // Where the selector, the controls and the filters bar go at `width`.
    struct Arrangement {
        QRect selector;
        QRect controls;
        QRect filters;
        int height = 0;
    };
    [[nodiscard]] Arrangement arrangement(int width) const;
    // The depth slider and the labels item apply: a chart without a quick win.
    [[nodiscard]] bool hasDepth() const;

    AppModel& m_model;
    QWidget* m_selector = nullptr;
    std::vector<QAbstractButton*> m_capsules;
    QWidget* m_controls = nullptr;
    SegmentedChoices* m_colors = nullptr;
    QSlider* m_depth = nullptr;
    QLabel* m_depthValue = nullptr;
    PlainButton* m_filterButton = nullptr;
    QMenu* m_filterMenu = nullptr;
    QAction* m_labelsItem = nullptr;
    QAction* m_hiddenItem = nullptr;
    std::vector<QAction*> m_sizeItems;
    std::vector<QAction*> m_typeItems;
    std::vector<QAction*> m_ageItems;
    QAction* m_clearItem = nullptr;
    ActiveFiltersBar* m_filters = nullptr;
};

} // namespace ambertrove
