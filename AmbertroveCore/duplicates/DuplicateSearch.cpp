#include "duplicates/DuplicateSearch.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "duplicates/VerifiedFile.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace ambertrove {

namespace {

constexpr std::size_t kSampleBytes = 64 * 1024;
constexpr std::size_t kChunkBytes = 1024 * 1024;
// Files read side by side in one pass: bounds the descriptors a worker holds open.
constexpr std::size_t kFilesPerPass = 32;
// Chunk memory of one pass, whatever its number of files (see Buffers).
constexpr std::size_t kPassBudget = 8 * 1024 * 1024;
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

std::exception_ptr cancelled() {
    return std::make_exception_ptr(CancellationError());
}

} // namespace

// Chunk buffers of one worker, handed out afresh for every chunk of a pass. A pass needs one per content
// plus one, and takes smaller chunks when it reads more files, so a worker holds about kPassBudget.
struct DuplicateSearch::Buffers {
    std::vector<std::unique_ptr<std::uint8_t[]>> pool;
    std::size_t used = 0;

    std::uint8_t* take() {
        if (used == pool.size())
            pool.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kChunkBytes));
        return pool[used++].get();
    }
    void release() { used = 0; }
};

// One file of a side-by-side pass.
struct DuplicateSearch::Stream {
    Stream(std::uint32_t f, bool a)
        : file(f)
        , anchor(a) {}
    std::uint32_t file = 0;
    bool anchor = false; // already hashed in an earlier pass; read again only to compare the others with
    std::optional<VerifiedFile> handle;
    bool opened = false;
    std::exception_ptr error;
    std::uint32_t content = 0; // the pass's content it belongs to; 0 is the first file's
    bool hasDigest = false;
    Sha256::Digest digest{};
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
    m_queue.push(job);
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
            m_workReady.wait(lock, [&] { return stopping() || !m_queue.empty(); });
            if (stopping())
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
    if (job.bucket) {
        hashBucket(*job.bucket, buffers);
        job.bucket->done.store(true, std::memory_order_release);
        return;
    }
    for (std::uint32_t f = job.first; f < job.last && !stopping(); ++f) {
        sample(f, buffers);
        m_states[f].sampled.store(true, std::memory_order_release);
    }
    SizeGroup& group = m_groups[job.group];
    if (group.samplesPending.fetch_sub(1, std::memory_order_acq_rel) == 1 && !stopping()) {
        formBuckets(group);
        for (const auto& bucket : group.buckets)
            push({job.group, 0, 0, 0, bucket.get()});
    }
}

VerifiedFile DuplicateSearch::openFile(std::uint32_t f, bool sequential) const {
    return VerifiedFile::open(m_files[f].path, m_files[f].identity, sequential, m_hooks);
}

bool DuplicateSearch::unchanged(std::uint32_t f) const {
    return VerifiedFile::unchanged(m_files[f].path, m_files[f].identity, m_hooks);
}

void DuplicateSearch::requireUnchanged(std::uint32_t f) const {
    if (!unchanged(f))
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
        buffers.release();
        std::uint8_t* buffer = buffers.take();
        Sha256 sha;
        sha.update(buffer, file.read(buffer, length));
        if (c.size > static_cast<std::int64_t>(kSampleBytes))
            s.prefix = std::make_unique<Sha256>(sha); // where a whole-file digest of this start continues
        s.sample = sha.finish();
        requireUnchanged(f);
    } catch (...) {
        s.sampleError = std::current_exception();
    }
}

void DuplicateSearch::formBuckets(SizeGroup& group) {
    std::vector<std::uint32_t> files(group.end - group.begin);
    for (std::uint32_t k = 0; k < files.size(); ++k)
        files[k] = group.begin + k;
    for (auto& list : groupByDigest(files, [&](std::uint32_t f) {
             return m_states[f].sampleError ? nullptr : &m_states[f].sample;
         })) {
        auto bucket = std::make_unique<Bucket>(std::move(list));
        // The files of a bucket share their first 64 KiB, so any one's digest state serves them all.
        if (auto& prefix = m_states[bucket->files.front()].prefix)
            bucket->prefix = std::move(*prefix);
        group.buckets.push_back(std::move(bucket));
    }
    for (std::uint32_t f : files)
        m_states[f].prefix.reset();
    group.bucketsReady.store(true, std::memory_order_release);
}

void DuplicateSearch::hashBucket(Bucket& bucket, Buffers& buffers) {
    // A bucket read in one pass is partitioned exactly by content, so a file alone in its content needs no
    // digest. When more files share a start than one pass holds, every file gets its digest: later passes
    // start with the first file of the main content found so far (the anchor), and other contents that
    // span passes meet again by digest and are compared with their reference afterwards.
    const bool everyDigest = bucket.files.size() > kFilesPerPass;
    constexpr std::uint32_t kNone = UINT32_MAX;
    std::uint32_t anchor = kNone;
    std::uint32_t anchorClass = 0;
    std::uint32_t nextClass = 1;
    for (std::size_t next = 0; next < bucket.files.size();) {
        std::vector<Stream> streams;
        if (anchor != kNone)
            streams.emplace_back(anchor, true);
        while (streams.size() < kFilesPerPass && next < bucket.files.size())
            streams.emplace_back(bucket.files[next++], false);
        if (!pass(streams, bucket, everyDigest, buffers))
            return;
        if (m_cancellation.isCancelled()) {
            // Every file not reported yet says so, so that the calling thread stops at the first of them.
            for (std::uint32_t f : bucket.files)
                if (!m_states[f].hashError)
                    m_states[f].hashError = cancelled();
            return;
        }

        // Contents of this pass get class numbers unique in the bucket; the anchor's content keeps its own.
        const bool anchorHeld = anchor != kNone && !streams.front().error;
        // An anchor that changed or failed since its own pass leaves the search: what this pass compared
        // with it proves nothing, so this pass's files start a content of their own.
        if (anchor != kNone && !anchorHeld)
            m_states[anchor].hashError = streams.front().error;
        std::vector<std::uint32_t> classOf;
        for (Stream& s : streams) {
            if (s.content >= classOf.size())
                classOf.resize(s.content + 1, 0);
            if (classOf[s.content] == 0)
                classOf[s.content] = s.content == 0 && anchorHeld ? anchorClass : nextClass++;
        }
        if (!anchorHeld)
            anchor = kNone;
        for (Stream& s : streams) {
            if (s.anchor)
                continue;
            FileState& state = m_states[s.file];
            state.hashOpened = s.opened;
            if (s.error) {
                state.hashError = s.error;
                continue;
            }
            state.contentClass = classOf[s.content];
            state.hasDigest = s.hasDigest;
            state.content = s.digest;
            if (anchor == kNone && s.content == 0) {
                anchor = s.file;
                anchorClass = state.contentClass;
            }
        }
    }
    bucket.prefix.reset();

    bucket.contentBuckets = groupByDigest(bucket.files, [&](std::uint32_t f) {
        return m_states[f].hashError || !m_states[f].hasDigest ? nullptr : &m_states[f].content;
    });
    for (std::vector<std::uint32_t>& content : bucket.contentBuckets) {
        // A reference that fails leaves the search, and the others are compared with the next one.
        for (;;) {
            std::erase_if(content, [&](std::uint32_t f) { return bool(m_states[f].hashError); });
            if (content.size() < 2)
                break;
            const std::uint32_t reference = content.front();
            std::vector<std::uint32_t> unseen;
            for (std::size_t k = 1; k < content.size(); ++k) {
                FileState& state = m_states[content[k]];
                state.verdict = Verdict::none;
                state.verifyError = nullptr;
                if (state.contentClass != m_states[reference].contentClass)
                    unseen.push_back(content[k]);
            }
            if (unseen.empty() || verify(reference, unseen, buffers))
                break;
        }
        if (stopping())
            return;
        if (content.size() < 2)
            continue;

        // Every file of the group is checked again once all reading is done, so that one changed after
        // its own pass is not reported. Each was compared while the file it was compared with was
        // unchanged, so those that remain are equal to each other even when the reference leaves.
        std::vector<std::uint32_t> matches;
        for (std::uint32_t f : content) {
            const FileState& state = m_states[f];
            if (f != content.front() && state.contentClass != m_states[content.front()].contentClass &&
                state.verdict != Verdict::equal)
                continue;
            try {
                requireUnchanged(f);
                matches.push_back(f);
            } catch (...) {
                m_states[f].hashError = std::current_exception();
            }
        }
        if (matches.size() >= 2)
            bucket.groups.push_back(std::move(matches));
    }
}

namespace {

// Files of a pass whose bytes so far are equal.
struct Content {
    std::optional<Sha256> sha;           // of the shared bytes so far, while a digest may be needed
    bool fromPrefix = false;             // `sha` started from the bucket's sample state
    std::uint32_t members = 0;           // files still being read
    std::uint32_t parent = 0;            // the content it split from (for one born in this chunk)
    const std::uint8_t* chunk = nullptr; // this chunk's bytes, as its first file read them
    std::size_t length = 0;
};

} // namespace

bool DuplicateSearch::pass(std::vector<Stream>& streams, Bucket& bucket, bool everyDigest, Buffers& buffers) {
    const std::int64_t size = m_files[streams.front().file].size;
    // The sample of a file this small is the whole file: its digest is known already.
    const bool digestKnown = size <= static_cast<std::int64_t>(kSampleBytes);
    // Every content holds this chunk while the others are compared with it: smaller chunks for more files.
    const std::size_t chunkBytes = std::clamp(kPassBudget / (streams.size() + 1), kSampleBytes, kChunkBytes);

    for (Stream& s : streams) {
        try {
            s.handle.emplace(openFile(s.file, true));
            s.opened = true;
        } catch (...) {
            s.error = std::current_exception();
        }
    }
    auto stopAll = [&] {
        for (Stream& s : streams)
            if (!s.error)
                s.error = cancelled();
    };
    if (m_cancellation.isCancelled()) {
        stopAll();
        return true;
    }

    std::vector<Content> contents(1);
    for (const Stream& s : streams)
        contents[0].members += s.error ? 0 : 1;
    auto needsDigest = [&](const Content& c) {
        return !digestKnown && (c.members >= 2 || everyDigest);
    };
    if (needsDigest(contents[0])) {
        // The files share their first 64 KiB (equal sample digests): its digest state is reused.
        contents[0].fromPrefix = bucket.prefix.has_value();
        contents[0].sha.emplace(bucket.prefix ? *bucket.prefix : Sha256());
    }

    for (std::int64_t offset = 0; offset < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(size - offset, chunkBytes));
        buffers.release();
        std::uint8_t* scratch = buffers.take();
        const std::size_t existing = contents.size();
        for (Content& c : contents)
            c.chunk = nullptr;
        for (Stream& s : streams) {
            if (s.error)
                continue;
            const bool leads = contents[s.content].chunk == nullptr;
            std::uint8_t* target = leads ? buffers.take() : scratch;
            std::size_t got = 0;
            try {
                got = s.handle->read(target, want);
            } catch (...) {
                s.error = std::current_exception();
                s.handle.reset();
                --contents[s.content].members;
                continue;
            }
            m_states[s.file].bytes.store(offset + static_cast<std::int64_t>(got), std::memory_order_relaxed);
            if (leads) {
                contents[s.content].chunk = target;
                contents[s.content].length = got;
                if (s.content == 0)
                    bucket.liveFile.store(s.file, std::memory_order_relaxed);
                continue;
            }
            const Content& own = contents[s.content];
            if (got == own.length && std::memcmp(own.chunk, scratch, got) == 0)
                continue;
            // It leaves its content here: join another file that left it here with the same bytes, or
            // start a content of its own.
            const std::uint32_t from = s.content;
            std::uint32_t to = 0;
            for (std::size_t k = existing; k < contents.size() && to == 0; ++k)
                if (contents[k].parent == from && contents[k].length == got &&
                    std::memcmp(contents[k].chunk, scratch, got) == 0)
                    to = static_cast<std::uint32_t>(k);
            if (to == 0) {
                to = static_cast<std::uint32_t>(contents.size());
                Content& born = contents.emplace_back();
                born.parent = from;
                born.chunk = scratch;
                born.length = got;
                scratch = buffers.take();
            }
            --contents[from].members;
            ++contents[to].members;
            s.content = to;
        }

        // Contents born in this chunk continue from the digest of what they shared before it.
        for (std::size_t k = existing; k < contents.size(); ++k) {
            Content& born = contents[k];
            if (!needsDigest(born))
                continue;
            if (offset == 0) {
                born.sha.emplace();
            } else {
                born.sha = contents[born.parent].sha;
            }
            born.sha->update(born.chunk, born.length);
        }
        for (std::size_t k = 0; k < existing; ++k) {
            Content& c = contents[k];
            if (!c.sha)
                continue;
            if (!needsDigest(c)) {
                c.sha.reset();
            } else if (c.chunk) {
                const std::size_t skip =
                    c.fromPrefix && offset < static_cast<std::int64_t>(kSampleBytes)
                        ? std::min(c.length, kSampleBytes - static_cast<std::size_t>(offset))
                        : 0;
                c.sha->update(c.chunk + skip, c.length - skip);
            }
        }
        offset += static_cast<std::int64_t>(want);
        if (stopping())
            return false;
        if (m_cancellation.isCancelled()) {
            stopAll();
            return true;
        }
    }

    for (Stream& s : streams) {
        if (s.error)
            continue;
        try {
            requireUnchanged(s.file);
        } catch (...) {
            s.error = std::current_exception();
            --contents[s.content].members;
        }
    }
    std::vector<std::optional<Sha256::Digest>> digests(contents.size());
    for (Stream& s : streams) {
        if (s.error)
            continue;
        Content& c = contents[s.content];
        if (digestKnown) {
            s.hasDigest = c.members >= 2 || everyDigest;
            s.digest = m_states[s.file].sample;
        } else if (c.sha) {
            if (!digests[s.content])
                digests[s.content] = c.sha->finish();
            s.hasDigest = true;
            s.digest = *digests[s.content];
        }
    }
    return true;
}

bool DuplicateSearch::verify(std::uint32_t reference, const std::vector<std::uint32_t>& members,
                             Buffers& buffers) {
    buffers.release();
    std::uint8_t* const first = buffers.take();
    std::uint8_t* const second = buffers.take();
    const std::int64_t size = m_files[reference].size;
    auto fail = [&](std::uint32_t f, const std::exception_ptr& error) {
        m_states[f].verdict = Verdict::failed;
        m_states[f].verifyError = error;
    };
    for (std::size_t begin = 0; begin < members.size(); begin += kFilesPerPass - 1) {
        const std::size_t end = std::min(members.size(), begin + kFilesPerPass - 1);
        std::optional<VerifiedFile> referenceFile;
        try {
            referenceFile.emplace(openFile(reference, true));
        } catch (...) {
            m_states[reference].hashError = std::current_exception();
            return false;
        }
        struct Member {
            std::uint32_t file;
            std::optional<VerifiedFile> handle;
        };
        std::vector<Member> open;
        for (std::size_t k = begin; k < end; ++k) {
            try {
                open.push_back({members[k], openFile(members[k], true)});
                m_states[members[k]].verifyOpened = true;
            } catch (...) {
                fail(members[k], std::current_exception());
            }
        }
        auto failOpen = [&](const std::exception_ptr& error) {
            for (Member& m : open)
                fail(m.file, error);
            open.clear();
        };
        if (m_cancellation.isCancelled())
            failOpen(cancelled());

        for (std::int64_t offset = 0; offset < size && !open.empty();) {
            const auto want = static_cast<std::size_t>(std::min<std::int64_t>(size - offset, kChunkBytes));
            std::size_t got = 0;
            try {
                got = referenceFile->read(first, want);
            } catch (...) {
                m_states[reference].hashError = std::current_exception();
                return false;
            }
            std::erase_if(open, [&](Member& m) {
                std::size_t length = 0;
                try {
                    length = m.handle->read(second, want);
                } catch (...) {
                    fail(m.file, std::current_exception());
                    return true;
                }
                m_states[m.file].bytes.store(offset + static_cast<std::int64_t>(length),
                                             std::memory_order_relaxed);
                if (length != got || std::memcmp(first, second, got) != 0) {
                    m_states[m.file].verdict = Verdict::different;
                    return true;
                }
                return false;
            });
            offset += static_cast<std::int64_t>(want);
            if (stopping())
                return true;
            if (m_cancellation.isCancelled())
                failOpen(cancelled());
        }
        if (open.empty())
            continue;

        // Equal bytes count only when neither file changed while they were read.
        try {
            requireUnchanged(reference);
        } catch (...) {
            m_states[reference].hashError = std::current_exception();
            return false;
        }
        for (Member& m : open) {
            try {
                m_states[m.file].verdict = unchanged(m.file) ? Verdict::equal : Verdict::different;
            } catch (...) {
                fail(m.file, std::current_exception());
            }
        }
    }
    return true;
}

} // namespace ambertrove
