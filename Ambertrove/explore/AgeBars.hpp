#pragma once

#include "analysis/AgeRange.hpp"

#include <QColor>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

namespace ambertrove {

// The age map's six bars, one per age range, painted: the range's title, a bar as long as its bytes are
// against the largest range's, its bytes and its share of all. A click on a row chooses its range.
class AgeBars final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTitleWidth = 82;
    static constexpr int kBarHeight = 13;
    static constexpr int kBytesWidth = 61;
    static constexpr int kShareWidth = 45;
    static constexpr int kSpacing = 8;
    static constexpr int kRowSpacing = 9;
    static constexpr int kRowPadding = 2;

    explicit AgeBars(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(AgeBars)

    // The bar colour of each range.
    [[nodiscard]] static QColor color(AgeRange range);
    // How much of the track a range's bar fills: its bytes over the largest range's (at least 1).
    [[nodiscard]] static double barFraction(std::int64_t bytes, std::int64_t largest);

    void setTotals(const std::array<std::int64_t, 6>& totals);
    void setSelected(std::optional<AgeRange> range);
    [[nodiscard]] std::optional<AgeRange> selected() const { return m_selected; }
    // The texts of a row: its bytes and its share.
    [[nodiscard]] QString bytesText(AgeRange range) const;
    [[nodiscard]] QString shareText(AgeRange range) const;
    [[nodiscard]] QRect rowRect(AgeRange range) const;
    // The bar's track in a row, and the part of it that is filled.
    [[nodiscard]] QRectF trackRect(AgeRange range) const;
    [[nodiscard]] QRectF barRect(AgeRange range) const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    void tapped(AgeRange range);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] int rowHeight() const;
    [[nodiscard]] std::int64_t total() const;
    [[nodiscard]] std::int64_t largest() const;

    std::array<std::int64_t, 6> m_totals{};
    std::optional<AgeRange> m_selected;
};

} // namespace ambertrove
