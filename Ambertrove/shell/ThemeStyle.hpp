#pragma once

#include <QProxyStyle>

namespace ambertrove {

// Fusion, with check box frames that stand out from the window in both appearances. Fusion outlines a
// check box with the window colour darkened: faint on the light window, and on the dark one nearly the
// window itself. The frame is drawn again in the theme's muted colour.
class ThemeStyle final : public QProxyStyle {
    Q_OBJECT

public:
    ThemeStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace ambertrove
