#pragma once

#include "base/AmbertroveError.hpp"

#include "platform/PathResolution.hpp"

#include <algorithm>
#include <dirent.h>
#include <exception>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <vector>

// Small checks that many tests share: entries on disk, and what an action threw.
namespace ambertrove::test {

inline bool exists(const std::string& path) {
    return PathResolution::entryExists(path);
}

// The names in a folder, sorted; empty when it cannot be listed.
inline std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What `f` threw, as its text; "(no error)" when it returned.
inline std::string errorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

// The permission bits of `path` (links followed); -1 when it cannot be examined.
inline int permissionsOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return -1;
    return static_cast<int>(status.st_mode & 07777);
}

// Sets the process's file-creation mask for the length of a scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask)
        : m_former(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_former); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_former;
};

// The errno code of the std::system_error `f` threw; 0 when it threw none.
inline int errnoOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

// The sentence of the AmbertroveError `f` threw; empty when it threw none.
inline std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const AmbertroveError& e) {
        return e.message();
    }
    return {};
}

} // namespace ambertrove::test
