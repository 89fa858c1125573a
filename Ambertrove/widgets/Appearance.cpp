#include "widgets/Appearance.hpp"

#include <QApplication>

namespace ambertrove::Appearance {

namespace {
bool g_dark = false;
std::optional<bool> g_reducedMotion;
} // namespace

bool dark() {
    return g_dark;
}

void setDark(bool isDark) {
    g_dark = isDark;
}

bool reducedMotion() {
    if (g_reducedMotion)
        return *g_reducedMotion;
    return !QApplication::isEffectEnabled(Qt::UI_General);
}

void setReducedMotion(std::optional<bool> forced) {
    g_reducedMotion = forced;
}

QColor color(const AdaptiveColor& colour, double opacity) {
    QColor c = colour.resolved(g_dark);
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}

QColor role(ColorRole which, double opacity) {
    return color(Paper::role(which), opacity);
}

} // namespace ambertrove::Appearance
