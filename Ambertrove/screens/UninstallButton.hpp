#pragma once

#include <QAbstractButton>

namespace ambertrove {

// "Uninstall Completely" with the trash symbol: white semibold text on a red capsule. Faded while
// disabled. Never a default button.
class UninstallButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit UninstallButton(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(UninstallButton)

    // sRGB 0.70, 0.27, 0.22.
    [[nodiscard]] static QColor fill();

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ambertrove
