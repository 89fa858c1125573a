#pragma once

#include "controller/AppSection.hpp"

#include <QWidget>

#include <vector>

class QHBoxLayout;
class QMenu;
class QToolButton;

namespace ambertrove {

class AppModel;
class FilterField;
class SectionTab;
class TroveButton;

// The strip above the window's content: one tab per section, and on the right the filter field (Explore
// and Duplicates), the Explore controls (labels and size mode), the theme menu and the inspector button.
// Every control sets one controller field.
class TopBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 58;
    // The bar width from which every tab shows its title.
    static constexpr int kAllTitlesFrom = 1320;

    explicit TopBar(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(TopBar)

    [[nodiscard]] SectionTab* tab(AppSection section) const;
    [[nodiscard]] FilterField* filterField() const { return m_filter; }
    [[nodiscard]] TroveButton* labelsButton() const { return m_labels; }
    [[nodiscard]] TroveButton* sizeModeButton() const { return m_sizeMode; }
    [[nodiscard]] QToolButton* themeButton() const { return m_theme; }
    [[nodiscard]] QMenu* themeMenu() const { return m_themeMenu; }
    [[nodiscard]] TroveButton* inspectorButton() const { return m_inspector; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void updateWidths();
    void buildThemeMenu();

    AppModel& m_model;
    std::vector<SectionTab*> m_tabs;
    FilterField* m_filter = nullptr;
    TroveButton* m_labels = nullptr;
    TroveButton* m_sizeMode = nullptr;
    QToolButton* m_theme = nullptr;
    QMenu* m_themeMenu = nullptr;
    TroveButton* m_inspector = nullptr;
};

} // namespace ambertrove
