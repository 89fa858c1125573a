#include "model/DiskNode.hpp"

#include "base/PathText.hpp"

#include <sys/stat.h>

namespace ambertrove {

NodeData NodeData::fromStatus(const FileIdentity& identity, const FileStatus& status,
                              std::optional<std::int64_t> allocatedOverride) {
    NodeData n;
    const unsigned type = status.mode & S_IFMT;
    n.isDirectory = type == S_IFDIR;
    n.isSymbolicLink = type == S_IFLNK;
    n.isCloudPlaceholder = status.isDataless;
    if (!n.isDirectory) {
        const std::int64_t logical = status.size < 0 ? 0 : status.size;
        std::int64_t allocated;
        if (allocatedOverride) {
            allocated = *allocatedOverride;
        } else if (status.blocks <= 0) {
            allocated = 0;
        } else if (status.blocks > INT64_MAX / 512) {
            allocated = INT64_MAX; // cannot come from a real file system; saturate
        } else {
            allocated = status.blocks * 512;
        }
        n.logicalSize = n.ownLogicalSize = logical;
        n.allocatedSize = n.ownAllocatedSize = allocated;
        if (status.isCompressed && logical > allocated)
            n.compressedSavings = logical - allocated;
        n.fileCount = 1;
    }
    n.created = Date::fromUnixSeconds(status.birthSeconds);
    n.modified = Date::fromUnixSeconds(status.modifiedSeconds);
    n.accessed = Date::fromUnixSeconds(status.accessedSeconds);
    n.identity = identity;
    return n;
}

bool NodeData::isRegularFile() const {
    return (identity.mode & S_IFMT) == S_IFREG;
}

DiskNode::DiskNode(std::string path_, std::optional<std::string> parent_, const FileIdentity& identity_,
                   const FileStatus& metadata, std::optional<std::int64_t> allocatedOverride)
    : NodeData(NodeData::fromStatus(identity_, metadata, allocatedOverride))
    , path(std::move(path_))
    , parent(std::move(parent_)) {}

std::string DiskNode::name() const {
    return std::string(PathText::name(path));
}

} // namespace ambertrove
