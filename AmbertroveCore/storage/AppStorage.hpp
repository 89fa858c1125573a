#pragma once

#include "platform/FileDescriptor.hpp"
#include "storage/PreferenceStore.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ambertrove::AppStorage {

inline constexpr std::string_view kFolderName = "Ambertrove";
// The product's former name: its state folder is used while the current one does not exist.
inline constexpr std::string_view kFormerFolderName = "Tessavale";
// The settings carried over from the former preferences domain, in the order they are copied.
inline constexpr std::array<std::string_view, 6> kMigratedKeys = {"darkAppearance",   "colorTheme",
                                                                  "recentFolders",    "backupBeforeCleanup",
                                                                  "snapshotsEnabled", "lastBackupParent"};

// The program's state folder: resolve() inside the folder for application data. Computed afresh on every
// call; creates nothing (openPrivateFolder() does).
[[nodiscard]] std::string directory();

// The folder for application data: $XDG_DATA_HOME when it is an absolute path, else ".local/share" under
// the home folder. Both are passed in so that callers (and tests) decide where they come from.
[[nodiscard]] std::string applicationSupport(const std::optional<std::string>& xdgDataHome,
                                             const std::string& home);
// The current user's home folder: $HOME when set and not empty, else the password entry's; "/" when
// neither gives one. The second form takes the value of $HOME.
[[nodiscard]] std::string homeFolder();
[[nodiscard]] std::string homeFolder(const std::optional<std::string>& homeVariable);

// The state folder inside `applicationSupport`: "Ambertrove" when anything exists under that name or when
// no directory "Tessavale" exists beside it, else "Tessavale". Creates nothing, never fails: an entry that
// cannot be examined counts as missing.
[[nodiscard]] std::string resolve(const std::string& applicationSupport);

// Opens `folder` (an absolute path) to keep private state in: the cleanup state, saved scans. The last
// `ownLevels` folders of the path, and every folder made here on the way, are opened without following
// links and accepted only when they are folders the user owns that group and others cannot write; the
// folders above them are reached as the user arranged them (links followed). With `create`, missing folders
// are made owner-only (0700); without it a missing folder is std::system_error ENOENT. An accepted folder
// that others may read, as older versions made it, is narrowed to 0700. A refused folder is an
// AmbertroveError whose sentence names it and says why ("“…” is owned by another user."); other failures
// are std::system_error.
FileDescriptor openPrivateFolder(const std::string& folder, std::size_t ownLevels, bool create);
// directory(), opened (and made when missing) by openPrivateFolder() with the state folder as its own level.
// Its files are written with kPrivateFileMode.
std::string prepareDirectory();

// Copies each of the carried-over keys that `target` has no value for from `legacy`, unchanged. An existing
// setting is never overwritten; other keys of `legacy` are ignored.
void migratePreferences(PreferenceStore& target, const PreferenceTable& legacy);

} // namespace ambertrove::AppStorage
