#pragma once

#include "platform/FileStatus.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// The safety rules that decide whether a path may be staged for cleanup or moved to the Trash.
// It only reads the file system. What the path asked about is compared with (the protected places with
// their links resolved, every account's data, the swap files, the mount table, the identities of the
// protected entries, this program's own location) is read once per policy, at its first question, and
// shared by its copies: a policy is made for each job. The path itself is read afresh on every call. Safe to
// ask from several threads.
struct CleanupPolicy {
    // The user's home folder, used as given (callers pass it with its links resolved).
    std::string home;
    // The user's data folder ($XDG_DATA_HOME): the state folder and the home trash live in it.
    std::string dataHome;
    // Where the running processes are read from: this program's own location and, for entries, the
    // programs that must be quit before their folder may go.
    std::string procRoot = "/proc";
    // The account list ("/etc/passwd" form): the account data of every account with a home folder is
    // protected, not only the user's.
    std::string accountsFile = "/etc/passwd";
    // The mount table (mountinfo form): the trash folders at the top of every mount are protected.
    std::string mountTable = "/proc/self/mountinfo";
    // Reads the status of an entry without following a final link (0 or an errno value); the file system
    // by default.
    std::function<int(const std::string&, FileStatus&)> statusOf;

    // The data folder is taken from the environment, or `home` + "/.local/share".
    explicit CleanupPolicy(std::string home);
    CleanupPolicy(std::string home, std::string dataHome, std::string procRoot = "/proc");
    // The policy for the current user's home folder with its links resolved.
    static CleanupPolicy forCurrentUser();

    // The first objection to `path` as a sentence for the user, or nothing when it may go.
    [[nodiscard]] std::optional<std::string> rejection(std::string_view path) const;
    // The objection of the file's protection attributes to this one path, or nothing; a status that cannot
    // be read (other than a missing entry) objects too.
    [[nodiscard]] static std::optional<std::string> fileProtection(const std::string& path);

    // The program's state folder in use inside the data folder (the former one while only that exists).
    [[nodiscard]] std::string stateFolder() const;

private:
    struct Protection;
    [[nodiscard]] const Protection& protection() const;
    [[nodiscard]] int readStatus(const std::string& path, FileStatus& out) const;
    [[nodiscard]] std::vector<std::string> protectedPaths() const;
    [[nodiscard]] bool isTopTrash(const std::string& path) const;
    [[nodiscard]] std::vector<std::string> otherViews(const std::string& path) const;

    std::shared_ptr<Protection> m_protection;
};

} // namespace ambertrove
