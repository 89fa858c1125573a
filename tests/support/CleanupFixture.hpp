#pragma once

#include "cleanup/CleanupPolicy.hpp"
#include "cleanup/CleanupService.hpp"
#include "model/ScanResult.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "platform/PathResolution.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/DiskScanner.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <system_error>
#include <vector>

#include <memory>
#include <string>
#include <unistd.h>

namespace ambertrove::test {

// A home folder and a data folder with its Trash, inside one temporary folder, so that nothing a test
// does reaches the real home or Trash.
struct TrashFixture {
    TempDir dir;
    std::string home = dir.makeDir("home");
    std::string dataHome = dir.makeDir("home/.local/share");
    std::string trashFolder = dataHome + "/Trash";
    std::shared_ptr<FreedesktopTrash> trash =
        std::make_shared<FreedesktopTrash>(FreedesktopTrash::Locations{trashFolder, ::getuid(), {}, {}});
};

// The same with an empty process list, a policy for that home and a service over that Trash.
struct CleanupFixture : TrashFixture {
    std::string proc = dir.makeDir("proc");
    CleanupPolicy policy{home, dataHome, proc};
    CleanupService service{trash, [this] {
                               return policy;
                           }};

    // A scan of `relative` inside the home folder.
    [[nodiscard]] ScanResult scan(const std::string& relative) const {
        const CancellationFlag flag;
        return DiskScanner().scan(home + "/" + relative, flag);
    }
    // Lists `path` as a running program.
    void runProgram(const std::string& pid, const std::string& path) {
        dir.makeDir("proc/" + pid);
        dir.makeSymlink("proc/" + pid + "/exe", path);
    }
};

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

// The errno code of the std::system_error `f` threw; 0 when it threw none.
inline int errnoOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

// The form of a ".trashinfo" record.
inline const std::string kTrashInfoPattern =
    "\\[Trash Info\\]\nPath=[^\n]*\nDeletionDate=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\n";

// Sets or clears the kernel's immutable attribute. Returns 0 or the errno of the refusal.
inline int setImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    int flags = 0;
    int error = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        error = errno;
    } else {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
            error = errno;
    }
    ::close(fd);
    return error;
}

} // namespace ambertrove::test
