#pragma once

#include "analysis/QuickWin.hpp"
#include "controller/StorageView.hpp"

#include <QWidget>

#include <optional>

class QLabel;
class QVBoxLayout;

namespace ambertrove {

class AppModel;
class ElidedLabel;
class ExplorationToolbar;
class FolderNavigationBar;
class ScanProgressView;
class TroveButton;
class WelcomeView;

// The Explore section: the live scan screen while a scan runs, the welcome screen while no scan is
// loaded, else the explorer of the focused folder (its header with the navigation bar, title and figures
// and the exploration toolbar, a rule and the body). A screen is built when the choice changes; the
// explorer's header follows the focus in place.
class ExploreView final : public QWidget {
    Q_OBJECT

public:
    enum class Screen { progress, welcome, explorer };

    explicit ExploreView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ExploreView)

    [[nodiscard]] Screen screen() const { return m_screen; }
    // The screen's widget, whichever it is.
    [[nodiscard]] QWidget* current() const { return m_current; }
    [[nodiscard]] ScanProgressView* progressView() const;
    [[nodiscard]] WelcomeView* welcomeView() const;

    // The explorer header's texts (empty on the other screens).
    [[nodiscard]] QString titleText() const;
    [[nodiscard]] QString sizeText() const;
    [[nodiscard]] QString countsText() const;
    [[nodiscard]] TroveButton* rescanButton() const { return m_rescan; }
    [[nodiscard]] TroveButton* revealButton() const { return m_reveal; }
    [[nodiscard]] FolderNavigationBar* navigationBar() const { return m_navigation; }
    [[nodiscard]] ExplorationToolbar* toolbar() const { return m_toolbar; }
    // The explorer's body: the quick win's list or the storage view (a StorageBody once it is built).
    [[nodiscard]] QWidget* body() const { return m_body; }

private:
    [[nodiscard]] Screen chosenScreen() const;
    void refresh();
    void build();
    void buildExplorer(QVBoxLayout* layout);
    void refreshHeader();
    void refreshBody();
    [[nodiscard]] QWidget* makeQuickWinBody(const QuickWin& win);
    [[nodiscard]] QWidget* makeStorageBody(StorageView view);

    AppModel& m_model;
    std::optional<Screen> m_screenBuilt;
    Screen m_screen = Screen::welcome;
    QWidget* m_current = nullptr;
    ElidedLabel* m_title = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_counts = nullptr;
    TroveButton* m_rescan = nullptr;
    TroveButton* m_reveal = nullptr;
    FolderNavigationBar* m_navigation = nullptr;
    ExplorationToolbar* m_toolbar = nullptr;
    QVBoxLayout* m_bodyHolder = nullptr;
    QWidget* m_body = nullptr;
    QString m_bodyKey;
};

} // namespace ambertrove
