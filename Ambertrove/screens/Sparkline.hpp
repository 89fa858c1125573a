#pragma once

#include <QColor>
#include <QPointF>
#include <QWidget>

#include <vector>

namespace ambertrove {

// A small line chart of a series against a fixed maximum, oldest value at the leading edge, with an
// optional soft fill under the line. No axes, no labels; it takes the space it is given. Two sparklines
// with one maximum can lie over each other to compare two series on one scale.
class Sparkline final : public QWidget {
    Q_OBJECT

public:
    Sparkline(QColor color, double maximum, bool fill, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Sparkline)

    // The line's points in a `width` by `height` canvas: none for fewer than two values. A value is its
    // share of `maximum` (a maximum below 1 counts as 1), kept within 0 and 1 (not a number counts as 0),
    // drawn from 2 pixels above the bottom to 2 pixels below the top.
    [[nodiscard]] static std::vector<QPointF> points(const std::vector<double>& values, double maximum,
                                                     double width, double height);

    void setValues(std::vector<double> values);
    void setMaximum(double maximum);
    [[nodiscard]] const std::vector<double>& values() const { return m_values; }
    [[nodiscard]] double maximum() const { return m_maximum; }

    [[nodiscard]] QSize sizeHint() const override { return {200, 40}; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    double m_maximum;
    bool m_fill;
    std::vector<double> m_values;
};

} // namespace ambertrove
