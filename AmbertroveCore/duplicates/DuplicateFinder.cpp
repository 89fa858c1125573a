#include "duplicates/DuplicateFinder.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "duplicates/DuplicateSearch.hpp"
#include "platform/Sha256.hpp"

#include <algorithm>
#include <sys/stat.h>
#include <system_error>
#include <tuple>

namespace ambertrove {

namespace {

using Phase = DuplicateProgress::Phase;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kIssueLimit = 100;
constexpr Clock::duration kThrottle = std::chrono::milliseconds(150);
// How often the calling thread reports on a file that a worker is still reading.
constexpr Clock::duration kLiveInterval = std::chrono::milliseconds(50);

// The regular files of the scan that take part, hard links reduced to their first path, grouped by
// logical size with groups of one dropped: each group in path order.
std::vector<DuplicateSearch::Candidate>
selectCandidates(const ScanResult& scan, std::int64_t minimumSize,
                 const std::optional<std::string>& scopePath,
                 std::vector<std::pair<std::uint32_t, std::uint32_t>>& groups) {
    const NodeTable& nodes = scan.nodes;
    const std::int64_t floor = minimumSize >= 1 ? minimumSize : 1; // empty files never take part
    struct Picked {
        std::uint64_t inode;
        std::int32_t device;
        NodeIndex index;
        std::int64_t size;
    };
    std::vector<Picked> picked;
    nodes.forEachNode([&](NodeIndex i) {
        const NodeTable::NodeRef r = nodes[i];
        if (r.isCloudPlaceholder() || r.logicalSize() < floor)
            return;
        const FileIdentity identity = nodes.identity(i);
        if ((identity.mode & S_IFMT) != S_IFREG)
            return;
        if (scopePath && !ScanResult::contains(nodes.nodePath(i), *scopePath))
            return;
        picked.push_back({identity.inode, identity.device, i, r.logicalSize()});
    });

    // Of several links to one file only the first path takes part, so links are never copies of each other.
    std::sort(picked.begin(), picked.end(), [](const Picked& a, const Picked& b) {
        return std::tie(a.device, a.inode, a.index) < std::tie(b.device, b.inode, b.index);
    });
    std::vector<Picked> kept;
    kept.reserve(picked.size());
    for (std::size_t k = 0; k < picked.size();) {
        std::size_t end = k + 1;
        while (end < picked.size() && picked[end].device == picked[k].device &&
               picked[end].inode == picked[k].inode)
            ++end;
        std::size_t first = k;
        if (end - k > 1) {
            std::string firstPath = nodes.nodePath(picked[k].index);
            for (std::size_t j = k + 1; j < end; ++j)
                if (std::string p = nodes.nodePath(picked[j].index); p < firstPath) {
                    firstPath = std::move(p);
                    first = j;
                }
        }
        kept.push_back(picked[first]);
        k = end;
    }
    picked = {};

    // Largest sizes first, so that the longest reads start early; the order of size groups is free.
    std::sort(kept.begin(), kept.end(), [](const Picked& a, const Picked& b) {
        return a.size != b.size ? a.size > b.size : a.index < b.index;
    });
    std::vector<DuplicateSearch::Candidate> files;
    for (std::size_t k = 0; k < kept.size();) {
        std::size_t end = k + 1;
        while (end < kept.size() && kept[end].size == kept[k].size)
            ++end;
        if (end - k > 1) {
            const auto begin = static_cast<std::uint32_t>(files.size());
            for (std::size_t j = k; j < end; ++j)
                files.push_back({kept[j].index, nodes.nodePath(kept[j].index), nodes.identity(kept[j].index),
                                 kept[j].size});
            std::sort(files.begin() + begin, files.end(),
                      [](const DuplicateSearch::Candidate& a, const DuplicateSearch::Candidate& b) {
                          return a.path < b.path;
                      });
            groups.emplace_back(begin, static_cast<std::uint32_t>(files.size()));
        }
        k = end;
    }
    return files;
}

// The calling thread's side of a search: it turns what the workers found into reports, issues and groups,
// in the order a search one file at a time would produce them.
class Reporter {
public:
    Reporter(const DuplicateFinder::DetailProgress& detail, const DuplicateFinder::CountProgress& count)
        : m_detail(detail)
        , m_count(count) {}

    void first() {
        if (m_detail)
            m_detail(DuplicateProgress{Phase::grouping, 0, 0, {}, 0, 0});
    }

    // Passes the report on unless one of the same phase was passed on less than 0.15 s ago.
    void offer(Phase phase, std::string_view name, std::int64_t bytes, std::int64_t size) {
        const Clock::time_point now = Clock::now();
        if (m_lastTime && phase == m_lastPhase && now - *m_lastTime < kThrottle)
            return;
        m_lastPhase = phase;
        m_lastTime = now;
        if (m_detail)
            m_detail(DuplicateProgress{phase, checked, total, std::string(name), bytes, size});
    }

    void sampled() {
        ++checked;
        if (m_count)
            m_count(checked, total);
    }

    // A file leaves the search; a stop ends the search. The system's own descriptions name no file, so
    // the path goes in front of them; our own messages already name it.
    void failed(const std::exception_ptr& error, const std::string& path) {
        std::string description;
        try {
            std::rethrow_exception(error);
        } catch (const CancellationError&) {
            throw;
        } catch (const AmbertroveError& e) {
            description = e.message();
        } catch (const std::system_error& e) {
            description = path + ": " + e.code().message();
        } catch (const std::exception& e) {
            description = path + ": " + e.what();
        }
        ++skipped;
        if (issues.size() < kIssueLimit)
            issues.push_back(std::move(description));
    }

    std::int64_t checked = 0;
    std::int64_t total = 0;
    std::int64_t skipped = 0;
    std::vector<std::string> issues;

private:
    const DuplicateFinder::DetailProgress& m_detail;
    const DuplicateFinder::CountProgress& m_count;
    Phase m_lastPhase = Phase::grouping;
    std::optional<Clock::time_point> m_lastTime;
};

} // namespace

DuplicateReport DuplicateFinder::find(const ScanResult& scan, std::int64_t minimumSize,
                                      const std::optional<std::string>& scope,
                                      const CancellationFlag& cancellation,
                                      const DetailProgress& detailProgress,
                                      const CountProgress& progress) const {
    cancellation.check();
    std::optional<std::string> scopePath;
    if (scope) {
        const NodeIndex folder = scan.directoryIndex(*scope);
        if (folder == kNoNode)
            throw AmbertroveError("This folder is not in the current scan.");
        scopePath = scan.nodes.nodePath(folder);
    }

    Reporter reporter(detailProgress, progress);
    reporter.first();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizeGroups;
    DuplicateSearch search(selectCandidates(scan, minimumSize, scopePath, sizeGroups), sizeGroups,
                           cancellation, m_hooks.get());
    const auto& files = search.files();
    reporter.total = static_cast<std::int64_t>(files.size());
    cancellation.check();

    auto name = [&](std::uint32_t f) {
        return PathText::name(files[f].path);
    };
    auto live = [&](const DuplicateSearch::Bucket& bucket, Clock::time_point& next) {
        if (Clock::now() < next)
            return;
        next = Clock::now() + kLiveInterval;
        const std::uint32_t f = bucket.liveFile.load(std::memory_order_relaxed);
        reporter.offer(Phase::hashing, name(f), search.state(f).bytes.load(std::memory_order_relaxed),
                       files[f].size);
    };

    std::vector<DuplicateGroup> groups;
    search.start();
    for (std::uint32_t g = 0; g < search.groupCount(); ++g) {
        cancellation.check();
        const DuplicateSearch::SizeGroup& group = search.group(g);

        for (std::uint32_t f = group.begin; f < group.end; ++f) {
            reporter.offer(Phase::sampling, name(f), 0, files[f].size);
            cancellation.check();
            search.waitUntil([&] { return search.state(f).sampled.load(std::memory_order_acquire); }, [] {});
            if (search.state(f).sampleError)
                reporter.failed(search.state(f).sampleError, files[f].path);
            reporter.sampled();
        }
        search.waitUntil([&] { return group.bucketsReady.load(std::memory_order_acquire); }, [] {});

        for (const auto& bucket : group.buckets) {
            Clock::time_point next = Clock::now() + kLiveInterval;
            search.waitUntil([&] { return bucket->done.load(std::memory_order_acquire); },
                             [&] { live(*bucket, next); });

            for (std::uint32_t f : bucket->files) {
                const DuplicateSearch::FileState& s = search.state(f);
                if (s.opened.load(std::memory_order_relaxed)) {
                    reporter.offer(Phase::hashing, name(f), 0, files[f].size);
                    cancellation.check();
                }
                if (s.error)
                    reporter.failed(s.error, files[f].path);
                else
                    reporter.offer(Phase::hashing, name(f), files[f].size, files[f].size);
            }

            for (const DuplicateSearch::Group& found : bucket->groups) {
                for (std::size_t k = 1; k < found.files.size(); ++k) {
                    const std::uint32_t f = found.files[k];
                    reporter.offer(Phase::verifying, name(f), 0, files[f].size);
                    cancellation.check();
                    reporter.offer(Phase::verifying, name(f), files[f].size, files[f].size);
                }
                DuplicateGroup result;
                result.id = Sha256::hex(found.digest);
                result.files.reserve(found.files.size());
                for (std::uint32_t f : found.files)
                    result.files.push_back(scan.nodes.makeNode(files[f].index));
                groups.push_back(std::move(result));
            }
        }
    }
    reporter.offer(Phase::complete, {}, 0, 0);
    search.stop();

    std::vector<std::pair<std::int64_t, std::size_t>> order;
    order.reserve(groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k)
        order.emplace_back(groups[k].reclaimable(), k);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    DuplicateReport report;
    report.groups.reserve(groups.size());
    for (const auto& [reclaimable, k] : order)
        report.groups.push_back(std::move(groups[k]));
    report.checked = reporter.checked;
    report.skipped = reporter.skipped;
    report.issues = std::move(reporter.issues);
    return report;
}

} // namespace ambertrove
