#include "analysis/NodeDisplay.hpp"

#include "base/PathText.hpp"

#include <algorithm>
#include <array>

namespace ambertrove::NodeDisplay {

namespace {

// The bundle extensions shown as one item, lower case. The first eleven are always packages; the rest
// are the other folder formats that are bundles where they come from (no type database on Linux
// knows them).
constexpr std::array<std::string_view, 35> kPackageExtensions = {
    "app", "bundle", "framework", "plugin", "appex", "xpc", "photoslibrary", "photolibrary", "playground",
    "xcodeproj", "xcworkspace",
    // Other bundle formats.
    "rtfd", "pages", "numbers", "key", "kext", "prefpane", "qlgenerator", "mdimporter", "saver", "wdgt",
    "sparsebundle", "scptd", "xcarchive", "dsym", "xcdatamodeld", "docset", "fcpbundle", "logicx",
    "imovielibrary", "musiclibrary", "tvlibrary", "systemextension", "pvm", "vmwarevm"};

std::string_view kindOf(bool isSymbolicLink, bool isDirectory, std::string_view path) {
    if (isSymbolicLink)
        return "Symbolic link";
    if (isDirectory)
        return isPackageDirectory(path) ? "Application" : "Folder";
    return displayName(classifyFile(path));
}

} // namespace

std::int64_t itemCount(const DiskNode& node) {
    return node.isDirectory ? saturatingAdd(node.fileCount, node.folderCount) : 1;
}

std::int64_t itemCount(const NodeTable& nodes, NodeIndex i) {
    const NodeTable::NodeRef r = nodes[i];
    return r.isDirectory() ? saturatingAdd(r.fileCount(), r.folderCount()) : 1;
}

bool isPackageDirectory(std::string_view path) {
    const std::string_view ext = PathText::pathExtension(path);
    if (ext.empty() || ext.size() > 16)
        return false;
    char lower[16];
    std::transform(ext.begin(), ext.end(), lower,
                   [](char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; });
    const std::string_view key(lower, ext.size());
    return std::find(kPackageExtensions.begin(), kPackageExtensions.end(), key) != kPackageExtensions.end();
}

bool isPackage(const DiskNode& node) {
    return node.isDirectory && isPackageDirectory(node.path);
}

bool isPackage(const NodeTable& nodes, NodeIndex i) {
    return nodes[i].isDirectory() && isPackageDirectory(nodes.name(i));
}

std::string_view kindName(const DiskNode& node) {
    return kindOf(node.isSymbolicLink, node.isDirectory, node.path);
}

std::string_view kindName(const NodeTable& nodes, NodeIndex i) {
    const NodeTable::NodeRef r = nodes[i];
    return kindOf(r.isSymbolicLink(), r.isDirectory(), nodes.name(i));
}

} // namespace ambertrove::NodeDisplay
