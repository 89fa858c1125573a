#pragma once

#include "controller/AppTheme.hpp"
#include "controller/ColorMode.hpp"

#include "base/Date.hpp"

#include <QColor>

#include <array>
#include <cstdint>
#include <string_view>

namespace ambertrove {

struct DiskNode;

// A colour given as one 0xRRGGBB value for the dark appearance and one for the light appearance.
// The window forces one appearance, so a colour is resolved with the appearance in use.
struct AdaptiveColor {
    std::uint32_t dark = 0;
    std::uint32_t light = 0;

    [[nodiscard]] std::uint32_t rgb(bool darkAppearance) const { return darkAppearance ? dark : light; }
    [[nodiscard]] QColor resolved(bool darkAppearance) const;

    friend bool operator==(const AdaptiveColor&, const AdaptiveColor&) = default;
};

// The seven roles every view names its colours by, in token order.
enum class ColorRole { background, panel, surface, ink, muted, border, accent };

// The colours of the views: theme roles, the folder and category palette, amber, the file-type dots, and
// the colour of a scanned node. Nothing here touches a widget, so chart layouts may call it off the GUI
// thread; only the role colours read the current theme.
namespace Paper {

AdaptiveColor adaptive(std::uint32_t dark, std::uint32_t light);

// The light values of a theme's seven roles, in role order.
const std::array<std::uint32_t, 7>& tokens(AppTheme theme);
// The role's colour: the shared dark value and the current theme's light value.
AdaptiveColor role(ColorRole role);
inline AdaptiveColor background() {
    return role(ColorRole::background);
}
inline AdaptiveColor panel() {
    return role(ColorRole::panel);
}
inline AdaptiveColor surface() {
    return role(ColorRole::surface);
}
inline AdaptiveColor ink() {
    return role(ColorRole::ink);
}
inline AdaptiveColor muted() {
    return role(ColorRole::muted);
}
inline AdaptiveColor border() {
    return role(ColorRole::border);
}
inline AdaptiveColor accent() {
    return role(ColorRole::accent);
}

// The nine folder and category colours.
const std::array<AdaptiveColor, 9>& colors();
// The one fixed warning and highlight colour.
AdaptiveColor amber();
// One fixed colour per file category, in category order; callers use the last for an unknown category.
const std::array<QColor, 7>& dots();

// djb2 over the bytes: start 5381, h = h * 33 + byte, wrapping in 64 bits.
std::uint64_t djb2(std::string_view bytes);

// A node's colour relative to the folder the chart is rooted at (possibly empty). By folder: the
// top-level component below the root picks a palette entry, deeper entries get a stable shade of it.
// By type: the palette entry of the file category. By age: by days since modification at `now`.
AdaptiveColor color(std::string_view path, Date modified, ColorMode mode, std::string_view root, Date now);
AdaptiveColor color(const DiskNode& node, ColorMode mode, std::string_view root, Date now);

} // namespace Paper

} // namespace ambertrove
