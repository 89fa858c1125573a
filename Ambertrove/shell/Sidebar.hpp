#pragma once

#include "model/DiskNode.hpp"

#include <QScrollArea>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

class QLabel;
class QMenu;

class QScrollBar;

namespace ambertrove {

class AppModel;
class DiskLine;
class DiskMeterRing;
class ElidedLabel;
class FileTypeSummary;
class SelectablePath;
class QuickWinRow;
class SectionCaption;
class SidebarLink;
class SidebarRow;
class TroveButton;

// The left column of the main window: the scan group (a scan of the whole disk, Home, a folder of the
// scan, the mounted volumes), the places and recent folders of the scan, the disk meter, the folder in
// view with its quick wins and file types, and the help on access to protected folders.
//
// It owns no application state: every part shows what the controller holds and every control calls one
// controller operation. Each part is brought up to date from the controller's grouped signals and the
// monitor's readings, in place: rows are made again only when what they list changes, and scan progress
// touches only the shown folder while a scan's live preview is shown.
class Sidebar final : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int kWidth = 226;
    static constexpr int kPadding = 16;
    static constexpr int kSectionSpacing = 22;
    static constexpr int kRecentLimit = 3;

    // `home` is the user's home folder; empty for the one the system reports.
    explicit Sidebar(AppModel& model, QWidget* parent = nullptr);
    Sidebar(AppModel& model, std::string home, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Sidebar)

    [[nodiscard]] const std::string& home() const { return m_home; }

    // The parts, for the window and for tests.
    [[nodiscard]] TroveButton* scanButton() const { return m_scanButton; }
    [[nodiscard]] TroveButton* homeButton() const { return m_homeButton; }
    [[nodiscard]] TroveButton* folderButton() const { return m_folderButton; }
    [[nodiscard]] SidebarLink* volumesButton() const { return m_volumesButton; }
    // Filled from the monitor's latest reading each time it opens.
    [[nodiscard]] QMenu* volumesMenu() const { return m_volumesMenu; }
    [[nodiscard]] QWidget* placesSection() const { return m_places; }
    // "Scan root", "Downloads", "Desktop", "Documents".
    [[nodiscard]] SidebarRow* placeRow(int index) const { return m_placeRows.at(std::size_t(index)).row; }
    [[nodiscard]] const std::string& placePath(int index) const {
        return m_placeRows.at(std::size_t(index)).path;
    }
    [[nodiscard]] QWidget* recentSection() const { return m_recent; }
    [[nodiscard]] const std::vector<SidebarLink*>& recentRows() const { return m_recentRows; }
    [[nodiscard]] QWidget* meterSection() const { return m_meter; }
    [[nodiscard]] SectionCaption* meterCaption() const { return m_meterCaption; }
    [[nodiscard]] DiskMeterRing* meterRing() const { return m_ring; }
    [[nodiscard]] QLabel* meterReading() const { return m_meterReading; }
    // "Total", "Used", "Free".
    [[nodiscard]] DiskLine* diskLine(int index) const { return m_diskLines.at(std::size_t(index)); }
    [[nodiscard]] QWidget* currentViewSection() const { return m_currentView; }
    [[nodiscard]] SectionCaption* currentViewCaption() const { return m_currentCaption; }
    [[nodiscard]] ElidedLabel* folderTitle() const { return m_folderTitle; }
    [[nodiscard]] SelectablePath* folderPath() const { return m_folderPath; }
    [[nodiscard]] TroveButton* revealButton() const { return m_revealButton; }
    [[nodiscard]] TroveButton* copyPathButton() const { return m_copyPathButton; }
    [[nodiscard]] QWidget* quickWinsSection() const { return m_quickWins; }
    [[nodiscard]] SectionCaption* quickWinsCaption() const { return m_quickWinsCaption; }
    [[nodiscard]] const std::vector<QuickWinRow*>& quickWinRows() const { return m_quickWinRows; }
    [[nodiscard]] QWidget* fileTypesSection() const { return m_fileTypes; }
    [[nodiscard]] FileTypeSummary* fileTypeSummary() const { return m_fileTypeSummary; }
    [[nodiscard]] SidebarLink* accessHelp() const { return m_accessHelp; }
    // The scroll bar, drawn over the column's right padding so that it takes no width from the column.
    [[nodiscard]] QScrollBar* overlayScrollBar() const { return m_overlayBar; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeOverlayBar();

    struct Place {
        SidebarRow* row = nullptr;
        std::string path;
    };
    // What a quick-win row shows; its rows are made again only when this changes.
    using QuickWinLine = std::tuple<int, std::int64_t, std::int64_t>;

    void buildScanGroup(QWidget* column);
    void buildPlaces(QWidget* column);
    void buildMeter(QWidget* column);
    void buildShownFolder(QWidget* column);

    void refreshScanGroup();
    void refreshPlaces();
    void refreshRecent();
    void refreshMeter();
    void refreshShownFolder();
    void refreshQuickWins();
    void refreshFileTypes();
    void refreshScan();
    void fillVolumesMenu();
    // The folder the shown-folder group is about: the live preview's while scanning, else the focus.
    [[nodiscard]] std::optional<DiskNode> shownFolder() const;

    AppModel& m_model;
    std::string m_home;

    TroveButton* m_scanButton = nullptr;
    TroveButton* m_homeButton = nullptr;
    TroveButton* m_folderButton = nullptr;
    SidebarLink* m_volumesButton = nullptr;
    QMenu* m_volumesMenu = nullptr;

    QWidget* m_places = nullptr;
    std::array<Place, 4> m_placeRows;

    QWidget* m_recent = nullptr;
    std::vector<SidebarLink*> m_recentRows;
    std::vector<std::string> m_recentShown;

    QWidget* m_meter = nullptr;
    SectionCaption* m_meterCaption = nullptr;
    QWidget* m_meterFigures = nullptr;
    QLabel* m_meterReading = nullptr;
    DiskMeterRing* m_ring = nullptr;
    std::array<DiskLine*, 3> m_diskLines{};

    QWidget* m_currentView = nullptr;
    SectionCaption* m_currentCaption = nullptr;
    ElidedLabel* m_folderTitle = nullptr;
    SelectablePath* m_folderPath = nullptr;
    TroveButton* m_revealButton = nullptr;
    TroveButton* m_copyPathButton = nullptr;
    std::optional<DiskNode> m_shownFolder;
    QScrollBar* m_overlayBar = nullptr;

    QWidget* m_quickWins = nullptr;
    SectionCaption* m_quickWinsCaption = nullptr;
    std::vector<QuickWinRow*> m_quickWinRows;
    std::vector<QuickWinLine> m_quickWinLines;

    QWidget* m_fileTypes = nullptr;
    FileTypeSummary* m_fileTypeSummary = nullptr;

    SidebarLink* m_accessHelp = nullptr;
};

} // namespace ambertrove
