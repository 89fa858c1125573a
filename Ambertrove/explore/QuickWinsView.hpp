#pragma once

#include "analysis/QuickWinKind.hpp"
#include "explore/ExploreCanvas.hpp"
#include "explore/NodeRowSection.hpp"
#include "explore/StorageBody.hpp"

#include <cstdint>
#include <vector>

class QLabel;

namespace ambertrove {

class EmptyPanel;
class TroveButton;
struct QuickWin;

// The candidates of one quick win, in place of the storage view while it is active: the kind's caution,
// the candidates that pass the explorer filters as rows (painted, only those in view), and one button
// that stages exactly the rows listed, with the kind's title as the reason. The quick win is read from
// the controller, so a new scan's candidates replace the old ones.
class QuickWinsView final : public ExploreCanvas, public StorageBody {
    Q_OBJECT

public:
    static constexpr int kPadding = 22;
    static constexpr int kSpacing = 18;

    QuickWinsView(AppModel& model, QuickWinKind kind, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(QuickWinsView)

    // The list follows the controller at once: it always shows the current candidates.
    [[nodiscard]] bool showsCurrentResult() const override { return true; }

    [[nodiscard]] QuickWinKind kind() const { return m_kind; }
    [[nodiscard]] QString explanationText() const;
    [[nodiscard]] TroveButton* stageButton() const { return m_stage; }
    [[nodiscard]] const NodeRowSection& rows() const { return m_rows; }
    // Shown when nothing is listed: no candidates at all, or none passing the filters.
    [[nodiscard]] EmptyPanel* emptyPanel() const { return m_empty; }
    [[nodiscard]] QRect headingRect() const { return m_heading; }

protected:
    int layoutContent(int width) override;
    void paintContent(QPainter& painter, const QRect& exposed) override;
    void pressed(const QPoint& point) override;
    void released(const QPoint& point) override;
    void menuRequested(const QPoint& point, const QPoint& global) override;
    [[nodiscard]] QString toolTipAt(const QPoint& point, QRect* area) override;

private:
    // The quick win of the kind in the controller's list; nothing when the scan has none.
    [[nodiscard]] const QuickWin* win() const;
    void refresh();
    void refreshButton();
    void stage();

    QuickWinKind m_kind;
    // The positions in the quick win's nodes of the candidates passing the filters, in its order.
    std::vector<std::size_t> m_shown;
    NodeRowSection m_rows;
    QWidget* m_header = nullptr;
    QLabel* m_explanation = nullptr;
    TroveButton* m_stage = nullptr;
    EmptyPanel* m_empty = nullptr;
    QRect m_heading;
};

} // namespace ambertrove
