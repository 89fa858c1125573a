#pragma once

#include "analysis/CancellationPoints.hpp"
#include "model/ScanResult.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace ambertrove {

// What the sorts of one scan's listings share: the place of every record's path in the path order of the
// whole table, made by the first sort that needs it and kept for the next (a user sorts the same listing
// by one column after another). Safe to share between threads; a sort stopped while making it leaves it
// unmade. Holds the scan weakly: it answers only for that scan while it lives.
class ScanSortCache {
public:
    explicit ScanSortCache(const ScanResultPtr& scan)
        : m_scan(scan) {}

    // Every record's rank in the path order (kUnranked for a path kept whole, which the tree does not
    // order), or nothing when `scan` is not the cache's scan. Throws CancellationError.
    [[nodiscard]] std::shared_ptr<const std::vector<std::uint32_t>> pathRanks(const ScanResult& scan,
                                                                              CancellationPoints& points);

    // Whether it answers for `scan`.
    [[nodiscard]] bool isFor(const ScanResultPtr& scan) const { return scan && m_scan.lock() == scan; }

    static constexpr std::uint32_t kUnranked = 0xFFFFFFFFu;

private:
    std::weak_ptr<const ScanResult> m_scan;
    std::mutex m_mutex;
    std::shared_ptr<const std::vector<std::uint32_t>> m_ranks;
};

} // namespace ambertrove
