#pragma once

#include <QWidget>

namespace ambertrove {

// A small turning indicator on a capsule of the surface colour: shown over a view whose picture is
// being made again.
class BusyBadge final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kIndicatorSize = 14;
    static constexpr int kPadding = 10;

    explicit BusyBadge(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(BusyBadge)

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ambertrove
