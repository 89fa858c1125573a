#pragma once

#include "controller/RawValueEnum.hpp"

namespace ambertrove {

// The colour themes. Each gives the light values of the seven colour roles; the dark appearance
// shares one set among all themes.
enum class AppTheme { paper, linen, sage, mist, slate };

template <> struct EnumTexts<AppTheme> {
    static constexpr std::array cases{AppTheme::paper, AppTheme::linen, AppTheme::sage, AppTheme::mist,
                                      AppTheme::slate};
    static constexpr std::array texts{"Paper", "Linen", "Sage", "Mist", "Slate"};
};

// The process-wide current theme that every themed colour reads. The controller writes it when it reads
// the setting and whenever its theme changes; both happen on the GUI thread, as do the readers.
AppTheme currentTheme();
void setCurrentTheme(AppTheme theme);

} // namespace ambertrove
