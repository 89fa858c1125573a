#pragma once

#include "theme/Paper.hpp"

#include <QString>
#include <QWidget>

#include <cstdint>

namespace ambertrove {

// What the disk meter shows of a volume of `total` bytes with `free` bytes free: the used bytes (never
// negative), the share of the ring (0 to 1) and the percentage text. A volume below one byte reads 0%.
struct MeterFigures {
    std::int64_t used = 0;
    double fraction = 0;
    QString percentText;

    friend bool operator==(const MeterFigures&, const MeterFigures&) = default;
};

[[nodiscard]] MeterFigures meterFigures(std::int64_t total, std::int64_t free);

// The meter's ring: a full circle in the border colour and, from twelve o'clock clockwise, the used share
// in amber, around the percentage and "USED".
class DiskMeterRing final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 76;
    static constexpr double kLineWidth = 6;

    explicit DiskMeterRing(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(DiskMeterRing)

    void setFigures(const MeterFigures& figures);
    [[nodiscard]] const MeterFigures& figures() const { return m_figures; }

    [[nodiscard]] QSize sizeHint() const override { return {kSide, kSide}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MeterFigures m_figures;
};

// One labelled byte line of the meter: the title in the muted colour at the left, the bytes in semibold
// and the line's colour at the right.
class DiskLine final : public QWidget {
    Q_OBJECT

public:
    explicit DiskLine(const QString& title, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(DiskLine)

    [[nodiscard]] QString title() const { return m_title; }
    [[nodiscard]] QString bytesText() const { return m_bytes; }
    // `color` is resolved for the appearance when painting.
    void setValue(const QString& bytesText, const AdaptiveColor& color);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_bytes;
    AdaptiveColor m_color;
};

} // namespace ambertrove
