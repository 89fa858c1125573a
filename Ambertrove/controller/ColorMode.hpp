#pragma once

#include "controller/RawValueEnum.hpp"

namespace ambertrove {

// How chart marks are coloured.
enum class ColorMode { folder, type, age };

template <> struct EnumTexts<ColorMode> {
    static constexpr std::array cases{ColorMode::folder, ColorMode::type, ColorMode::age};
    static constexpr std::array texts{"By folder", "By type", "By age"};
};

} // namespace ambertrove
