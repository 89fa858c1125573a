#include "analysis/ScanTableQuery.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/LocalizedOrder.hpp"
#include "analysis/NodeDisplay.hpp"
#include "analysis/OrderedBits.hpp"
#include "analysis/ParallelParts.hpp"
#include "analysis/PathCache.hpp"
#include "analysis/PathOrder.hpp"
#include "analysis/ScanSortCache.hpp"

#include <algorithm>
#include <array>
#include <atomic>

namespace ambertrove {

namespace {

// Every text the kind column can show.
constexpr std::array<std::string_view, 10> kKindNames = {
    "Symbolic link", "Application", "Folder",    "Video",   "Audio",
    "Image",         "Document",    "Developer", "Archive", "Other"};

// One row of the sort: its key as an ordered 64-bit number (for a name, the first 16 bytes of its
// collation key; the rest is compared only when those agree), inverted for a descending sort, and the
// row's position in the visiting order.
struct SortRow {
    std::uint64_t key;
    std::uint64_t key2; // bytes 8 to 15 of a collation key
    std::uint32_t slot;
    std::uint32_t rank = 0; // the path's rank, when the whole table's ranks are at hand
};

// The first 8 bytes of `text` from `from` on as a big-endian number, zeros past its end.
std::uint64_t bytesAt(std::string_view text, std::size_t from) {
    std::uint64_t value = 0;
    for (std::size_t k = from; k < from + 8; ++k)
        value = value << 8 | (k < text.size() ? static_cast<unsigned char>(text[k]) : 0);
    return value;
}

// Runs work(part, begin, end, points) over `items` items: on the calling thread with its points for one
// part, else split into `parts` parts on threads of their own, each with points of its own.
template <class Work>
void forEachPart(std::size_t items, std::size_t parts, CancellationPoints& points, SharedCancellation& shared,
                 Work&& work) {
    if (parts <= 1) {
        work(std::size_t(0), std::size_t(0), items, points);
        return;
    }
    ParallelParts::run(parts, shared, [&](std::size_t part) {
        PartPoints own(shared);
        work(part, ParallelParts::partBegin(items, parts, part),
             ParallelParts::partBegin(items, parts, part + 1), own);
    });
}

// Rows and their keys: numbers (sizes, counts, the rank of a kind text), dates, or collation keys of
// names, which compare byte-wise as the names compare in the localized order. Large listings have their
// keys made in parts, side by side.
class SortKeys {
public:
    SortKeys(const NodeTable& nodes, const std::vector<NodeIndex>& rows, ScanSortField field, bool ascending,
             const std::string& locale, std::size_t parts, CancellationPoints& points,
             SharedCancellation& shared)
        : m_ascending(ascending) {
        m_rows.resize(rows.size());
        const auto set = [&](std::size_t r, std::uint64_t key, std::uint64_t key2 = 0) {
            m_rows[r] = {ascending ? key : ~key, ascending ? key2 : ~key2, static_cast<std::uint32_t>(r)};
        };
        switch (field) {
        case ScanSortField::name: {
            // Each part keeps its keys one after another in an arena of its own; the views are made once
            // the part's arena is complete.
            m_keys.resize(rows.size());
            m_arenas.resize(std::max<std::size_t>(parts, 1));
            forEachPart(rows.size(), parts, points, shared,
                        [&](std::size_t part, std::size_t begin, std::size_t end, auto& own) {
                            const LocalizedOrder order(locale);
                            std::string& arena = m_arenas[part];
                            arena.reserve((end - begin) * 24);
                            std::vector<std::size_t> ends(end - begin);
                            for (std::size_t r = begin; r < end; ++r) {
                                own.visit();
                                order.appendSortKey(nodes.name(rows[r]), arena);
                                ends[r - begin] = arena.size();
                            }
                            for (std::size_t r = begin, from = 0; r < end; from = ends[r - begin], ++r) {
                                const std::string_view key(arena.data() + from, ends[r - begin] - from);
                                m_keys[r] = key;
                                set(r, bytesAt(key, 0), bytesAt(key, 8));
                            }
                        });
            break;
        }
        case ScanSortField::kindName: {
            const LocalizedOrder order(locale);
            std::array<std::int64_t, kKindNames.size()> rank{};
            for (std::size_t k = 0; k < kKindNames.size(); ++k)
                for (std::size_t other = 0; other < kKindNames.size(); ++other)
                    if (order.compare(kKindNames[other], kKindNames[k]) < 0)
                        ++rank[k];
            forEachPart(rows.size(), parts, points, shared,
                        [&](std::size_t, std::size_t begin, std::size_t end, auto& own) {
                            for (std::size_t r = begin; r < end; ++r) {
                                own.visit();
                                const std::string_view kind = NodeDisplay::kindName(nodes, rows[r]);
                                const auto k = std::find(kKindNames.begin(), kKindNames.end(), kind) -
                                               kKindNames.begin();
                                set(r, orderedBits(rank[static_cast<std::size_t>(k)]));
                            }
                        });
            break;
        }
        case ScanSortField::modified:
        case ScanSortField::allocatedSize:
        case ScanSortField::logicalSize:
        case ScanSortField::itemCount:
            forEachPart(rows.size(), parts, points, shared,
                        [&](std::size_t, std::size_t begin, std::size_t end, auto&) {
                            for (std::size_t r = begin; r < end; ++r) {
                                const NodeIndex i = rows[r];
                                const NodeTable::NodeRef n = nodes[i];
                                set(r, field == ScanSortField::modified ? orderedBits(n.modified())
                                       : field == ScanSortField::allocatedSize
                                           ? orderedBits(n.allocatedSize())
                                       : field == ScanSortField::logicalSize
                                           ? orderedBits(n.logicalSize())
                                           : orderedBits(NodeDisplay::itemCount(nodes, i)));
                            }
                        });
            break;
        }
    }

    [[nodiscard]] std::vector<SortRow>& rows() { return m_rows; }

    // Negative, zero or positive as row a comes before, ties with or comes after row b.
    [[nodiscard]] int compare(const SortRow& a, const SortRow& b) const {
        if (a.key != b.key)
            return a.key < b.key ? -1 : 1;
        if (a.key2 != b.key2)
            return a.key2 < b.key2 ? -1 : 1;
        if (m_keys.empty())
            return 0;
        const int c = tail(a.slot).compare(tail(b.slot));
        return m_ascending ? c : -c;
    }

private:
    // A collation key after its first 16 bytes.
    [[nodiscard]] std::string_view tail(std::uint32_t slot) const {
        const std::string_view key = m_keys[slot];
        return key.size() > 16 ? key.substr(16) : std::string_view();
    }

    bool m_ascending;
    std::vector<SortRow> m_rows;
    std::vector<std::string> m_arenas;
    std::vector<std::string_view> m_keys; // by slot, into the arenas
};

// Sorts `rows` by `less`: at once for one part, else each part on its own thread and then the sorted parts
// merged pairwise, each round's merges side by side.
template <class Less>
void sortInParts(std::vector<SortRow>& rows, std::size_t parts, CancellationPoints& points,
                 SharedCancellation& shared, const Less& less) {
    if (parts <= 1) {
        std::sort(rows.begin(), rows.end(), [&](const SortRow& a, const SortRow& b) {
            points.compare();
            return less(a, b);
        });
        return;
    }
    const std::size_t n = rows.size();
    std::vector<std::size_t> bounds(parts + 1);
    for (std::size_t p = 0; p <= parts; ++p)
        bounds[p] = ParallelParts::partBegin(n, parts, p);
    const auto at = [](std::vector<SortRow>& v, std::size_t k) {
        return v.begin() + static_cast<std::ptrdiff_t>(k);
    };
    ParallelParts::run(parts, shared, [&](std::size_t part) {
        PartPoints own(shared);
        std::sort(at(rows, bounds[part]), at(rows, bounds[part + 1]),
                  [&](const SortRow& a, const SortRow& b) {
                      own.compare();
                      return less(a, b);
                  });
    });
    std::vector<SortRow> merged(n);
    while (bounds.size() > 2) {
        const std::size_t runs = bounds.size() - 1;
        std::vector<std::size_t> next;
        for (std::size_t r = 0; r < runs; r += 2)
            next.push_back(bounds[r]);
        next.push_back(n);
        ParallelParts::run((runs + 1) / 2, shared, [&](std::size_t pair) {
            PartPoints own(shared);
            const std::size_t first = bounds[2 * pair], middle = bounds[std::min(2 * pair + 1, runs)],
                              last = bounds[std::min(2 * pair + 2, runs)];
            std::merge(at(rows, first), at(rows, middle), at(rows, middle), at(rows, last), at(merged, first),
                       [&](const SortRow& a, const SortRow& b) {
                           own.compare();
                           return less(a, b);
                       });
        });
        rows.swap(merged);
        bounds = std::move(next);
    }
}

} // namespace

std::vector<NodeIndex> ScanTableQuery::sortedIndices(const ScanResult& scan, std::string_view focus,
                                                     bool recursive,
                                                     const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    const std::vector<NodeIndex> rows = query.indices(scan, focus, recursive, Date::now(), cancellation);
    // Large listings are keyed and sorted in parts side by side; their polls go through one shared test.
    const std::size_t parts = ParallelParts::partsFor(rows.size());
    SharedCancellation shared(cancellation);
    SortKeys keys(nodes, rows, field, ascending, locale, parts, points, shared);
    std::vector<SortRow>& order = keys.rows();

    // With the ranks of every path at hand (made by an earlier sort of the same scan), equal keys are
    // ordered by path in the same sort.
    std::shared_ptr<const std::vector<std::uint32_t>> ranks;
    if (cache && PathOrder::ranksPayOff(rows.size(), nodes.recordCount()))
        ranks = cache->pathRanks(scan, points);
    if (ranks) {
        for (SortRow& row : order) {
            row.rank = (*ranks)[rows[row.slot]];
            if (row.rank == ScanSortCache::kUnranked) {
                ranks.reset(); // a path kept whole: its ties are ordered below
                break;
            }
        }
    }
    if (ranks) {
        sortInParts(order, parts, points, shared, [&](const SortRow& a, const SortRow& b) {
            const int c = keys.compare(a, b);
            return c != 0 ? c < 0 : a.rank < b.rank;
        });
        points.check();
        std::vector<NodeIndex> sorted;
        sorted.reserve(rows.size());
        for (const SortRow& r : order)
            sorted.push_back(rows[r.slot]);
        return sorted;
    }
    sortInParts(order, parts, points, shared,
                [&](const SortRow& a, const SortRow& b) { return keys.compare(a, b) < 0; });

    // Rows with equal keys come in ascending path order, whatever the direction. Only the tied rows
    // have their paths ranked, and each run of them is sorted by that rank.
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    std::vector<bool> isTied(rows.size(), false);
    std::size_t tiedCount = 0;
    for (std::size_t first = 0; first < order.size();) {
        std::size_t last = first + 1;
        while (last < order.size() && keys.compare(order[first], order[last]) == 0)
            ++last;
        if (last - first > 1) {
            runs.emplace_back(first, last);
            for (std::size_t k = first; k < last; ++k)
                isTied[order[k].slot] = true;
            tiedCount += last - first;
        }
        first = last;
    }
    // The tied rows in visiting order, which reads the table far more locally than the sorted order.
    std::vector<NodeIndex> tied;
    tied.reserve(tiedCount);
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (isTied[k])
            tied.push_back(rows[k]);
    PathOrder pathOrder(nodes);
    if (PathOrder::ranksPayOff(tied.size(), nodes.recordCount()))
        pathOrder.rank(tied, points);
    // Sorts one run; within it the key is spent: it becomes the path's rank, when every row of the run has
    // one. Without ranks the paths are compared through the tree, which needs a PathOrder of its own.
    const auto sortRun = [&](std::size_t run, auto& own, PathOrder& byTree) {
        const auto begin = order.begin() + static_cast<std::ptrdiff_t>(runs[run].first);
        const auto end = order.begin() + static_cast<std::ptrdiff_t>(runs[run].second);
        bool allRanked = true;
        for (auto it = begin; it != end && allRanked; ++it)
            allRanked = pathOrder.rankOf(rows[it->slot]).has_value();
        if (allRanked) {
            for (auto it = begin; it != end; ++it)
                it->key = *pathOrder.rankOf(rows[it->slot]);
            std::sort(begin, end, [&](const SortRow& a, const SortRow& b) {
                own.compare();
                return a.key < b.key;
            });
        } else {
            std::sort(begin, end, [&](const SortRow& a, const SortRow& b) {
                own.compare();
                return byTree.less(rows[a.slot], rows[b.slot]);
            });
        }
    };
    const std::size_t runParts = ParallelParts::partsFor(tiedCount);
    if (runParts <= 1 || runs.size() < 2) {
        for (std::size_t run = 0; run < runs.size(); ++run)
            sortRun(run, points, pathOrder);
    } else {
        // The runs, largest first, go to whichever part is free.
        std::vector<std::size_t> bySize(runs.size());
        for (std::size_t run = 0; run < runs.size(); ++run)
            bySize[run] = run;
        std::sort(bySize.begin(), bySize.end(), [&](std::size_t a, std::size_t b) {
            return runs[a].second - runs[a].first > runs[b].second - runs[b].first;
        });
        std::atomic<std::size_t> next = 0;
        ParallelParts::run(std::min(runParts, runs.size()), shared, [&](std::size_t) {
            PartPoints own(shared);
            PathOrder byTree(nodes); // ranks are only read; the tree walk keeps state of its own
            for (std::size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < bySize.size();)
                sortRun(bySize[k], own, byTree);
        });
    }
    points.check();
    std::vector<NodeIndex> sorted;
    sorted.reserve(rows.size());
    for (const SortRow& r : order)
        sorted.push_back(rows[r.slot]);
    return sorted;
}

std::vector<std::string> ScanTableQuery::sortedPaths(const ScanResult& scan, std::string_view focus,
                                                     bool recursive,
                                                     const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    const std::vector<NodeIndex> sorted = sortedIndices(scan, focus, recursive, cancellation);
    PathCache pathCache(scan.nodes);
    std::vector<std::string> paths = pathCache.paths(sorted, points);
    points.check();
    return paths;
}

} // namespace ambertrove
