#include "analysis/ScanPresentation.hpp"

#include "analysis/CancellationPoints.hpp"

#include <array>
#include <future>

namespace ambertrove {

namespace {

constexpr std::uint32_t kNoKey = 0xFFFFFFFFu;

// Per-category sums kept in fixed slots while walking; only categories that received a file become
// entries of the result.
struct CategorySums {
    std::array<std::int64_t, kAllFileCategories.size()> allocated{};
    std::array<std::int64_t, kAllFileCategories.size()> logical{};
    std::uint32_t present = 0;

    void add(std::int64_t ownAllocated, std::int64_t ownLogical, FileCategory category) {
        const auto k = static_cast<std::size_t>(category);
        allocated[k] = saturatingAdd(allocated[k], ownAllocated);
        logical[k] = saturatingAdd(logical[k], ownLogical);
        present |= 1u << k;
    }
    [[nodiscard]] FileTypeTotals totals() const {
        FileTypeTotals out;
        for (FileCategory c : kAllFileCategories) {
            const auto k = static_cast<std::size_t>(c);
            if (present & (1u << k)) {
                out.allocated[c] = allocated[k];
                out.logical[c] = logical[k];
            }
        }
        return out;
    }
};

// A file's own sizes. Records derive them from the subtree sizes unless a stored file said otherwise.
std::pair<std::int64_t, std::int64_t> ownSizes(const NodeTable& nodes, NodeIndex i) {
    const NodeTable::NodeRef r = nodes[i];
    if (r.flags() & NodeTable::kHasExtras) {
        const NodeData d = nodes.data(i);
        return {d.ownAllocatedSize, d.ownLogicalSize};
    }
    if (r.isDirectory())
        return {0, 0};
    return {r.allocatedSize(), r.logicalSize()};
}

} // namespace

ScanPresentation::Distribution ScanPresentation::distribution(const ScanResult& scan, std::string_view focus,
                                                              const TaskCancellation& cancellation) {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    Distribution result;
    const NodeIndex focusIndex = nodes.find(focus);
    if (focusIndex == kNoNode || nodes.children(focusIndex).empty())
        return result;

    struct Pending {
        NodeIndex node;
        std::uint32_t key; // position in `keys`, or kNoKey for entries lying directly in the focus
    };
    std::vector<Pending> stack;
    for (NodeIndex c : nodes.children(focusIndex))
        stack.push_back({c, kNoKey});
    // A path listed twice (possible in a stored scan) is counted once; a list that leads back up the
    // tree cannot loop.
    std::vector<bool> visited(nodes.recordCount(), false);
    visited[focusIndex] = true;
    CategorySums total;
    std::vector<NodeIndex> keys;
    std::vector<CategorySums> perKey;
    while (!stack.empty()) {
        const Pending item = stack.back();
        stack.pop_back();
        points.visit();
        if (visited[item.node] || !nodes.isNode(item.node))
            continue;
        visited[item.node] = true;
        const NodeTable::NodeRef r = nodes[item.node];
        if (!r.isDirectory()) {
            const FileCategory category = classifyFile(nodes.name(item.node));
            const auto [allocated, logical] = ownSizes(nodes, item.node);
            total.add(allocated, logical, category);
            if (item.key != kNoKey)
                perKey[item.key].add(allocated, logical, category);
            continue;
        }
        std::uint32_t key = item.key;
        if (key == kNoKey && !nodes.children(item.node).empty()) {
            key = static_cast<std::uint32_t>(keys.size());
            keys.push_back(item.node);
            perKey.emplace_back();
        }
        for (NodeIndex c : nodes.children(item.node))
            stack.push_back({c, key});
    }
    points.check();
    result.total = total.totals();
    for (std::size_t k = 0; k < keys.size(); ++k)
        if (perKey[k].present)
            result.folders.emplace(nodes.path(keys[k]), perKey[k].totals());
    return result;
}

ScanPresentation ScanPresentation::make(const ScanResult& scan, const QuickWin::TrashFolders& trash,
                                        const TaskCancellation& cancellation) {
    ScanPresentation presentation;
    // The two walks only read the scan: the totals are summed on a thread of their own meanwhile, and the
    // window gets a finished scan that much sooner. The quick wins, which allocate much more, stay on this
    // thread, whose memory is at hand. (The future waits for its thread whatever happens.)
    std::future<Distribution> totals =
        std::async(std::launch::async, [&] { return distribution(scan, scan.rootPath, cancellation); });
    presentation.quickWins = QuickWin::discover(scan, trash, cancellation);
    Distribution distributed = totals.get();
    presentation.types = std::move(distributed.total);
    presentation.folderTypes = std::move(distributed.folders);
    // Bytes of quick-win nodes lying inside other quick-win nodes (of any kind) are counted once.
    std::vector<std::string_view> paths;
    std::vector<std::int64_t> sizes;
    for (const QuickWin& win : presentation.quickWins)
        for (const DiskNode& node : win.nodes) {
            paths.push_back(node.path);
            sizes.push_back(node.allocatedSize);
        }
    for (std::size_t k : QuickWin::topmostPositions(paths))
        presentation.uniqueQuickWinBytes = saturatingAdd(presentation.uniqueQuickWinBytes, sizes[k]);
    return presentation;
}

} // namespace ambertrove
