#pragma once

#include <QWidget>

namespace ambertrove {

class ShrinkingLabel;

// The first row of a Monitor card: the symbol and the title in small capitals at the leading edge, the
// card's main figure at the trailing edge (shrunk to 0.7 of its size before it is cut).
class MetricHeader final : public QWidget {
    Q_OBJECT

public:
    MetricHeader(const QString& title, const QString& symbol, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MetricHeader)

    void setValue(const QString& value);
    [[nodiscard]] ShrinkingLabel* valueLabel() const { return m_value; }

private:
    ShrinkingLabel* m_value;
};

} // namespace ambertrove
