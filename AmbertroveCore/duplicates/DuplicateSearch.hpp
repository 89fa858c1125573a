#pragma once

#include "duplicates/VerifiedFile.hpp"
#include "model/FileIdentity.hpp"
#include "model/NodeTable.hpp"
#include "platform/Sha256.hpp"
#include "scan/CancellationFlag.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ambertrove {

// The reading side of a duplicate search: worker threads sample and compare the candidates' contents and
// leave what they found per file and per bucket, while the calling thread (DuplicateFinder) waits for each
// result in turn and turns it into reports, issues and groups in the order of a search one file at a time.
//
// Work per size group: every file's first 64 KiB is digested. The files of each sample bucket (equal
// digests) then form a set that is read in rounds, each round a stretch of the files read chunk by chunk
// and compared with the set's first file (its lead). A file stops being read at the first chunk where it
// differs from the lead; at the end of the round the files that left at one chunk with the same bytes form
// a set of their own that goes on from that chunk, and a file that left alone is read no further. A round
// of many files is shared out among the workers, each reading the lead beside its own files. When a set
// reaches the end of its files, every one of them is checked again and the set becomes a group; the
// digest of its content is computed from its lead as the rounds read it. A lead that fails or changes
// leaves the search, and the others are compared again among themselves.
class DuplicateSearch {
public:
    struct Candidate {
        NodeIndex index = kNoNode;
        std::string path;
        FileIdentity identity; // as the scan saw it
        std::int64_t size = 0;
    };

    // What the workers found about one file. Sampling fields are published by `sampled`; the others by
    // the bucket's `done`, and read by the calling thread after it.
    struct FileState {
        std::exception_ptr sampleError;
        Sha256::Digest sample{};
        std::unique_ptr<Sha256> prefix;  // the sample's digest state, until the buckets are formed
        std::atomic<bool> opened{false}; // opened to be compared at least once
        std::exception_ptr error;        // why it left the search after sampling, if it did
        std::atomic<bool> sampled{false};
        std::atomic<std::int64_t> bytes{0}; // read so far, for progress
    };

    // Files of identical content: the reference first, then the others, in path order.
    struct Group {
        std::vector<std::uint32_t> files;
        Sha256::Digest digest{};
    };

    // Files of one size group whose samples agree.
    struct Bucket {
        explicit Bucket(std::vector<std::uint32_t> f)
            : files(std::move(f))
            , liveFile(files.front()) {}
        std::vector<std::uint32_t> files;
        std::vector<Group> groups;           // in the path order of their references, once `done`
        std::optional<Sha256> prefix;        // digest state after the first 64 KiB the files share
        std::atomic<std::uint32_t> liveFile; // a file being read, for progress
        std::atomic<bool> done{false};

        std::mutex lock;                    // guards `groups` while sets finish
        std::atomic<std::uint32_t> sets{0}; // sets still being read
    };

    struct SizeGroup {
        std::uint32_t begin = 0, end = 0; // positions in files()
        std::atomic<std::uint32_t> samplesPending{0};
        std::vector<std::unique_ptr<Bucket>> buckets; // sample buckets of two or more files, in path order
        std::atomic<bool> bucketsReady{false};
    };

    // `groups` are ranges of `files`, each of one size and in path order.
    DuplicateSearch(std::vector<Candidate> files,
                    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& groups,
                    const CancellationFlag& cancellation, const DuplicateFileHooks* hooks = nullptr);
    DuplicateSearch(const DuplicateSearch&) = delete;
    DuplicateSearch& operator=(const DuplicateSearch&) = delete;
    ~DuplicateSearch();

    [[nodiscard]] const std::vector<Candidate>& files() const { return m_files; }
    [[nodiscard]] const FileState& state(std::uint32_t file) const { return m_states[file]; }
    [[nodiscard]] std::uint32_t groupCount() const { return static_cast<std::uint32_t>(m_groups.size()); }
    [[nodiscard]] const SizeGroup& group(std::uint32_t g) const { return m_groups[g]; }

    // Starts the workers on every size group, earlier groups first.
    void start();
    // Blocks until `ready` holds, calling `waiting` now and then meanwhile. Throws CancellationError as
    // soon as the flag is set, and rethrows a worker's unexpected failure.
    void waitUntil(const std::function<bool()>& ready, const std::function<void()>& waiting);
    // Stops and joins the workers; their unfinished work is abandoned.
    void stop();

private:
    struct Set;
    struct Job {
        std::uint32_t group = 0;
        std::uint64_t sequence = 0;
        std::uint32_t first = 0, last = 0; // files to sample, or members of `set` to compare in its round
        std::shared_ptr<Set> set;
    };
    struct Later {
        bool operator()(const Job& a, const Job& b) const {
            return a.group != b.group ? a.group > b.group : a.sequence > b.sequence;
        }
    };
    struct Buffers;

    void push(Job job);
    void work();
    void run(const Job& job, Buffers& buffers);
    void sample(std::uint32_t file, Buffers& buffers);
    void formBuckets(std::uint32_t g);
    // A new set of `files` (path order), whose bytes before `offset` are known to be equal, with the digest
    // state `sha` of its content's first `hashed` bytes.
    void startSet(std::uint32_t g, Bucket& bucket, std::vector<std::uint32_t> files, std::int64_t offset,
                  Sha256 sha, std::int64_t hashed);
    void startRound(const std::shared_ptr<Set>& set);
    void compare(const Job& job, Buffers& buffers);
    void endRound(const std::shared_ptr<Set>& set, Buffers& buffers);
    // Ends the set's reading: every file is checked again and the set becomes a group.
    void complete(Set& set, Buffers& buffers);
    // Ends the set without its lead, which failed: `others` start again as a set of their own.
    void dropLead(Set& set, std::vector<std::uint32_t> others);
    // A set ended; the last of a bucket publishes the bucket's groups.
    void setDone(Bucket& bucket);
    [[nodiscard]] VerifiedFile openFile(std::uint32_t file, bool sequential) const;
    void requireUnchanged(std::uint32_t file) const;
    [[nodiscard]] bool halted() const {
        return m_stopping.load(std::memory_order_relaxed) || m_cancellation.isCancelled();
    }

    std::vector<Candidate> m_files;
    std::vector<FileState> m_states;
    std::vector<SizeGroup> m_groups;
    const CancellationFlag& m_cancellation;
    const DuplicateFileHooks* m_hooks;

    std::mutex m_lock;
    std::condition_variable m_workReady;
    std::condition_variable m_resultReady;
    std::priority_queue<Job, std::vector<Job>, Later> m_queue;
    std::uint64_t m_sequence = 0;
    std::exception_ptr m_fatal;
    std::atomic<bool> m_stopping{false};
    std::vector<std::thread> m_threads;
    unsigned m_workerCount = 1;               // what rounds are shared out for, set before the workers start
    std::unique_ptr<Buffers> m_inlineBuffers; // when no thread could be started
};

} // namespace ambertrove
