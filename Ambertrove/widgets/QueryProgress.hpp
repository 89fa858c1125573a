#pragma once

#include <QWidget>

class QVariantAnimation;

namespace ambertrove {

// The small "busy" capsule a view lays over its last result while a background query runs: a small
// spinning indicator without text on a capsule of the surface colour. Spins only while shown and while
// motion is not reduced.
class QueryProgress final : public QWidget {
    Q_OBJECT

public:
    explicit QueryProgress(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(QueryProgress)

    // The indicator, its padding inside the capsule, and the padding around the capsule.
    static constexpr int kIndicator = 16;
    static constexpr int kInnerPadding = 8;
    static constexpr int kOuterPadding = 8;
    static constexpr int kExtent = kIndicator + 2 * (kInnerPadding + kOuterPadding);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] bool isSpinning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateAnimation();

    double m_angle = 0; // degrees of the indicator's turn
    QVariantAnimation* m_turn = nullptr;
};

} // namespace ambertrove
