#pragma once

#include "analysis/ModificationMonth.hpp"

#include <QColor>
#include <QWidget>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace ambertrove {

// The age map's heat map of months, painted: the month letters, then one row of twelve cells per year
// that has a month with bytes (newest year first), each cell coloured on a seven-step scale by its bytes
// against the busiest month's, and a legend. A click on a cell chooses its month.
class MonthHeatmap final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kYearWidth = 31;
    static constexpr int kCellSpacing = 3;
    static constexpr int kCellHeight = 39;
    static constexpr int kRowSpacing = 5;
    static constexpr int kSpacing = 10;
    static constexpr int kLegendGap = 25;
    static constexpr int kMinimumHeight = 290;

    explicit MonthHeatmap(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MonthHeatmap)

    // 0 for no bytes; else ceil(sqrt(bytes / max(busiest, 1)) * 6), from 1 to 6.
    [[nodiscard]] static int heatLevel(std::int64_t bytes, std::int64_t busiest);
    // The seven colours of the levels, in the dark or the light appearance.
    [[nodiscard]] static std::array<QColor, 7> heatColors(bool dark);
    // Whether a cell shows its bytes: it has some, and at least a quarter of the busiest month's (whole
    // bytes, rounded down).
    [[nodiscard]] static bool showsLabel(std::int64_t bytes, std::int64_t busiest);
    // The colour of a cell's label at `level`.
    [[nodiscard]] static QColor labelColor(int level, bool dark);

    void setMonths(std::map<ModificationMonth, std::int64_t> months);
    void setSelected(std::optional<ModificationMonth> month);
    [[nodiscard]] std::optional<ModificationMonth> selected() const { return m_selected; }
    // The years shown, newest first.
    [[nodiscard]] const std::vector<std::int64_t>& years() const { return m_years; }
    // The busiest month's bytes, at least 1.
    [[nodiscard]] std::int64_t busiest() const { return m_busiest; }
    [[nodiscard]] std::int64_t bytes(const ModificationMonth& month) const;
    [[nodiscard]] QRect cellRect(const ModificationMonth& month) const;
    [[nodiscard]] std::optional<ModificationMonth> cellAt(const QPoint& point) const;
    // The texts of the legend's end: "Busiest month: " and the bytes.
    [[nodiscard]] QString busiestText() const;
    [[nodiscard]] QString toolTipOf(const ModificationMonth& month) const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    void tapped(const ModificationMonth& month);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    [[nodiscard]] int headerHeight() const;
    [[nodiscard]] int rowsTop() const;
    [[nodiscard]] int contentHeight() const;
    [[nodiscard]] double cellWidth() const;

    std::map<ModificationMonth, std::int64_t> m_months;
    std::vector<std::int64_t> m_years;
    std::int64_t m_busiest = 1;
    std::int64_t m_largest = 0;
    std::optional<ModificationMonth> m_selected;
};

} // namespace ambertrove
