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

// The reading side of a duplicate search: worker threads sample, hash and compare the candidates' contents
// and leave what they found per file, while the calling thread (DuplicateFinder) waits for each result in
// turn and turns it into reports, issues and groups in the order of a search one file at a time.
//
// Work per size group: every file's first 64 KiB is digested. The files of each sample bucket (equal
// digests) are then read side by side in one pass, chunk by chunk, and split into contents as they go:
// every file's chunk is compared with the chunk of the first file of its content, and a file that differs
// joins another that left the same content at the same chunk with the same bytes, or starts a content of
// its own. So the pass reads every byte once, proves copies equal with that same read, and computes one
// digest per content of two or more files, continuing from the digest state of the part it shared before
// it split. Files of equal digests whose equality no pass saw are compared with their reference after.
class DuplicateSearch {
public:
    struct Candidate {
        NodeIndex index = kNoNode;
        std::string path;
        FileIdentity identity; // as the scan saw it
        std::int64_t size = 0;
    };

    enum class Verdict : std::uint8_t { none, equal, different, failed };

    // What the workers found about one file. Each stage's fields are written before the flag that
    // publishes them (`sampled`, then the bucket's `done`) and read by the calling thread after it.
    struct FileState {
        std::exception_ptr sampleError;
        Sha256::Digest sample{};
        bool hashOpened = false;
        std::exception_ptr hashError;
        Sha256::Digest content{};
        std::unique_ptr<Sha256> prefix; // the sample's digest state, until the buckets are formed
        // Files of one class were read in one pass and seen byte-for-byte equal, both unchanged.
        std::uint32_t contentClass = 0;
        bool hasDigest = false; // `content` is set: a file alone in its content may go without
        // The comparison with the content bucket's reference, when the file is not of its class.
        Verdict verdict = Verdict::none;
        bool verifyOpened = false;
        std::exception_ptr verifyError;
        std::atomic<bool> sampled{false};
        std::atomic<std::int64_t> bytes{0}; // read so far, for progress
    };

    // Files of one size group whose samples agree.
    struct Bucket {
        explicit Bucket(std::vector<std::uint32_t> f)
            : files(std::move(f))
            , liveFile(files.front()) {}
        std::vector<std::uint32_t> files;
        // Files grouped by full digest, groups of one dropped; each in path order, its reference first.
        std::vector<std::vector<std::uint32_t>> contentBuckets;
        // The files of each content bucket seen equal to each other and unchanged once all reading was
        // done, when two or more; in path order.
        std::vector<std::vector<std::uint32_t>> groups;
        std::optional<Sha256> prefix;        // digest state after the first 64 KiB the files share
        std::atomic<std::uint32_t> liveFile; // the file being hashed, for progress
        std::atomic<bool> done{false};
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
    struct Job {
        std::uint32_t group = 0;
        std::uint64_t sequence = 0;
        std::uint32_t first = 0, last = 0; // files to sample
        Bucket* bucket = nullptr;          // or a bucket to hash
    };
    struct Later {
        bool operator()(const Job& a, const Job& b) const {
            return a.group != b.group ? a.group > b.group : a.sequence > b.sequence;
        }
    };
    struct Buffers;
    struct Stream;

    void push(Job job);
    void work();
    void run(const Job& job, Buffers& buffers);
    void sample(std::uint32_t file, Buffers& buffers);
    void formBuckets(SizeGroup& group);
    void hashBucket(Bucket& bucket, Buffers& buffers);
    // One side-by-side pass; false when the search is stopping.
    bool pass(std::vector<Stream>& streams, Bucket& bucket, bool everyDigest, Buffers& buffers);
    // Compares `members` with `reference`. False when the reference itself failed or changed (its error is
    // set and no verdict counts).
    bool verify(std::uint32_t reference, const std::vector<std::uint32_t>& members, Buffers& buffers);
    [[nodiscard]] VerifiedFile openFile(std::uint32_t file, bool sequential) const;
    [[nodiscard]] bool unchanged(std::uint32_t file) const;
    void requireUnchanged(std::uint32_t file) const;
    [[nodiscard]] bool stopping() const { return m_stopping.load(std::memory_order_relaxed); }

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
    std::unique_ptr<Buffers> m_inlineBuffers; // when no thread could be started
};

} // namespace ambertrove
