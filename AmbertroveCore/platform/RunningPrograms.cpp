#include "platform/RunningPrograms.hpp"

#include "platform/PathResolution.hpp"

#include <cctype>
#include <dirent.h>
#include <memory>
#include <unistd.h>

namespace ambertrove::RunningPrograms {

namespace {

bool isNumber(const char* name) {
    if (!*name)
        return false;
    for (; *name; ++name)
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    return true;
}

} // namespace

std::optional<std::string> ownExecutable(const std::string& procRoot) {
    return PathResolution::readLink(procRoot + "/self/exe");
}

std::vector<std::string> executables(const std::string& procRoot) {
    std::vector<std::string> out;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(procRoot.c_str()), ::closedir);
    if (!dir)
        return out;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!isNumber(entry->d_name))
            continue;
        std::optional<std::string> exe = PathResolution::readLink(procRoot + "/" + entry->d_name + "/exe");
        // The kernel marks an executable that was removed after it started; it no longer lies anywhere.
        if (!exe || !exe->starts_with('/') || exe->ends_with(" (deleted)"))
            continue;
        if (std::optional<std::string> resolved = PathResolution::resolvingSymlinks(*exe))
            out.push_back(std::move(*resolved));
    }
    return out;
}

} // namespace ambertrove::RunningPrograms
