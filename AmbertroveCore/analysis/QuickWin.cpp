#include "analysis/QuickWin.hpp"

#include "analysis/CancellationPoints.hpp"
#include "base/PathText.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <unordered_set>

namespace ambertrove {

namespace {

bool isOneOf(std::string_view text, std::initializer_list<std::string_view> list) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

std::string lowerCased(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isVirtualDiskExtension(std::string_view ext) {
    return isOneOf(ext, {"vmdk", "qcow2", "vhdx", "pvm", "vmwarevm"});
}

constexpr std::int64_t kLargeMediaBytes = 100'000'000;

// The rules for one entry: the first that matches gives its kind. `path` builds the full path on the
// few names whose rule also looks at where the entry lies.
class Rules {
public:
    Rules(const NodeTable& nodes, const QuickWin::TrashFolders& trash)
        : m_nodes(nodes)
        , m_trash(trash)
        , m_homeTrashName(trash.homeTrash.empty() ? std::string_view() : PathText::name(trash.homeTrash)) {}

    std::optional<QuickWinKind> kindOf(NodeIndex i) {
        const NodeTable::NodeRef r = m_nodes[i];
        const std::string_view name = m_nodes.name(i);
        const std::string ext = lowerCased(PathText::pathExtension(name));
        m_pathBuilt = false;
        if (r.isDirectory())
            return directoryKind(i, name, ext);
        if (isVirtualDiskExtension(ext))
            return QuickWinKind::virtualMachines;
        if (isOneOf(ext, {"dmg", "pkg", "iso", "sparseimage"}))
            return QuickWinKind::installers;
        if (r.logicalSize() >= kLargeMediaBytes) {
            const FileCategory category = classifyFile(name);
            if (category == FileCategory::video || category == FileCategory::audio ||
                category == FileCategory::image)
                return QuickWinKind::media;
        }
        return std::nullopt;
    }

private:
    std::optional<QuickWinKind> directoryKind(NodeIndex i, std::string_view name, std::string_view ext) {
        if (name == "Downloads")
            return QuickWinKind::downloads;
        if (name == "DerivedData" && pathContains(i, "/Developer/Xcode/"))
            return QuickWinKind::derivedData;
        if (name == "Devices" && pathContains(i, "/CoreSimulator/"))
            return QuickWinKind::simulators;
        if (name == "node_modules")
            return QuickWinKind::dependencies;
        if (isOneOf(name, {".build", "build", "dist", ".next", "target", ".nuxt", "__pycache__",
                           ".pytest_cache", ".dart_tool", "Pods", ".turbo", ".parcel-cache"}))
            return QuickWinKind::builds;
        if (isOneOf(name, {".android", ".gradle", "Android"}))
            return QuickWinKind::android;
        if (isOneOf(name,
                    {".colima", ".orbstack", "Virtual Machines.localized", "com.docker.docker", "OrbStack"}))
            return QuickWinKind::virtualMachines;
        if (isVirtualDiskExtension(ext))
            return QuickWinKind::virtualMachines;
        if (name == ".Trash" || isLinuxTrash(i, name))
            return QuickWinKind::trash;
        if (name == "Mail" && pathContains(i, "/Library/"))
            return QuickWinKind::mail;
        if (name == ".cache" || name == ".npm")
            return QuickWinKind::caches;
        if ((name == "Caches" || name == "Logs") && pathContains(i, "/Library/"))
            return QuickWinKind::caches;
        return std::nullopt;
    }

    bool isLinuxTrash(NodeIndex i, std::string_view name) {
        if (!m_trash.volumeTrashName.empty() && name == m_trash.volumeTrashName)
            return true;
        return !m_homeTrashName.empty() && name == m_homeTrashName && path(i) == m_trash.homeTrash;
    }

    bool pathContains(NodeIndex i, std::string_view text) { return path(i).find(text) != std::string::npos; }

    const std::string& path(NodeIndex i) {
        if (!m_pathBuilt) {
            m_path.clear();
            m_nodes.appendPath(i, m_path);
            m_pathBuilt = true;
        }
        return m_path;
    }

    const NodeTable& m_nodes;
    const QuickWin::TrashFolders& m_trash;
    std::string_view m_homeTrashName;
    std::string m_path;
    bool m_pathBuilt = false;
};

} // namespace

QuickWin::TrashFolders QuickWin::TrashFolders::forUser(std::string_view home, unsigned uid) {
    TrashFolders folders;
    while (home.size() > 1 && home.back() == '/')
        home.remove_suffix(1);
    if (!home.empty())
        folders.homeTrash = std::string(home == "/" ? "" : home) + "/.local/share/Trash";
    folders.volumeTrashName = ".Trash-" + std::to_string(uid);
    return folders;
}

std::int64_t QuickWin::bytes() const {
    std::int64_t total = 0;
    for (const DiskNode& node : nodes)
        total = saturatingAdd(total, node.allocatedSize);
    return total;
}

std::vector<QuickWin> QuickWin::discover(const ScanResult& scan, const TrashFolders& trash,
                                         const TaskCancellation& cancellation) {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    const NodeIndex root = scan.rootIndex();
    std::array<std::vector<NodeIndex>, kAllQuickWinKinds.size()> found;
    Rules rules(nodes, trash);
    nodes.forEachNode([&](NodeIndex i) {
        points.visit();
        if (i == root || nodes[i].isSymbolicLink())
            return;
        if (const auto kind = rules.kindOf(i))
            found[static_cast<std::size_t>(*kind)].push_back(i);
    });

    std::vector<QuickWin> wins;
    wins.reserve(kAllQuickWinKinds.size());
    for (QuickWinKind kind : kAllQuickWinKinds) {
        const std::vector<NodeIndex>& indices = found[static_cast<std::size_t>(kind)];
        std::vector<std::string> paths;
        paths.reserve(indices.size());
        for (NodeIndex i : indices) {
            points.visit();
            paths.push_back(nodes.nodePath(i));
        }
        std::vector<std::size_t> kept =
            topmostPositions(std::vector<std::string_view>(paths.begin(), paths.end()));
        std::stable_sort(kept.begin(), kept.end(), [&](std::size_t a, std::size_t b) {
            return nodes[indices[a]].allocatedSize() > nodes[indices[b]].allocatedSize();
        });
        QuickWin win;
        win.kind = kind;
        win.nodes.reserve(kept.size());
        for (std::size_t k : kept) {
            points.visit();
            win.nodes.push_back(nodes.makeNode(indices[k]));
        }
        wins.push_back(std::move(win));
    }
    points.check();
    return wins;
}

std::vector<std::size_t> QuickWin::topmostPositions(std::span<const std::string_view> paths) {
    std::unordered_set<std::string_view> seen;
    std::vector<std::size_t> unique;
    unique.reserve(paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k)
        if (seen.insert(paths[k]).second)
            unique.push_back(k);
    const bool hasRoot = seen.contains("/");
    std::vector<std::size_t> kept;
    for (std::size_t k : unique) {
        const std::string_view path = paths[k];
        bool below = false;
        if (hasRoot) {
            below = path != "/";
        } else {
            // Each ancestor is the path cut at its last "/"; the test is by text alone.
            std::string_view ancestor = path;
            for (;;) {
                const auto slash = ancestor.rfind('/');
                if (slash == std::string_view::npos)
                    break;
                ancestor = ancestor.substr(0, slash);
                if (ancestor.empty())
                    break;
                if (seen.contains(ancestor)) {
                    below = true;
                    break;
                }
            }
        }
        if (!below)
            kept.push_back(k);
    }
    std::sort(kept.begin(), kept.end(), [&](std::size_t a, std::size_t b) { return paths[a] < paths[b]; });
    return kept;
}

std::vector<DiskNode> QuickWin::topmost(const std::vector<DiskNode>& nodes) {
    std::vector<std::string_view> paths;
    paths.reserve(nodes.size());
    for (const DiskNode& node : nodes)
        paths.push_back(node.path);
    std::vector<DiskNode> out;
    for (std::size_t k : topmostPositions(paths))
        out.push_back(nodes[k]);
    return out;
}

} // namespace ambertrove
