#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace ambertrove {

// The twelve groups of commonly reclaimable space, in the order they are listed.
enum class QuickWinKind {
    downloads,
    caches,
    simulators,
    media,
    dependencies,
    builds,
    derivedData,
    virtualMachines,
    android,
    installers,
    trash,
    mail,
};

inline constexpr std::array<QuickWinKind, 12> kAllQuickWinKinds = {
    QuickWinKind::downloads,   QuickWinKind::caches,          QuickWinKind::simulators,
    QuickWinKind::media,       QuickWinKind::dependencies,    QuickWinKind::builds,
    QuickWinKind::derivedData, QuickWinKind::virtualMachines, QuickWinKind::android,
    QuickWinKind::installers,  QuickWinKind::trash,           QuickWinKind::mail};

// The group's title, which is also its identifier ("Caches & logs").
[[nodiscard]] std::string_view rawValue(QuickWinKind kind);
// The name of the icon shown with the group.
[[nodiscard]] std::string_view symbol(QuickWinKind kind);
// The caution shown with the group's list.
[[nodiscard]] std::string_view explanation(QuickWinKind kind);
// The kind whose title is exactly `title`, or nothing.
[[nodiscard]] std::optional<QuickWinKind> quickWinKindFromRawValue(std::string_view title);

} // namespace ambertrove
