#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

namespace ambertrove {

// One figure under a Monitor chart: a tiny capitalised label over the value in its colour.
class SmallMetric final : public QWidget {
    Q_OBJECT

public:
    SmallMetric(const QString& label, const QColor& color, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SmallMetric)

    void setValue(const QString& value);
    [[nodiscard]] QLabel* valueLabel() const { return m_value; }

private:
    QLabel* m_value;
};

} // namespace ambertrove
