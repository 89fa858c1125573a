#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ambertrove {

// The safety rules that decide whether a path may be staged for cleanup or moved to the Trash.
// It only reads the file system, afresh on every call; nothing is cached.
struct CleanupPolicy {
    // The user's home folder, used as given (callers pass it with its links resolved).
    std::string home;
    // The user's data folder ($XDG_DATA_HOME): the state folder and the home trash live in it.
    std::string dataHome;
    // Where the running processes are read from: this program's own location and, for entries, the
    // programs that must be quit before their folder may go.
    std::string procRoot = "/proc";

    // The data folder is taken from the environment, or `home` + "/.local/share".
    explicit CleanupPolicy(std::string home);
    CleanupPolicy(std::string home, std::string dataHome, std::string procRoot = "/proc");
    // The policy for the current user's home folder with its links resolved.
    static CleanupPolicy forCurrentUser();

    // The first objection to `path` as a sentence for the user, or nothing when it may go.
    [[nodiscard]] std::optional<std::string> rejection(std::string_view path) const;
    // The objection of the file's protection attributes to this one path, or nothing.
    [[nodiscard]] static std::optional<std::string> fileProtection(const std::string& path);

    // The program's state folder in use inside the data folder (the former one while only that exists).
    [[nodiscard]] std::string stateFolder() const;
};

} // namespace ambertrove
