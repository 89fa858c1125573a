#pragma once

#include "cleanup/CleanupPolicy.hpp"
#include "cleanup/CleanupService.hpp"
#include "model/ScanResult.hpp"
#include "platform/FreedesktopTrash.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/DiskScanner.hpp"
#include "support/Checks.hpp"
#include "support/TempDir.hpp"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

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
