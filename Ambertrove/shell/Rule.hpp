#pragma once

#include <QWidget>

namespace ambertrove {

// A one-pixel line in the border colour: a horizontal rule fills the width, a vertical one the height.
class Rule final : public QWidget {
    Q_OBJECT

public:
    explicit Rule(Qt::Orientation orientation, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Rule)

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ambertrove
