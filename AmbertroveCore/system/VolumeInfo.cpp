#include "system/VolumeInfo.hpp"

#include "base/PathText.hpp"
#include "platform/MountTable.hpp"
#include "platform/Saturating.hpp"

#include <algorithm>
#include <cerrno>
#include <sys/statvfs.h>

namespace ambertrove {

namespace {

std::optional<VolumeInfo> readVolume(const std::string& path, std::string name) {
    struct statvfs values {};
    int rc;
    do
        rc = ::statvfs(path.c_str(), &values);
    while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return std::nullopt;
    return VolumeInfo::fromBlocks(path, std::move(name), values.f_blocks, values.f_bfree, values.f_bavail,
                                  values.f_frsize);
}

} // namespace

VolumeInfo VolumeInfo::fromBlocks(std::string path, std::string name, std::uint64_t blocks,
                                  std::uint64_t freeBlocks, std::uint64_t availableBlocks, std::uint64_t blockSize) {
    const std::uint64_t usedBlocks = blocks > freeBlocks ? blocks - freeBlocks : 0;
    const std::uint64_t available = std::min(availableBlocks, blocks - usedBlocks);
    VolumeInfo volume;
    volume.path = std::move(path);
    volume.name = std::move(name);
    volume.total = Saturating::bytes(usedBlocks + available, blockSize);
    volume.free = Saturating::bytes(available, blockSize);
    // Linux keeps no purgeable space that it would free on demand: what is available is all there is.
    volume.importantAvailable = volume.free;
    return volume;
}

std::int64_t VolumeInfo::used() const {
    return total > free ? total - free : 0;
}

double VolumeInfo::fraction() const {
    return total < 1 ? 0.0 : double(used()) / double(total);
}

std::optional<VolumeInfo> VolumeInfo::read(const std::string& path) {
    const std::optional<std::string> mountPoint = MountTable::mountPointOf(path);
    return readVolume(path, std::string(PathText::name(mountPoint ? *mountPoint : path)));
}

std::vector<VolumeInfo> VolumeInfo::mounted(const std::string& mountTable) {
    std::vector<VolumeInfo> volumes;
    const std::optional<std::vector<std::string>> paths = MountTable::volumePaths(mountTable);
    if (!paths)
        return volumes;
    for (const std::string& path : *paths)
        if (std::optional<VolumeInfo> volume = readVolume(path, std::string(PathText::name(path))))
            volumes.push_back(std::move(*volume));
    return volumes;
}

} // namespace ambertrove
