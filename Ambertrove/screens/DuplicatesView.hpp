#pragma once

#include "duplicates/DuplicateProgress.hpp"
#include "duplicates/DuplicateReport.hpp"

#include <QList>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace ambertrove {

class AppModel;
class DuplicateGroupCard;
class EmptyPanel;
class MetricTile;
class SearchLocationView;
class SearchProgressCard;
class ToolHeading;
class TroveButton;

// The Duplicates section: where to look (the whole-system scan, a folder of the scan, the current scan)
// and from what size, the progress of a scan the search waits for or of the search itself, and the
// result: three figures, a name filter line with "Add all extras to Cleanup", and one card per group of
// identical files, 30 more at each "Show 30 more groups", with the files that could not be compared. Its
// only state is how many groups it draws; everything else is the controller's.
class DuplicatesView final : public QWidget {
    Q_OBJECT

public:
    enum class State { idle, waitingForScan, comparing, result };
    static constexpr int kPage = 30;

    explicit DuplicatesView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(DuplicatesView)

    [[nodiscard]] static State stateOf(const AppModel& model);
    // The share of the file being read: nothing without a size, else clamped to 0...1.
    [[nodiscard]] static std::optional<double> fileFraction(const DuplicateProgress& progress);
    // "No comparison issues", "1 comparison issue", "3 comparison issues".
    [[nodiscard]] static QString issuesCaption(std::int64_t skipped);
    // The indexes of the report's groups with a file whose name holds `filter` (any letter case), in order.
    [[nodiscard]] static std::vector<std::size_t> visibleGroups(const DuplicateReport& report,
                                                                const QString& filter);

    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] int limit() const { return m_limit; }
    [[nodiscard]] const std::vector<std::size_t>& visibleGroups() const { return m_visible; }
    [[nodiscard]] const QList<DuplicateGroupCard*>& cards() const { return m_cards; }

    [[nodiscard]] ToolHeading* heading() const { return m_heading; }
    [[nodiscard]] QComboBox* sizePicker() const { return m_sizePicker; }
    [[nodiscard]] TroveButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] QWidget* sourceButtons() const { return m_sources; }
    [[nodiscard]] TroveButton* entireMacButton() const { return m_entireMac; }
    [[nodiscard]] TroveButton* chooseFolderButton() const { return m_chooseFolder; }
    [[nodiscard]] TroveButton* currentScanButton() const { return m_currentScan; }
    [[nodiscard]] SearchLocationView* locationView() const { return m_location; }
    [[nodiscard]] EmptyPanel* idlePanel() const { return m_idle; }
    [[nodiscard]] SearchProgressCard* scanCard() const { return m_scanCard; }
    [[nodiscard]] SearchProgressCard* comparisonCard() const { return m_compareCard; }
    [[nodiscard]] QWidget* resultPanel() const { return m_result; }
    [[nodiscard]] const QList<MetricTile*>& tiles() const { return m_tiles; }
    [[nodiscard]] QWidget* filterRow() const { return m_filterRow; }
    [[nodiscard]] QLabel* filterLine() const { return m_filterLine; }
    [[nodiscard]] TroveButton* addAllButton() const { return m_addAll; }
    [[nodiscard]] EmptyPanel* noDuplicatesPanel() const { return m_noDuplicates; }
    [[nodiscard]] QWidget* noMatchPanel() const { return m_noMatch; }
    [[nodiscard]] TroveButton* clearSearchButton() const { return m_clearSearch; }
    [[nodiscard]] TroveButton* showMoreButton() const { return m_showMore; }
    [[nodiscard]] QAbstractButton* detailsToggle() const { return m_detailsToggle; }
    [[nodiscard]] QLabel* detailsText() const { return m_details; }
    [[nodiscard]] QScrollArea* scrollArea() const { return m_scroll; }

private:
    QWidget* buildControls();
    QWidget* buildSources();
    QWidget* buildResult(QWidget* parent);
    void refresh();
    void refreshControls();
    void refreshProgress();
    void refreshResult();
    void refreshCards();
    void showMore();

    AppModel& m_model;
    State m_state = State::idle;
    int m_limit = kPage;

    ToolHeading* m_heading = nullptr;
    QComboBox* m_sizePicker = nullptr;
    TroveButton* m_cancel = nullptr;
    QWidget* m_sources = nullptr;
    TroveButton* m_entireMac = nullptr;
    TroveButton* m_chooseFolder = nullptr;
    TroveButton* m_currentScan = nullptr;
    SearchLocationView* m_location = nullptr;
    QScrollArea* m_scroll = nullptr;
    EmptyPanel* m_idle = nullptr;
    QWidget* m_scanFrame = nullptr;
    SearchProgressCard* m_scanCard = nullptr;
    QWidget* m_compareFrame = nullptr;
    SearchProgressCard* m_compareCard = nullptr;
    QWidget* m_result = nullptr;
    QList<MetricTile*> m_tiles;
    QWidget* m_filterRow = nullptr;
    QLabel* m_filterLine = nullptr;
    TroveButton* m_addAll = nullptr;
    EmptyPanel* m_noDuplicates = nullptr;
    QWidget* m_noMatch = nullptr;
    TroveButton* m_clearSearch = nullptr;
    QVBoxLayout* m_cardsLayout = nullptr;
    QWidget* m_cardsBox = nullptr;
    TroveButton* m_showMore = nullptr;
    QAbstractButton* m_detailsToggle = nullptr;
    QLabel* m_details = nullptr;

    // What the result shows: the report, the filter it was filtered by and the groups that pass.
    std::shared_ptr<const DuplicateReport> m_report;
    QString m_filter;
    std::vector<std::size_t> m_visible;
    QList<DuplicateGroupCard*> m_cards;
};

} // namespace ambertrove
