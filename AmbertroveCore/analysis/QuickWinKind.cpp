#include "analysis/QuickWinKind.hpp"

namespace ambertrove {

namespace {

struct KindText {
    std::string_view title;
    std::string_view symbol;
    std::string_view explanation;
};

constexpr std::array<KindText, 12> kTexts = {{
    {"Downloads", "arrow.down.circle",
     "Downloaded files may be your only copy. Review each item before staging."},
    {"Caches & logs", "clock.arrow.circlepath",
     "Apps usually recreate caches and logs. Quit the associated apps before cleanup."},
    {"iOS Simulators", "iphone",
     "Simulator device data may contain test apps and local data. Close Simulator and review before "
     "cleanup."},
    {"Large media", "film", "Large photos, audio and video files. Keep originals you still need."},
    {"node_modules", "shippingbox",
     "Dependencies can usually be reinstalled from the project's lockfile. Local edits will be lost."},
    {"Build artifacts", "shippingbox.fill",
     "Folders with build-output names. Verify they contain generated files rather than source files."},
    {"Xcode DerivedData", "hammer", "Xcode recreates build products and indexes. Close Xcode first."},
    {"Containers & VMs", "cube.transparent",
     "Virtual disks and container data can contain entire operating systems and personal files. Quit the "
     "virtual machine or container app and verify backups before staging."},
    {"Android & Gradle", "apps.iphone",
     "Android SDK, emulator and Gradle data. Some items are regenerated; virtual devices may contain "
     "personal "
     "test data. Review each item."},
    {"Installers & images", "opticaldisc",
     "Downloaded installers and disk images. Eject mounted images before staging files you no longer need."},
    {"Trash", "trash",
     "Files already in Trash. Review and empty them in Finder when ready; Ambertrove does not permanently "
     "delete them."},
    {"Mail stores", "envelope",
     "Local mail stores can contain your only copies of messages. Review their size here and manage storage "
     "in "
     "the mail app. These protected stores cannot be staged."},
}};

const KindText& textOf(QuickWinKind kind) {
    return kTexts[static_cast<std::size_t>(kind)];
}

} // namespace

std::string_view rawValue(QuickWinKind kind) {
    return textOf(kind).title;
}
std::string_view symbol(QuickWinKind kind) {
    return textOf(kind).symbol;
}
std::string_view explanation(QuickWinKind kind) {
    return textOf(kind).explanation;
}

std::optional<QuickWinKind> quickWinKindFromRawValue(std::string_view title) {
    for (QuickWinKind kind : kAllQuickWinKinds)
        if (rawValue(kind) == title)
            return kind;
    return std::nullopt;
}

} // namespace ambertrove
