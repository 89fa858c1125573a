#include "platform/UserFolders.hpp"

#include "platform/PathResolution.hpp"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace ambertrove::UserFolders {

namespace {

std::string unresolvedHome() {
    if (const char* env = std::getenv("HOME"); env && *env)
        return env;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

} // namespace

std::string home() {
    const std::string path = unresolvedHome();
    return PathResolution::resolvingSymlinks(path).value_or(PathResolution::standardized(path));
}

std::string dataHome(const std::string& home) {
    if (const char* env = std::getenv("XDG_DATA_HOME"); env && env[0] == '/')
        return PathResolution::standardized(env);
    return (home == "/" ? std::string() : home) + "/.local/share";
}

} // namespace ambertrove::UserFolders
