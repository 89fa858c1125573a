#include "duplicates/DuplicateSearch.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "duplicates/VerifiedFile.hpp"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace ambertrove {

namespace {

constexpr std::size_t kSampleBytes = 64 * 1024;
constexpr std::size_t kChunkBytes = 1024 * 1024;
// The first round of a set reads one chunk of every file, each next round twice as much as the last, up to
// kLongestRound: files that differ early are set apart after little reading, and sets that part ways
// late go on without waiting for the whole of a long round.
constexpr std::int64_t kFirstRound = kChunkBytes;
constexpr std::int64_t kLongestRound = 64 * kChunkBytes;
// Files one round job reads beside the lead: bounds the descriptors a worker holds open.
constexpr std::uint32_t kMostPerJob = 31;
// Fewest files of a job when a round is shared out among the workers, as every job reads the lead again.
constexpr std::uint32_t kFewestPerJob = 8;
constexpr std::uint32_t kFilesPerSampleJob = 16;
constexpr unsigned kMaxWorkers = 8;
constexpr auto kWakeInterval = std::chrono::milliseconds(50);

struct DigestHash {
    std::size_t operator()(const Sha256::Digest& digest) const noexcept {
        std::size_t h;
        std::memcpy(&h, digest.data(), sizeof h);
        return h;
    }
};

// Files in order of first appearance, grouped by a digest; groups of one dropped.
template <class DigestOf>
std::vector<std::vector<std::uint32_t>> groupByDigest(const std::vector<std::uint32_t>& files,
                                                      DigestOf digestOf) {
    std::unordered_map<Sha256::Digest, std::size_t, DigestHash> slot;
    std::vector<std::vector<std::uint32_t>> lists;
    for (std::uint32_t f : files)
        if (const Sha256::Digest* digest = digestOf(f)) {
            const auto [it, added] = slot.try_emplace(*digest, lists.size());
            if (added)
                lists.emplace_back();
            lists[it->second].push_back(f);
        }
    std::erase_if(lists, [](const auto& list) { return list.size() < 2; });
    return lists;
}

} // namespace

// The chunk buffers of one worker: the lead's chunk, and the chunk of the file compared with it.
struct DuplicateSearch::Buffers {
    std::unique_ptr<std::uint8_t[]> lead = std::make_unique_for_overwrite<std::uint8_t[]>(kChunkBytes);
    std::unique_ptr<std::uint8_t[]> other = std::make_unique_for_overwrite<std::uint8_t[]>(kChunkBytes);
};

// Files of one bucket whose bytes so far are equal, read round by round. Between rounds only the job that
// ends a round touches it; during a round each job writes only its own members' outcomes, the lead's
// failure (under `lock`) and, for the job of the first members, the digest state.
struct DuplicateSearch::Set {
    enum class Outcome : std::uint8_t { equal, parted, failed };
    struct Member {
        Outcome outcome = Outcome::equal;
        std::int64_t partedAt = 0; // the chunk where it differed from the lead
        std::size_t length = 0;    // and that chunk's length and digest as it read it
        Sha256::Digest chunk{};
        std::exception_ptr error;
    };

    std::uint32_t group = 0;
    Bucket* bucket = nullptr;
    std::vector<std::uint32_t> files; // in path order; the first is the lead
    std::int64_t offset = 0;          // every file's bytes before it equal the lead's
    std::int64_t end = 0;             // of this round
    std::int64_t length = kFirstRound;
    Sha256 sha;              // of the lead's first `hashed` bytes
    std::int64_t hashed = 0; // at most `offset` at the start of a round, unless the sample covers more
    Sha256 snapshot;         // `sha` as this round began, where sets that leave this round continue
    std::int64_t snapshotAt = 0;

    std::vector<Member> members; // of this round: one per file after the lead
    std::atomic<std::uint32_t> jobsPending{0};
    std::atomic<bool> leadFailed{false};
    std::mutex lock;
    std::exception_ptr leadError;

    void failLead(std::exception_ptr error) {
        std::lock_guard guard(lock);
        if (!leadError)
            leadError = std::move(error);
        leadFailed.store(true, std::memory_order_relaxed);
    }
};

DuplicateSearch::DuplicateSearch(std::vector<Candidate> files,
                                 const std::vector<std::pair<std::uint32_t, std::uint32_t>>& groups,
                                 const CancellationFlag& cancellation, const DuplicateFileHooks* hooks)
    : m_files(std::move(files))
    , m_states(m_files.size())
    , m_groups(groups.size())
    , m_cancellation(cancellation)
    , m_hooks(hooks) {
    for (std::size_t g = 0; g < groups.size(); ++g) {
        m_groups[g].begin = groups[g].first;
        m_groups[g].end = groups[g].second;
    }
}

DuplicateSearch::~DuplicateSearch() {
    stop();
}

void DuplicateSearch::start() {
    std::uint32_t jobs = 0;
    for (std::uint32_t g = 0; g < m_groups.size(); ++g) {
        SizeGroup& group = m_groups[g];
        const std::uint32_t count = (group.end - group.begin + kFilesPerSampleJob - 1) / kFilesPerSampleJob;
        group.samplesPending.store(count, std::memory_order_relaxed);
        for (std::uint32_t first = group.begin; first < group.end; first += kFilesPerSampleJob)
            push({g, 0, first, std::min(group.end, first + kFilesPerSampleJob), nullptr});
        jobs += count;
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    unsigned workers = std::min({cores, kMaxWorkers, std::max(1u, jobs)});
    if (m_hooks && m_hooks->workers)
        workers = *m_hooks->workers;
    // Known before any worker runs, which reads it.
    m_workerCount = std::max(1u, workers);
    try {
        for (unsigned k = 0; k < workers && jobs > 0; ++k)
            m_threads.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // Fewer workers, or none: waitUntil then does the work on the calling thread.
    }
}

void DuplicateSearch::stop() {
    {
        std::lock_guard lock(m_lock);
        m_stopping.store(true, std::memory_order_relaxed);
    }
    m_workReady.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    m_threads.clear();
}

void DuplicateSearch::push(Job job) {
    std::lock_guard lock(m_lock);
    job.sequence = m_sequence++;
    m_queue.push(std::move(job));
    m_workReady.notify_one();
}

void DuplicateSearch::waitUntil(const std::function<bool()>& ready, const std::function<void()>& waiting) {
    while (!ready()) {
        if (m_threads.empty()) {
            std::optional<Job> job;
            {
                std::lock_guard lock(m_lock);
                if (!m_queue.empty()) {
                    job = m_queue.top();
                    m_queue.pop();
                }
            }
            if (!m_inlineBuffers)
                m_inlineBuffers = std::make_unique<Buffers>();
            if (!job)
                throw std::logic_error("duplicate search: waiting for work that was never queued");
            run(*job, *m_inlineBuffers);
        } else {
            std::unique_lock lock(m_lock);
            if (!m_fatal && !ready())
                m_resultReady.wait_for(lock, kWakeInterval);
        }
        {
            std::lock_guard lock(m_lock);
            if (m_fatal)
                std::rethrow_exception(m_fatal);
        }
        m_cancellation.check();
        if (!ready())
            waiting();
    }
}

void DuplicateSearch::work() {
    std::unique_ptr<Buffers> buffers;
    try {
        buffers = std::make_unique<Buffers>();
    } catch (...) {
        std::lock_guard lock(m_lock);
        m_fatal = std::current_exception();
        m_resultReady.notify_all();
        return;
    }
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_lock);
            m_workReady.wait(lock,
                             [&] { return m_stopping.load(std::memory_order_relaxed) || !m_queue.empty(); });
            if (m_stopping.load(std::memory_order_relaxed))
                return;
            job = m_queue.top();
            m_queue.pop();
        }
        try {
            run(job, *buffers);
        } catch (...) {
            std::lock_guard lock(m_lock);
            m_fatal = std::current_exception();
        }
        std::lock_guard lock(m_lock);
        m_resultReady.notify_all();
    }
}

void DuplicateSearch::run(const Job& job, Buffers& buffers) {
    if (job.set) {
        compare(job, buffers);
        return;
    }
    for (std::uint32_t f = job.first; f < job.last && !m_stopping.load(std::memory_order_relaxed); ++f) {
        sample(f, buffers);
        m_states[f].sampled.store(true, std::memory_order_release);
    }
    SizeGroup& group = m_groups[job.group];
    if (group.samplesPending.fetch_sub(1, std::memory_order_acq_rel) == 1 && !halted())
        formBuckets(job.group);
}

VerifiedFile DuplicateSearch::openFile(std::uint32_t f, bool sequential) const {
    return VerifiedFile::open(m_files[f].path, m_files[f].identity, sequential, m_hooks);
}

void DuplicateSearch::requireUnchanged(std::uint32_t f) const {
    if (!VerifiedFile::unchanged(m_files[f].path, m_files[f].identity, m_hooks))
        throw AmbertroveError("File changed during comparison: " +
                              std::string(PathText::name(m_files[f].path)));
}

void DuplicateSearch::sample(std::uint32_t f, Buffers& buffers) {
    const Candidate& c = m_files[f];
    FileState& s = m_states[f];
    try {
        VerifiedFile file = openFile(f, false);
        m_cancellation.check();
        const auto length = static_cast<std::size_t>(std::min<std::int64_t>(c.size, kSampleBytes));
        Sha256 sha;
        sha.update(buffers.lead.get(), file.read(buffers.lead.get(), length));
        s.prefix = std::make_unique<Sha256>(sha); // where the digest of the whole content continues
        s.sample = sha.finish();
        requireUnchanged(f);
    } catch (...) {
        s.sampleError = std::current_exception();
    }
}

void DuplicateSearch::formBuckets(std::uint32_t g) {
    SizeGroup& group = m_groups[g];
    std::vector<std::uint32_t> files(group.end - group.begin);
    for (std::uint32_t k = 0; k < files.size(); ++k)
        files[k] = group.begin + k;
    for (auto& list : groupByDigest(files, [&](std::uint32_t f) {
             return m_states[f].sampleError ? nullptr : &m_states[f].sample;
         })) {
        auto bucket = std::make_unique<Bucket>(std::move(list));
        // The files of a bucket share their first 64 KiB, so any one's digest state serves them all.
        bucket->prefix = std::move(*m_states[bucket->files.front()].prefix);
        group.buckets.push_back(std::move(bucket));
    }
    for (std::uint32_t f : files)
        m_states[f].prefix.reset();
    group.bucketsReady.store(true, std::memory_order_release);

    const std::int64_t sampled = std::min<std::int64_t>(m_files[group.begin].size, kSampleBytes);
    for (const auto& bucket : group.buckets)
        startSet(g, *bucket, bucket->files, 0, *bucket->prefix, sampled);
}

void DuplicateSearch::startSet(std::uint32_t g, Bucket& bucket, std::vector<std::uint32_t> files,
                               std::int64_t offset, Sha256 sha, std::int64_t hashed) {
    auto set = std::make_shared<Set>();
    set->group = g;
    set->bucket = &bucket;
    set->files = std::move(files);
    set->offset = offset;
    set->sha = std::move(sha);
    set->hashed = hashed;
    // Counted before any of its work can end it.
    bucket.sets.fetch_add(1, std::memory_order_relaxed);
    startRound(set);
}

void DuplicateSearch::startRound(const std::shared_ptr<Set>& set) {
    const std::int64_t size = m_files[set->files.front()].size;
    set->end = std::min(size, set->offset + set->length);
    const auto members = static_cast<std::uint32_t>(set->files.size() - 1);
    // Enough jobs for every worker when there are many files, in jobs of about equal size.
    const std::uint32_t most =
        std::clamp((members + m_workerCount - 1) / m_workerCount, kFewestPerJob, kMostPerJob);
    const std::uint32_t jobs = (members + most - 1) / most;
    const std::uint32_t each = (members + jobs - 1) / jobs;
    set->members.assign(members, Set::Member{});
    set->leadFailed.store(false, std::memory_order_relaxed);
    set->leadError = nullptr;
    set->jobsPending.store(jobs, std::memory_order_relaxed);
    for (std::uint32_t first = 1; first <= members; first += each)
        push({set->group, 0, first, std::min(members + 1, first + each), set});
}

void DuplicateSearch::compare(const Job& job, Buffers& buffers) {
    Set& set = *job.set;
    const std::uint32_t lead = set.files.front();
    // The job of the first members computes the set's digest as it reads the lead.
    const bool hashing = job.first == 1;
    struct Open {
        std::uint32_t member; // position in the set
        VerifiedFile handle;
    };

    if (!set.leadFailed.load(std::memory_order_relaxed)) {
        std::optional<VerifiedFile> leadFile;
        try {
            leadFile.emplace(openFile(lead, true));
            m_states[lead].opened.store(true, std::memory_order_relaxed);
        } catch (...) {
            set.failLead(std::current_exception());
        }
        std::vector<Open> live;
        if (leadFile) {
            for (std::uint32_t k = job.first; k < job.last; ++k) {
                const std::uint32_t f = set.files[k];
                try {
                    live.push_back({k, openFile(f, true)});
                    m_states[f].opened.store(true, std::memory_order_relaxed);
                } catch (...) {
                    set.members[k - 1].outcome = Set::Outcome::failed;
                    set.members[k - 1].error = std::current_exception();
                }
            }
        }
        try {
            if (leadFile && hashing) {
                // The digest of the lead's bytes that earlier rounds compared without reading them here.
                while (set.hashed < set.offset && !halted()) {
                    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(
                        set.offset - set.hashed, static_cast<std::int64_t>(kChunkBytes)));
                    const std::size_t got = leadFile->readAt(buffers.lead.get(), want, set.hashed);
                    if (got != want)
                        requireUnchanged(lead);
                    set.sha.update(buffers.lead.get(), got);
                    set.hashed += static_cast<std::int64_t>(got);
                    if (got != want)
                        break;
                }
                set.snapshot = set.sha;
                set.snapshotAt = set.hashed;
            }
            for (std::int64_t offset = set.offset; leadFile && offset < set.end && !live.empty();) {
                if (halted() || set.leadFailed.load(std::memory_order_relaxed))
                    break;
                const auto want = static_cast<std::size_t>(
                    std::min<std::int64_t>(set.end - offset, static_cast<std::int64_t>(kChunkBytes)));
                const std::size_t got = leadFile->readAt(buffers.lead.get(), want, offset);
                if (hashing && set.hashed >= offset && set.hashed < offset + static_cast<std::int64_t>(got)) {
                    const auto skip = static_cast<std::size_t>(set.hashed - offset);
                    set.sha.update(buffers.lead.get() + skip, got - skip);
                    set.hashed = offset + static_cast<std::int64_t>(got);
                }
                set.bucket->liveFile.store(set.files[live.front().member], std::memory_order_relaxed);
                // A file that differs from the lead here is read no further in this round.
                std::erase_if(live, [&](Open& o) {
                    Set::Member& m = set.members[o.member - 1];
                    const std::uint32_t f = set.files[o.member];
                    std::size_t length = 0;
                    try {
                        length = o.handle.readAt(buffers.other.get(), want, offset);
                    } catch (...) {
                        m.outcome = Set::Outcome::failed;
                        m.error = std::current_exception();
                        return true;
                    }
                    m_states[f].bytes.store(offset + static_cast<std::int64_t>(length),
                                            std::memory_order_relaxed);
                    if (length == got && std::memcmp(buffers.lead.get(), buffers.other.get(), got) == 0)
                        return false;
                    m.outcome = Set::Outcome::parted;
                    m.partedAt = offset;
                    m.length = length;
                    m.chunk = Sha256::of(buffers.other.get(), length);
                    return true;
                });
                offset += static_cast<std::int64_t>(want);
            }
            // What was compared with the lead counts only when the lead did not change meanwhile.
            if (leadFile && !halted())
                requireUnchanged(lead);
        } catch (...) {
            set.failLead(std::current_exception());
        }
    }
    if (halted())
        return;
    if (set.jobsPending.fetch_sub(1, std::memory_order_acq_rel) == 1)
        endRound(job.set, buffers);
}

void DuplicateSearch::endRound(const std::shared_ptr<Set>& setPointer, Buffers& buffers) {
    Set& set = *setPointer;
    Bucket& bucket = *set.bucket;
    std::vector<std::uint32_t> equal;
    // Files that left the lead at one chunk with the same bytes, by that chunk: they go on together.
    std::map<std::tuple<std::int64_t, std::size_t, Sha256::Digest>, std::vector<std::uint32_t>> parted;
    for (std::size_t k = 0; k < set.members.size(); ++k) {
        const Set::Member& m = set.members[k];
        const std::uint32_t f = set.files[k + 1];
        if (m.outcome == Set::Outcome::failed)
            m_states[f].error = m.error;
        else if (m.outcome == Set::Outcome::equal || set.leadFailed.load(std::memory_order_relaxed))
            equal.push_back(f);
        else
            parted[{m.partedAt, m.length, m.chunk}].push_back(f);
    }
    if (set.leadFailed.load(std::memory_order_relaxed)) {
        // Whatever was compared with it in this round proves nothing.
        m_states[set.files.front()].error = set.leadError;
        dropLead(set, std::move(equal));
        return;
    }

    for (auto& [where, files] : parted)
        if (files.size() >= 2)
            startSet(set.group, bucket, std::move(files), std::get<0>(where), set.snapshot, set.snapshotAt);
    if (equal.empty()) {
        setDone(bucket);
        return;
    }
    equal.insert(equal.begin(), set.files.front());
    set.files = std::move(equal);
    if (set.end < m_files[set.files.front()].size) {
        set.offset = set.end;
        set.length = std::min(set.length * 2, kLongestRound);
        startRound(setPointer);
        return;
    }
    complete(set, buffers);
}

void DuplicateSearch::complete(Set& set, Buffers& buffers) {
    Bucket& bucket = *set.bucket;
    const std::uint32_t lead = set.files.front();
    const std::int64_t size = m_files[lead].size;
    try {
        // The lead's end, when the jobs that read it along stopped with their own files before it.
        if (set.hashed < size) {
            VerifiedFile file = openFile(lead, true);
            while (set.hashed < size) {
                if (halted())
                    return;
                const auto want = static_cast<std::size_t>(
                    std::min<std::int64_t>(size - set.hashed, static_cast<std::int64_t>(kChunkBytes)));
                const std::size_t got = file.readAt(buffers.lead.get(), want, set.hashed);
                set.sha.update(buffers.lead.get(), got);
                set.hashed += static_cast<std::int64_t>(got);
                if (got != want)
                    break;
            }
        }
        requireUnchanged(lead);
    } catch (...) {
        m_states[lead].error = std::current_exception();
        dropLead(set, {set.files.begin() + 1, set.files.end()});
        return;
    }
    // Each file is checked again once all reading is done, so that one changed after its own round is
    // not reported as a copy.
    Group result;
    result.files.push_back(lead);
    for (std::size_t k = 1; k < set.files.size(); ++k) {
        try {
            requireUnchanged(set.files[k]);
            result.files.push_back(set.files[k]);
        } catch (...) {
            m_states[set.files[k]].error = std::current_exception();
        }
    }
    if (result.files.size() >= 2) {
        result.digest = set.sha.finish();
        std::lock_guard guard(bucket.lock);
        bucket.groups.push_back(std::move(result));
    }
    setDone(bucket);
}

void DuplicateSearch::dropLead(Set& set, std::vector<std::uint32_t> others) {
    // The others are compared again among themselves, from their start: their bytes were seen equal only
    // to a file that may have changed while they were read.
    Bucket& bucket = *set.bucket;
    if (others.size() >= 2) {
        const std::int64_t sampled = std::min<std::int64_t>(m_files[others.front()].size, kSampleBytes);
        startSet(set.group, bucket, std::move(others), 0, *bucket.prefix, sampled);
    }
    setDone(bucket);
}

void DuplicateSearch::setDone(Bucket& bucket) {
    if (bucket.sets.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    {
        std::lock_guard guard(bucket.lock);
        std::sort(bucket.groups.begin(), bucket.groups.end(),
                  [](const Group& a, const Group& b) { return a.files.front() < b.files.front(); });
    }
    bucket.done.store(true, std::memory_order_release);
}

} // namespace ambertrove
