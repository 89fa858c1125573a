#pragma once

#include <QWidget>

#include <cstdint>

namespace ambertrove {

// What the memory in use is made of, across the width: wired (red), compressed (purple), the rest of the
// memory in use (amber) and what is free (the border colour), 1 pixel apart, 8 pixels high.
class MemoryBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 8;
    static constexpr double kSpacing = 1;

    struct Segments {
        double wired = 0;
        double compressed = 0;
        double used = 0;
        double free = 0;
        friend bool operator==(const Segments&, const Segments&) = default;
    };

    explicit MemoryBar(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MemoryBar)

    // The segments' widths in a bar `width` wide: each its share of the total (a total below 1 counts as
    // 1), but never more than the width still free, so that together with the three gaps they fill the
    // bar exactly and none is negative.
    [[nodiscard]] static Segments segments(double width, std::int64_t wired, std::int64_t compressed,
                                           std::int64_t used, std::int64_t total);

    void setMemory(std::int64_t wired, std::int64_t compressed, std::int64_t used, std::int64_t total);

    [[nodiscard]] QSize sizeHint() const override { return {200, kHeight}; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {0, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t m_wired = 0;
    std::int64_t m_compressed = 0;
    std::int64_t m_used = 0;
    std::int64_t m_total = 0;
};

} // namespace ambertrove
