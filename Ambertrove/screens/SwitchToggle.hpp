#pragma once

#include <QAbstractButton>

namespace ambertrove {

// A labelled on/off switch: the label, then a painted switch (accent when on), in a small or a mini
// size. Clicking anywhere on it flips it.
class SwitchToggle final : public QAbstractButton {
    Q_OBJECT

public:
    enum class Size { small, mini };

    SwitchToggle(const QString& label, Size size, int fontSize, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SwitchToggle)

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] QSize trackSize() const;

    Size m_size;
};

} // namespace ambertrove
