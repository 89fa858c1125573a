#include "SyntheticScan.hpp"

#include <array>
#include <cstdio>
#include <random>
#include <string_view>
#include <vector>

namespace ambertrove::bench {

namespace {

constexpr std::array<std::string_view, 16> kExtensions = {"dat", "txt",  "jpg", "png", "mp4", "mp3",
                                                          "js",  "json", "cpp", "h",   "zip", "pdf",
                                                          "md",  "dmg",  "MOV", "log"};
constexpr std::array<std::string_view, 8> kFolderNames = {"node_modules", "build",  ".cache", "Downloads",
                                                          "src",          "Photos", "dist",   ".git"};

void makeName(char (&name)[48], bool folder, bool varied, std::size_t made, std::mt19937_64& random) {
    if (!varied) {
        std::snprintf(name, sizeof name, folder ? "folder-%zu" : "file-%zu.dat", made);
        return;
    }
    const bool hidden = random() % 20 == 0;
    if (folder) {
        if (random() % 8 == 0)
            std::snprintf(name, sizeof name, "%s", kFolderNames[random() % kFolderNames.size()].data());
        else
            std::snprintf(name, sizeof name, "%sFolder %zu", hidden ? "." : "", made);
        return;
    }
    std::snprintf(name, sizeof name, "%s%s-%zu.%s", hidden ? "." : "", random() % 2 ? "Report" : "image",
                  made, kExtensions[random() % kExtensions.size()].data());
}

} // namespace

ScanResult syntheticScan(std::size_t count, bool varied) {
    ScanResult scan;
    scan.rootPath = "/bench/root";
    scan.scannedAt = Date::now();
    NodeTable& t = scan.nodes;
    t.reserve(count + 2);
    std::mt19937_64 random(42);
    const NodeIndex root = t.ensurePath(scan.rootPath);
    NodeData folder;
    folder.isDirectory = true;
    folder.identity.mode = 040755;
    t.setNode(root, folder, false);

    struct Frame {
        NodeIndex index;
        int remaining;
        std::vector<std::string> used; // names of a varied folder, which repeat
    };
    std::vector<Frame> stack{{root, 40, {}}};
    std::size_t made = 1;
    std::uint64_t inode = 2;
    while (made < count && !stack.empty()) {
        Frame& top = stack.back();
        if (top.remaining-- <= 0) {
            stack.pop_back();
            if (stack.empty())
                stack.push_back({root, 40, {}});
            continue;
        }
        const bool makeFolder = stack.size() < 9 && random() % 6 == 0;
        char name[48];
        makeName(name, makeFolder, varied, made, random);
        if (varied) {
            // Fixed folder names can repeat among siblings; a later one gets a number.
            for (const std::string& u : top.used)
                if (u == name) {
                    std::snprintf(name, sizeof name, "%s %zu", u.c_str(), made);
                    break;
                }
            if (makeFolder)
                top.used.emplace_back(name);
        }
        const NodeIndex parent = top.index;
        const NodeIndex i = t.addRecord(parent, name);
        NodeData d;
        d.isDirectory = makeFolder;
        d.identity.inode = inode++;
        d.identity.device = 2049;
        d.identity.modifiedSeconds = 1700000000 + static_cast<std::int64_t>(random() % 10000000);
        d.identity.modifiedNanos = static_cast<std::int64_t>(random() % 1000000000);
        d.identity.changedSeconds = d.identity.modifiedSeconds;
        d.identity.changedNanos = d.identity.modifiedNanos;
        d.identity.linkCount = 1;
        d.modified = Date::fromUnixSeconds(d.identity.modifiedSeconds);
        d.created = d.modified;
        d.accessed = d.modified;
        if (makeFolder) {
            d.identity.mode = 040755;
            d.identity.size = 4096;
        } else {
            d.identity.mode = 0100644;
            d.identity.size = static_cast<std::int64_t>(random() % 200000);
            d.logicalSize = d.ownLogicalSize = d.identity.size;
            d.allocatedSize = d.ownAllocatedSize = (d.identity.size + 4095) / 4096 * 4096;
            d.fileCount = 1;
        }
        t.setNode(i, d, true);
        t.appendChild(parent, i);
        ++made;
        if (makeFolder)
            stack.push_back({i, static_cast<int>(random() % 60), {}});
    }
    if (varied) {
        // Records were added in walk order: one backward pass completes every folder before its parent.
        for (NodeIndex i = static_cast<NodeIndex>(t.recordCount()); i-- > 1;) {
            const NodeIndex p = t.parentNode(i);
            if (!t.isNode(i) || p == kNoNode)
                continue;
            t.addToTotals(p, i);
        }
    }
    t.finish();
    return scan;
}

} // namespace ambertrove::bench
