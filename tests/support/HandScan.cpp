#include "support/HandScan.hpp"

#include <stdexcept>

namespace ambertrove::test {

namespace {

NodeData entry(std::uint16_t mode, std::int64_t modified) {
    NodeData d;
    d.identity.mode = mode;
    d.identity.linkCount = 1;
    d.identity.modifiedSeconds = modified;
    d.modified = d.created = d.accessed = Date::fromUnixSeconds(modified);
    return d;
}

} // namespace

HandScan::HandScan(std::string rootPath) {
    m_scan.rootPath = std::move(rootPath);
    NodeData root = entry(040755, 0);
    root.isDirectory = true;
    const NodeIndex i = m_scan.nodes.ensurePath(m_scan.rootPath);
    m_byPath[m_scan.rootPath] = 0;
    m_byIndex[i] = 0;
    m_order.push_back(i);
    m_data.push_back(root);
}

HandScan& HandScan::add(const std::string& path, const NodeData& data) {
    const auto slash = path.rfind('/');
    const std::string parentPath = slash == 0 ? "/" : path.substr(0, slash);
    const auto parent = m_byPath.find(parentPath);
    if (parent == m_byPath.end() || !m_data[parent->second].isDirectory)
        throw std::logic_error("HandScan: no folder " + parentPath);
    const NodeIndex parentIndex = m_order[parent->second];
    const NodeIndex i = m_scan.nodes.addRecord(parentIndex, path.substr(slash + 1));
    m_scan.nodes.appendChild(parentIndex, i);
    m_byPath[path] = m_order.size();
    m_byIndex[i] = m_order.size();
    m_order.push_back(i);
    m_data.push_back(data);
    return *this;
}

HandScan& HandScan::folder(const std::string& path, std::int64_t modified) {
    NodeData d = entry(040755, modified);
    d.isDirectory = true;
    return add(path, d);
}

HandScan& HandScan::file(const std::string& path, std::int64_t logical, std::int64_t allocated,
                         std::int64_t modified, std::int64_t accessed) {
    NodeData d = entry(0100644, modified);
    d.accessed = Date::fromUnixSeconds(accessed);
    d.identity.size = logical;
    d.logicalSize = d.ownLogicalSize = logical;
    d.allocatedSize = d.ownAllocatedSize = allocated;
    d.fileCount = 1;
    return add(path, d);
}

HandScan& HandScan::symlink(const std::string& path, std::int64_t length, std::int64_t modified) {
    NodeData d = entry(0120777, modified);
    d.isSymbolicLink = true;
    d.identity.size = length;
    d.logicalSize = d.ownLogicalSize = length;
    d.fileCount = 1;
    return add(path, d);
}

ScanResult HandScan::finish() {
    NodeTable& t = m_scan.nodes;
    // Entries come after their folders, so a backward pass sums each subtree before its folder is read.
    for (std::size_t k = m_order.size(); k-- > 1;) {
        const NodeData& d = m_data[k];
        NodeData& p = m_data[m_byIndex.at(t[m_order[k]].parent)];
        p.logicalSize += d.logicalSize;
        p.allocatedSize += d.allocatedSize;
        p.fileCount += d.fileCount;
        p.folderCount += d.folderCount + (d.isDirectory ? 1 : 0);
    }
    for (std::size_t k = 0; k < m_order.size(); ++k)
        t.setNode(m_order[k], m_data[k], k != 0);
    t.finish();
    return std::move(m_scan);
}

} // namespace ambertrove::test
