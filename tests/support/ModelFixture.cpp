#include "support/ModelFixture.hpp"

#include "base/PathText.hpp"

#include <stdexcept>
#include <sys/stat.h>

namespace ambertrove::test {

ModelFixture::ModelFixture(const std::string& rootPath) {
    m_scan.rootPath = rootPath;
    m_scan.scannedAt = Date::fromUnixSeconds(1'700'000'000);
    m_scan.duration = 1.5;
    NodeData d;
    d.isDirectory = true;
    d.identity.mode = S_IFDIR | 0755;
    d.identity.inode = m_nextInode++;
    m_scan.nodes.setNode(m_scan.nodes.ensurePath(rootPath), d, false);
}

NodeIndex ModelFixture::add(const std::string& path, NodeData data) {
    const std::size_t slash = path.rfind('/');
    const std::string parentPath = slash == 0 ? "/" : path.substr(0, slash);
    const NodeIndex parent = m_scan.nodes.find(parentPath);
    if (parent == kNoNode)
        throw std::logic_error("add the parent first: " + path);
    const NodeIndex i = m_scan.nodes.addRecord(parent, PathText::name(path));
    if (data.identity.inode == 0)
        data.identity.inode = m_nextInode++;
    m_scan.nodes.setNode(i, data, true);
    m_scan.nodes.appendChild(parent, i);
    return i;
}

NodeIndex ModelFixture::folder(const std::string& path, std::int64_t modifiedUnix) {
    NodeData d;
    d.isDirectory = true;
    d.identity.mode = S_IFDIR | 0755;
    d.identity.size = 4096;
    d.identity.modifiedSeconds = modifiedUnix;
    d.modified = d.created = d.accessed = Date::fromUnixSeconds(modifiedUnix);
    return add(path, d);
}

NodeIndex ModelFixture::file(const std::string& path, std::int64_t logical, std::int64_t allocated,
                             std::int64_t modifiedUnix) {
    NodeData d;
    d.identity.mode = S_IFREG | 0644;
    d.identity.size = logical;
    d.identity.linkCount = 1;
    d.identity.modifiedSeconds = modifiedUnix;
    d.modified = d.created = d.accessed = Date::fromUnixSeconds(modifiedUnix);
    d.logicalSize = d.ownLogicalSize = logical;
    d.allocatedSize = d.ownAllocatedSize = allocated;
    d.fileCount = 1;
    return add(path, d);
}

ScanResult ModelFixture::finish() {
    NodeTable& t = m_scan.nodes;
    // Entries were added in walk order, so one backward pass completes every folder before its parent.
    for (NodeIndex i = static_cast<NodeIndex>(t.recordCount()); i-- > 1;) {
        if (!t.isNode(i))
            continue;
        const NodeIndex p = t.parentNode(i);
        if (p == kNoNode)
            continue;
        t.addToTotals(p, i);
    }
    t.finish();
    return std::move(m_scan);
}

} // namespace ambertrove::test
