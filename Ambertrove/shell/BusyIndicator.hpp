#pragma once

#include <QWidget>

class QVariantAnimation;

namespace ambertrove {

// A small indeterminate progress indicator: an arc that turns while it is shown, or stands still when
// motion is reduced.
class BusyIndicator final : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(int size = 14, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(BusyIndicator)

    [[nodiscard]] bool isTurning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    double m_angle = 0;
    QVariantAnimation* m_turn = nullptr;
};

} // namespace ambertrove
