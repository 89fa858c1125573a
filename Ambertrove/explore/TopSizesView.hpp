#pragma once

#include "analysis/RankedPage.hpp"
#include "analysis/RankingScope.hpp"
#include "controller/ExplorerQueryKey.hpp"
#include "controller/KeyedQuery.hpp"
#include "explore/ExploreCanvas.hpp"
#include "explore/StorageBody.hpp"

#include <optional>

class QGraphicsOpacityEffect;

namespace ambertrove {

class QueryProgress;
class SegmentedChoices;
class TroveButton;

// The Top Sizes view: the largest items of a scope (the focused folder's children, the biggest files or
// the biggest folders of the scan), ranked off the GUI thread by the controller's keyed query and paged
// 200 rows at a time. While a new ranking runs the last one stays, dimmed and inert, under a progress
// capsule. Rows are painted, only those in view.
class TopSizesView final : public ExploreCanvas, public StorageBody {
    Q_OBJECT

public:
    static constexpr int kPadding = 22;
    static constexpr int kSpacing = 13;
    static constexpr int kPageStep = 200;
    static constexpr int kRowHeight = 28;
    static constexpr int kRowSpacing = 7;
    static constexpr int kMinimumBar = 3;

    explicit TopSizesView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(TopSizesView)

    // Ready: the page shown is the ranking of the key asked for now.
    [[nodiscard]] bool showsCurrentResult() const override { return isReady(); }
    [[nodiscard]] bool isReady() const;

    [[nodiscard]] RankingScope scope() const { return m_scope; }
    void setScope(RankingScope scope);
    [[nodiscard]] int limit() const { return m_limit; }
    // The key the ranking is asked for: the scope's title followed by the limit, the scan's root in place of
    // the focus for the scan-wide scopes.
    [[nodiscard]] ExplorerQueryKey taskKey() const;
    // The key whose change returns the limit to one page: the scope's title alone.
    [[nodiscard]] ExplorerQueryKey resetKey() const;
    // The last ranking received (empty before the first).
    [[nodiscard]] const RankedPage& page() const;

    [[nodiscard]] QString statusText() const;
    [[nodiscard]] QString shareTitle() const;
    [[nodiscard]] bool emptyTextShown() const;
    [[nodiscard]] SegmentedChoices* scopePicker() const { return m_picker; }
    [[nodiscard]] TroveButton* moreButton() const { return m_more; }
    [[nodiscard]] QueryProgress* progress() const { return m_progress; }
    // The row's rectangle in content coordinates, the row at a content point (-1 for none), and the width
    // of its coloured bar.
    [[nodiscard]] QRect rowRect(int index) const;
    [[nodiscard]] int rowAt(const QPoint& point) const;
    [[nodiscard]] int barWidth(int index) const;
    // The texts of one row's cells: rank, files or type, share, size.
    [[nodiscard]] QStringList rowTexts(int index) const;

protected:
    int layoutContent(int width) override;
    void paintContent(QPainter& painter, const QRect& exposed) override;
    void resizeEvent(QResizeEvent* event) override;
    void released(const QPoint& point) override;
    void doubleClicked(const QPoint& point) override;
    void menuRequested(const QPoint& point, const QPoint& global) override;
    [[nodiscard]] QString toolTipAt(const QPoint& point, QRect* area) override;

private:
    void refresh();
    void showState();
    [[nodiscard]] std::int64_t referenceSize() const;
    [[nodiscard]] std::int64_t barMaximum() const;
    [[nodiscard]] QRect nameBar(const QRect& row) const;

    KeyedQuery<ExplorerQueryKey, RankedPage> m_query;
    RankingScope m_scope = RankingScope::current;
    int m_limit = kPageStep;
    std::optional<ExplorerQueryKey> m_resetKey;
    SegmentedChoices* m_picker = nullptr;
    QGraphicsOpacityEffect* m_pickerFade = nullptr;
    TroveButton* m_more = nullptr;
    QueryProgress* m_progress = nullptr;
    QRect m_pickerRow;
    QRect m_header;
    QRect m_emptyText;
    int m_rowsTop = 0;
    int m_width = 0;
};

} // namespace ambertrove
