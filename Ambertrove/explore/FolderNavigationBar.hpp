#pragma once

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QAbstractButton;

namespace ambertrove {

class AppModel;
struct ScanResult;
class ScrollingRow;
class TroveButton;

// The bar that moves between folders: Back, Forward and Up (with their shortcuts), a rule, and the trail
// of the displayed folder, root first, each crumb focusing its folder. It follows the finished scan, or
// while a scan runs the folder browsed in its live preview. The trail scrolls to keep its end in view.
class FolderNavigationBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 32;
    static constexpr int kSpacing = 8;
    static constexpr int kCrumbSpacing = 6;
    static constexpr int kCrumbMaximum = 220;

    explicit FolderNavigationBar(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FolderNavigationBar)

    [[nodiscard]] TroveButton* backButton() const { return m_back; }
    [[nodiscard]] TroveButton* forwardButton() const { return m_forward; }
    [[nodiscard]] TroveButton* upButton() const { return m_up; }
    // The crumbs in trail order; a crumb's accessible name is its title.
    [[nodiscard]] const std::vector<QAbstractButton*>& crumbs() const { return m_crumbs; }
    [[nodiscard]] std::vector<std::string> crumbPaths() const { return m_paths; }
    // Whether a crumb is drawn in semibold (the displayed folder), and the text it shows now.
    [[nodiscard]] static bool isCurrent(const QAbstractButton* crumb);
    [[nodiscard]] static QString shownText(const QAbstractButton* crumb);
    [[nodiscard]] ScrollingRow* trail() const { return m_trail; }

private:
    void refresh();
    void rebuildCrumbs();

    AppModel& m_model;
    TroveButton* m_back = nullptr;
    TroveButton* m_forward = nullptr;
    TroveButton* m_up = nullptr;
    ScrollingRow* m_trail = nullptr;
    std::vector<QAbstractButton*> m_crumbs;
    std::vector<std::string> m_paths;
    std::optional<std::string> m_current;
    // What the trail of the finished scan was made for: the crumbs are made again only when it changes.
    const ScanResult* m_trailScan = nullptr;
    bool m_trailLive = false;
};

} // namespace ambertrove
