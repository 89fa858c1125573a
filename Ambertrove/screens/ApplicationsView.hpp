#pragma once

#include "applications/ApplicationReport.hpp"

#include <QWidget>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;

namespace ambertrove {

class AppModel;
class FilterField;
class PlainButton;
class RowListView;
class RowModel;
class TroveButton;

// The Applications section: the installed applications the controller's inventory found, with their
// footprints, a search box (the window's name filter), options to hide the applications under "/System/"
// and to show the leftovers of removed applications, and the refresh and cancel of the inventory. The
// right-hand pane shows the chosen application, the leftovers, or an invitation to choose. The two
// options belong to the screen and start afresh each time it is built; the rest is the controller's.
class ApplicationsView final : public QWidget {
    Q_OBJECT

public:
    // What the left pane shows, and what the right pane shows.
    enum class Body { progress, list, rescan };
    enum class Pane { leftovers, detail, choose };

    static constexpr int kListWidth = 270;

    // Showing the screen without a result or a running inventory starts one.
    explicit ApplicationsView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ApplicationsView)

    // The applications of `report` that are listed, in the report's order: those under "/System/" only
    // with `showSystem`, and those whose name contains `filter` (case-insensitively; all of them for an
    // empty filter).
    [[nodiscard]] static std::vector<std::size_t> visibleApps(const ApplicationReport& report,
                                                              const QString& filter, bool showSystem);
    // "1 access note", "14 access notes".
    [[nodiscard]] static QString issuesText(std::size_t count);
    // The first 15 issues, one a line.
    [[nodiscard]] static QString issuesToolTip(const std::vector<std::string>& issues);

    [[nodiscard]] bool showSystem() const { return m_showSystem; }
    void setShowSystem(bool on);
    [[nodiscard]] bool showOrphans() const { return m_showOrphans; }
    void setShowOrphans(bool on);

    [[nodiscard]] Body body() const;
    [[nodiscard]] Pane pane() const { return m_paneKind; }
    [[nodiscard]] QWidget* paneWidget() const { return m_pane; }
    [[nodiscard]] const std::vector<std::size_t>& rows() const { return m_rows; }

    [[nodiscard]] FilterField* searchBox() const { return m_search; }
    [[nodiscard]] PlainButton* optionsButton() const { return m_options; }
    [[nodiscard]] QMenu* optionsMenu() const { return m_menu; }
    [[nodiscard]] QAction* systemAction() const { return m_systemAction; }
    [[nodiscard]] QAction* orphansAction() const { return m_orphansAction; }
    [[nodiscard]] PlainButton* refreshButton() const { return m_refresh; }
    [[nodiscard]] PlainButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] TroveButton* rescanButton() const { return m_rescan; }
    [[nodiscard]] QLabel* progressLabel() const { return m_progress; }
    [[nodiscard]] QLabel* countLabel() const { return m_count; }
    [[nodiscard]] RowListView* list() const { return m_list; }
    [[nodiscard]] QWidget* noMatchBlock() const { return m_noMatch; }
    [[nodiscard]] TroveButton* clearSearchButton() const { return m_clearSearch; }
    [[nodiscard]] QLabel* issuesLabel() const { return m_issues; }

private:
    void refresh();
    void refreshList();
    void refreshPane();
    void choose(int row);
    [[nodiscard]] const InstalledApplication* selectedApplication() const;

    AppModel& m_model;
    bool m_showOrphans = false;
    bool m_showSystem = true;

    std::shared_ptr<const ApplicationReport> m_report; // the report the list shows
    std::vector<std::size_t> m_rows;

    FilterField* m_search = nullptr;
    PlainButton* m_options = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_systemAction = nullptr;
    QAction* m_orphansAction = nullptr;
    PlainButton* m_refresh = nullptr;
    PlainButton* m_cancel = nullptr;
    QStackedWidget* m_body = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_count = nullptr;
    QStackedWidget* m_listPages = nullptr;
    RowListView* m_list = nullptr;
    RowModel* m_listModel = nullptr;
    QWidget* m_noMatch = nullptr;
    TroveButton* m_clearSearch = nullptr;
    QLabel* m_issues = nullptr;
    TroveButton* m_rescan = nullptr;

    // The right-hand pane and what it was built for; it is built again only when that changes.
    QWidget* m_paneHolder = nullptr;
    QWidget* m_pane = nullptr;
    Pane m_paneKind = Pane::choose;
    struct PaneKey {
        Pane kind = Pane::choose;
        const ApplicationReport* report = nullptr;
        const InstalledApplication* app = nullptr;
        friend bool operator==(const PaneKey&, const PaneKey&) = default;
    };
    std::optional<PaneKey> m_paneKey;
};

} // namespace ambertrove
