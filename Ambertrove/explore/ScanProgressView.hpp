#pragma once

#include "scan/ScanProgress.hpp"

#include <QWidget>

#include <cstddef>
#include <functional>
#include <vector>

class QLabel;
class QStackedWidget;

namespace ambertrove {

class AppModel;
class ElidedLabel;
class EmptyPanel;
class GraphView;
class ExplorationToolbar;
class FolderNavigationBar;
class LiveFolderGrid;
class TroveButton;

// What the Explore section shows while a scan runs: the scanned location, running counters, "Cancel scan",
// the exploration toolbar and the navigation bar, the cards of the folder the user browses during the
// scan, and a status row with the path being scanned. Progress reports update it in place; clicking a folder
// card browses into it while the scan goes on.
class ScanProgressView final : public QWidget {
    Q_OBJECT

public:
    // The live content, in the order it is decided.
    enum class Content { discovering, opening, chart, cards };

    explicit ScanProgressView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ScanProgressView)

    // The children of `folder` that `keep` accepts, largest displayed size first, equal sizes by path.
    [[nodiscard]] static std::vector<std::size_t> cardOrder(const ScanFolderPreview& folder, bool logical,
                                                            const std::function<bool(const DiskNode&)>& keep);

    [[nodiscard]] Content content() const { return m_content; }
    [[nodiscard]] QString titleText() const;
    [[nodiscard]] QString filesText() const;
    [[nodiscard]] QString foldersText() const;
    [[nodiscard]] QString bytesText() const;
    [[nodiscard]] QString captionText() const;
    [[nodiscard]] QString pathText() const;
    [[nodiscard]] TroveButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] LiveFolderGrid* grid() const { return m_grid; }
    // The live chart, shown while a chart is chosen and the browsed folder has one.
    [[nodiscard]] GraphView* chart() const { return m_chart; }
    [[nodiscard]] ExplorationToolbar* toolbar() const { return m_toolbar; }
    [[nodiscard]] FolderNavigationBar* navigationBar() const { return m_navigation; }
    // The panel over the cards while none is listed; hidden otherwise.
    [[nodiscard]] EmptyPanel* emptyCards() const { return m_emptyCards; }

private:
    void refreshTitle();
    void refreshProgress();
    void refreshContent();
    void activate(const DiskNode& node);

    AppModel& m_model;
    Content m_content = Content::discovering;
    QLabel* m_title = nullptr;
    TroveButton* m_cancel = nullptr;
    QLabel* m_files = nullptr;
    QLabel* m_folders = nullptr;
    QLabel* m_bytes = nullptr;
    ExplorationToolbar* m_toolbar = nullptr;
    FolderNavigationBar* m_navigation = nullptr;
    QStackedWidget* m_pages = nullptr;
    LiveFolderGrid* m_grid = nullptr;
    GraphView* m_chart = nullptr;
    EmptyPanel* m_emptyCards = nullptr;
    QLabel* m_caption = nullptr;
    ElidedLabel* m_path = nullptr;
};

} // namespace ambertrove
