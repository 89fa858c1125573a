#pragma once

#include "controller/RawValueEnum.hpp"

namespace ambertrove {

// The window's sections.
enum class AppSection { explore, duplicates, applications, monitor, snapshots, cleanup };

template <> struct EnumTexts<AppSection> {
    static constexpr std::array cases{AppSection::explore, AppSection::duplicates, AppSection::applications,
                                      AppSection::monitor, AppSection::snapshots,  AppSection::cleanup};
    static constexpr std::array texts{"Explore", "Duplicates", "Applications",
                                      "Monitor", "Snapshots",  "Cleanup"};
};

} // namespace ambertrove
