#pragma once

#include "applications/ApplicationReport.hpp"
#include "base/Date.hpp"

#include <QScrollArea>

#include <cstdint>
#include <memory>

class QLabel;

namespace ambertrove {

class AppModel;
class FootprintBar;
class RowListView;
class RowModel;
class UninstallButton;
class VersionChip;

// The Applications screen's pane for one application: its picture, name, version and identifier, the
// complete uninstall, the footprint (bundle against support files), the associated Library files and a
// warning when the bundle could not be measured whole. It changes nothing itself: the uninstall goes to
// the controller's review, and a file's button reveals it.
class ApplicationDetail final : public QScrollArea {
    Q_OBJECT

public:
    // `app` belongs to `report`, which the pane keeps while it lives.
    ApplicationDetail(AppModel& model, std::shared_ptr<const ApplicationReport> report,
                      const InstalledApplication& app, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ApplicationDetail)

    // The bundle's allocated size (0 when its scan has no root).
    [[nodiscard]] static std::int64_t bundleBytes(const InstalledApplication& app);
    // The allocated size of every support item, shared ones included.
    [[nodiscard]] static std::int64_t supportBytes(const InstalledApplication& app);
    // "Used " and how long ago `lastUsed` was from `now` ("Used 3 days ago", "Used in 2 hours").
    [[nodiscard]] static QString usedText(Date lastUsed, Date now);
    // The warning of a bundle measured with `skipped` paths unread.
    [[nodiscard]] static QString incompleteText(std::int64_t skipped);

    [[nodiscard]] const InstalledApplication& application() const { return m_app; }
    [[nodiscard]] UninstallButton* uninstallButton() const { return m_uninstall; }
    [[nodiscard]] VersionChip* chip() const { return m_chip; }
    [[nodiscard]] FootprintBar* footprintBar() const { return m_bar; }
    [[nodiscard]] RowListView* fileList() const { return m_files; }
    // Null when the bundle was measured whole.
    [[nodiscard]] QLabel* warning() const { return m_warning; }
    [[nodiscard]] QLabel* noFilesLabel() const { return m_noFiles; }

private:
    // The uninstall is offered unless a cleanup runs, items are being staged, or the cleanup policy
    // objects to the bundle (until its answer arrives, too).
    void refreshUninstall();

    AppModel& m_model;
    std::shared_ptr<const ApplicationReport> m_report;
    const InstalledApplication& m_app;
    UninstallButton* m_uninstall = nullptr;
    VersionChip* m_chip = nullptr;
    FootprintBar* m_bar = nullptr;
    RowListView* m_files = nullptr;
    RowModel* m_fileRows = nullptr;
    QLabel* m_warning = nullptr;
    QLabel* m_noFiles = nullptr;
};

} // namespace ambertrove
