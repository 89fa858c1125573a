#pragma once

#include "analysis/AgeRange.hpp"
#include "analysis/AgeSummary.hpp"
#include "analysis/ModificationMonth.hpp"
#include "controller/ExplorerQueryKey.hpp"
#include "controller/KeyedQuery.hpp"
#include "explore/StorageBody.hpp"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

class QGraphicsOpacityEffect;
class QLabel;
class QScrollArea;
class QStackedLayout;

namespace ambertrove {

class AgeBars;
class AgeFileList;
class AppModel;
class Card;
class MonthHeatmap;
class PlainButton;
class QueryProgress;
class SectionCaption;
class TroveButton;

// The Age Map storage view: how old the bytes below the focused folder are (the files the explorer's
// filter passes), by age range and by month of last modification, and the files of a chosen range or
// month, or with nothing chosen the big files nobody touched for a year, to stage for cleanup.
//
// Two background queries: the summary, keyed by the explorer's key (a new key clears the chosen range or
// month), and the listing, keyed by the summary it filters and the choice. Until a new result lands the
// previous one stays: the bars and months cannot be clicked while the summary is not current, and the
// list is dimmed and disabled while it is not ready.
class AgeMapView final : public QWidget, public StorageBody {
    Q_OBJECT

public:
    // What a listing is computed from: the summary (its query and the revision it was stored under) and
    // the choice.
    struct ListingKey {
        ExplorerQueryKey query;
        std::uint64_t revision = 0;
        std::optional<AgeRange> range;
        std::optional<ModificationMonth> month;

        friend bool operator==(const ListingKey&, const ListingKey&) = default;
    };

    static constexpr int kPage = 40;
    static constexpr int kMargin = 22;
    static constexpr int kSpacing = 16;
    static constexpr double kMinimumLeft = 300;
    static constexpr const char* kStageReason = "Age Map";

    explicit AgeMapView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(AgeMapView)
    ~AgeMapView() override;

    // The left column's width in a view `width` wide: 0.56 of what the margins and the gap leave, at
    // least 300.
    [[nodiscard]] static double leftWidth(double width);

    [[nodiscard]] bool showsCurrentResult() const override;
    // The summary shown is the one of the current key.
    [[nodiscard]] bool summaryIsCurrent() const;
    // The list shows the listing of the current summary and choice.
    [[nodiscard]] bool listIsReady() const;
    // No summary has arrived yet.
    [[nodiscard]] bool isPreparing() const;

    [[nodiscard]] std::optional<AgeRange> selectedRange() const { return m_range; }
    [[nodiscard]] std::optional<ModificationMonth> selectedMonth() const { return m_month; }
    // A tap on a bar or a month cell: chooses it, or clears it when it was chosen; clears the other kind.
    void tapRange(AgeRange range);
    void tapMonth(const ModificationMonth& month);
    void clearSelection();
    [[nodiscard]] int limit() const { return m_limit; }
    void showMore();

    [[nodiscard]] const AgeSummary* summary() const;
    [[nodiscard]] const AgeListing* listing() const;
    // The paths of the listing's files.
    [[nodiscard]] std::vector<std::string> listedPaths() const;

    [[nodiscard]] AgeBars* bars() const { return m_bars; }
    [[nodiscard]] MonthHeatmap* heatmap() const { return m_heatmap; }
    [[nodiscard]] AgeFileList* list() const { return m_list; }
    [[nodiscard]] QWidget* leftColumn() const;
    [[nodiscard]] Card* listCard() const { return m_listCard; }
    [[nodiscard]] SectionCaption* barsCaption() const { return m_barsCaption; }
    [[nodiscard]] SectionCaption* listCaption() const { return m_listCaption; }
    [[nodiscard]] QLabel* totalsLabel() const { return m_totals; }
    [[nodiscard]] PlainButton* clearButton() const { return m_clear; }
    [[nodiscard]] TroveButton* addAllButton() const { return m_addAll; }
    [[nodiscard]] QWidget* stagingRow() const { return m_stagingRow; }
    [[nodiscard]] TroveButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] QLabel* historicalNote() const { return m_historical; }
    [[nodiscard]] QueryProgress* progress() const { return m_progress; }
    // The list card is drawn at half opacity.
    [[nodiscard]] bool isListDimmed() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // A result with the scan its files are nodes of, which may be an earlier one than the model's.
    template <typename T> struct OfScan {
        ScanResultPtr scan;
        T value;
    };
    using Summary = std::shared_ptr<const OfScan<AgeSummary>>;
    using Listing = std::shared_ptr<const OfScan<AgeListing>>;

    [[nodiscard]] ListingKey listingKey() const;
    void buildLeft(QWidget* page);
    void buildList(QWidget* page);
    void refresh();
    void summaryChanged();
    void listingChanged();
    void requestListing();
    void showChoice();
    void showList();
    void updateState();
    void placeProgress();
    void stageAll();
    // Lets go of a result of a query off the GUI thread.
    void release(std::shared_ptr<const void> result);

    AppModel& m_model;
    KeyedQuery<ExplorerQueryKey, Summary> m_summary;
    KeyedQuery<ListingKey, Listing> m_listing;
    // The summary key asked for last: a new one clears the choice.
    std::optional<ExplorerQueryKey> m_asked;
    Summary m_shownSummary;
    Listing m_shownListing;
    std::uint64_t m_revision = 0;
    std::optional<AgeRange> m_range;
    std::optional<ModificationMonth> m_month;
    int m_limit = kPage;
    std::stop_source m_stageStop;

    QStackedLayout* m_pages = nullptr;
    QScrollArea* m_left = nullptr;
    SectionCaption* m_barsCaption = nullptr;
    AgeBars* m_bars = nullptr;
    MonthHeatmap* m_heatmap = nullptr;
    Card* m_listCard = nullptr;
    QGraphicsOpacityEffect* m_dim = nullptr;
    SectionCaption* m_listCaption = nullptr;
    QLabel* m_totals = nullptr;
    PlainButton* m_clear = nullptr;
    AgeFileList* m_list = nullptr;
    QWidget* m_stagingRow = nullptr;
    TroveButton* m_cancel = nullptr;
    QWidget* m_addArea = nullptr;
    TroveButton* m_addAll = nullptr;
    QLabel* m_historical = nullptr;
    QueryProgress* m_progress = nullptr;
};

} // namespace ambertrove
