#include "shell/ThemePalette.hpp"

#include "shell/ThemeStyle.hpp"
#include "widgets/Appearance.hpp"

#include <QApplication>

namespace ambertrove::ThemePalette {

QPalette palette(bool dark) {
    const auto colour = [dark](ColorRole role, double opacity = 1.0) {
        QColor c = Paper::role(role).resolved(dark);
        c.setAlphaF(float(c.alphaF() * opacity));
        return c;
    };
    const QColor background = colour(ColorRole::background);
    const QColor panel = colour(ColorRole::panel);
    const QColor surface = colour(ColorRole::surface);
    const QColor ink = colour(ColorRole::ink);
    const QColor muted = colour(ColorRole::muted);
    const QColor border = colour(ColorRole::border);
    const QColor accent = colour(ColorRole::accent);

    QPalette p;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? muted : ink;
        p.setColor(group, QPalette::Window, background);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, surface);
        p.setColor(group, QPalette::AlternateBase, panel);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, surface);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, background);
        p.setColor(group, QPalette::PlaceholderText, muted);
        p.setColor(group, QPalette::ToolTipBase, surface);
        p.setColor(group, QPalette::ToolTipText, ink);
        p.setColor(group, QPalette::Highlight, disabled ? border : accent);
        p.setColor(group, QPalette::HighlightedText, dark ? ink : background);
        p.setColor(group, QPalette::Link, accent);
        p.setColor(group, QPalette::LinkVisited, accent);
        p.setColor(group, QPalette::Light, dark ? surface.lighter(130) : surface);
        p.setColor(group, QPalette::Midlight, panel);
        p.setColor(group, QPalette::Mid, border);
        p.setColor(group, QPalette::Dark, dark ? background.darker(130) : border.darker(115));
        p.setColor(group, QPalette::Shadow, QColor(0, 0, 0, dark ? 160 : 60));
    }
    return p;
}

void apply(bool dark) {
    Appearance::setDark(dark);
    if (!qobject_cast<ThemeStyle*>(QApplication::style()))
        QApplication::setStyle(new ThemeStyle);
    QApplication::setPalette(palette(dark));
}

} // namespace ambertrove::ThemePalette
