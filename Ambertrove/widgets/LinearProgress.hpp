#pragma once

#include <QWidget>

#include <optional>

class QVariantAnimation;

namespace ambertrove {

// A thin progress bar tinted accent: determinate with a fraction, else an indeterminate sweep that runs
// only while the bar is shown.
class LinearProgress final : public QWidget {
    Q_OBJECT

public:
    explicit LinearProgress(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LinearProgress)

    static constexpr int kHeight = 6;

    // A fraction from 0 to 1 (clamped), or nothing for an indeterminate bar. A fraction that is not
    // finite counts as nothing.
    void setFraction(std::optional<double> fraction);
    [[nodiscard]] std::optional<double> fraction() const { return m_fraction; }
    [[nodiscard]] bool isIndeterminate() const { return !m_fraction; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateAnimation();

    std::optional<double> m_fraction;
    double m_phase = 0.5; // of the sweep; its middle while it stands still
    QVariantAnimation* m_sweep = nullptr;
};

} // namespace ambertrove
