#include "theme/Paper.hpp"

#include "base/PathText.hpp"
#include "model/DiskNode.hpp"
#include "model/FileCategory.hpp"

#include <algorithm>
#include <cmath>

namespace ambertrove::Paper {

namespace {

constexpr std::array<std::uint32_t, 7> kDarkRoles{0x20211F, 0x262723, 0x2D2F29, 0xF4F1E7,
                                                  0xA3A89A, 0x3B3E35, 0xA8C8AE};

constexpr std::array<std::array<std::uint32_t, 7>, 5> kThemeTokens{{
    {0xFAF7EE, 0xF6F2E8, 0xFFFEFA, 0x23251F, 0x7D8075, 0xE4DFD2, 0x567260}, // Paper
    {0xF7EFE7, 0xEFE5DA, 0xFFFAF5, 0x34291F, 0x847264, 0xDFD0C2, 0x946C49}, // Linen
    {0xF1F5ED, 0xE6EDDF, 0xFCFFF8, 0x243326, 0x6B7B69, 0xD3DFCE, 0x4D7954}, // Sage
    {0xF0F5F8, 0xE6EEF4, 0xFCFEFF, 0x233440, 0x687F8E, 0xD2DFE8, 0x487B96}, // Mist
    {0xF0F0F5, 0xE6E6EF, 0xFDFDFF, 0x2C2C40, 0x77778B, 0xD8D8E5, 0x6D668F}, // Slate
}};

constexpr std::array<AdaptiveColor, 9> kColors{{
    {0x66583D, 0xEFDDB5},
    {0x694B53, 0xE9CCD4},
    {0x4D5D47, 0xD9DFCB},
    {0x415D69, 0xD2E1EC},
    {0x574D69, 0xDBD6E8},
    {0x67503E, 0xE8D3C2},
    {0x3B6257, 0xCBE0D9},
    {0x665F4A, 0xE9DFCD},
    {0x485B51, 0xD6DCD7},
}};

struct NamedFolder {
    std::string_view name;
    std::size_t index;
};
constexpr std::array<NamedFolder, 9> kNamedFolders{{{"Library", 0},
                                                    {"Downloads", 1},
                                                    {"Documents", 2},
                                                    {"Movies", 3},
                                                    {"Developer", 4},
                                                    {"Pictures", 5},
                                                    {".npm", 6},
                                                    {"Music", 7},
                                                    {"Desktop", 8}}};

constexpr std::array<std::uint32_t, 9> kShadeBases{0xD8C6A7, 0xCA99B3, 0xAABE96, 0x9FBFD4, 0xB1A7C9,
                                                   0xD3B697, 0x94BFB1, 0xC3B699, 0xA9BDB0};

std::size_t folderIndex(std::string_view component) {
    for (const auto& named : kNamedFolders)
        if (named.name == component)
            return named.index;
    return std::size_t(djb2(component) % kColors.size());
}

// Each channel moved by the shade and clamped; light and dark values are scaled apart.
AdaptiveColor shaded(std::uint32_t base, double shade) {
    std::uint32_t light = 0;
    std::uint32_t dark = 0;
    for (int shift : {16, 8, 0}) {
        const double channel = double((base >> shift) & 0xFF) / 255.0;
        const double v = std::clamp(shade + channel, 0.0, 1.0);
        light |= std::uint32_t(v * 255.0) << shift;
        dark |= std::uint32_t(v * 100.0 + 22.0) << shift;
    }
    return {dark, light};
}

AdaptiveColor folderColor(std::string_view path, std::string_view root) {
    // A root that already ends in "/" (the file system's root) is its own prefix; otherwise every path
    // below "/" would count as a top-level entry of its own.
    std::string_view relative = PathText::name(path);
    if (!root.empty() && root.back() == '/') {
        if (path.starts_with(root))
            relative = path.substr(root.size());
    } else if (path.size() > root.size() && path.starts_with(root) && path[root.size()] == '/') {
        relative = path.substr(root.size() + 1);
    }

    std::string_view component;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos)
            end = relative.size();
        if (end > start) {
            component = relative.substr(start, end - start);
            break;
        }
        start = end + 1;
    }
    if (component.empty())
        component = PathText::name(path);

    const std::size_t index = folderIndex(component);
    if (relative.find('/') == std::string_view::npos)
        return kColors[index];
    const double shade = double(djb2(relative) % 25) / 100.0 - 0.12;
    return shaded(kShadeBases[index], shade);
}

std::size_t categoryIndex(FileCategory category) {
    const auto found = std::find(kAllFileCategories.begin(), kAllFileCategories.end(), category);
    return std::size_t(found - kAllFileCategories.begin());
}

} // namespace

AdaptiveColor adaptive(std::uint32_t dark, std::uint32_t light) {
    return {dark, light};
}

const std::array<std::uint32_t, 7>& tokens(AppTheme theme) {
    return kThemeTokens[std::size_t(theme)];
}

AdaptiveColor role(ColorRole which) {
    const auto index = std::size_t(which);
    return {kDarkRoles[index], tokens(currentTheme())[index]};
}

const std::array<AdaptiveColor, 9>& colors() {
    return kColors;
}

AdaptiveColor amber() {
    return {0xD5AE6A, 0xAD7D33};
}

const std::array<QColor, 7>& dots() {
    static const std::array<QColor, 7> dots{
        QColor::fromRgbF(0.83f, 0.40f, 0.54f), QColor::fromRgbF(0.60f, 0.51f, 0.72f),
        QColor::fromRgbF(0.40f, 0.63f, 0.77f), QColor::fromRgbF(0.72f, 0.63f, 0.44f),
        QColor::fromRgbF(0.51f, 0.64f, 0.32f), QColor::fromRgbF(0.81f, 0.49f, 0.29f),
        QColor::fromRgbF(0.61f, 0.60f, 0.55f)};
    return dots;
}

std::uint64_t djb2(std::string_view bytes) {
    std::uint64_t h = 5381;
    for (unsigned char byte : bytes)
        h = h * 33 + byte;
    return h;
}

AdaptiveColor color(std::string_view path, Date modified, ColorMode mode, std::string_view root, Date now) {
    switch (mode) {
    case ColorMode::folder:
        return folderColor(path, root);
    case ColorMode::type:
        return kColors[categoryIndex(classifyFile(path))];
    case ColorMode::age: {
        const double days = now.secondsSince(modified) / 86400.0;
        if (days < 30)
            return kColors[6];
        if (days < 180)
            return kColors[2];
        if (days < 365)
            return kColors[0];
        return kColors[1];
    }
    }
    return kColors[kColors.size() - 1];
}

AdaptiveColor color(const DiskNode& node, ColorMode mode, std::string_view root, Date now) {
    return color(node.path, node.modified, mode, root, now);
}

} // namespace ambertrove::Paper

namespace ambertrove {

QColor AdaptiveColor::resolved(bool darkAppearance) const {
    return QColor::fromRgb(QRgb(0xFF000000u | rgb(darkAppearance)));
}

} // namespace ambertrove
