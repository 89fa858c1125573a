#pragma once

#include <QWidget>

#include <cstdint>
#include <utility>

namespace ambertrove {

// The proportion of an application's footprint that is its bundle (ink) and its support files (amber):
// two rounded bars 2 pixels apart across the whole width, 10 pixels high.
class FootprintBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 10;
    static constexpr double kGap = 2;

    FootprintBar(std::int64_t bundleBytes, std::int64_t totalBytes, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FootprintBar)

    // The widths of the bundle's and the support files' bars in a bar `width` wide. The bundle takes its
    // share of the width less the gap (a total below 1 counts as 1); the support files the rest.
    [[nodiscard]] static std::pair<double, double> segments(double width, std::int64_t bundleBytes,
                                                            std::int64_t totalBytes);

    [[nodiscard]] QSize sizeHint() const override { return {200, kHeight}; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {0, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t m_bundle;
    std::int64_t m_total;
};

} // namespace ambertrove
