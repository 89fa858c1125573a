#include "snapshots/SnapshotStore.hpp"

#include "analysis/CancellationPoints.hpp"
#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "model/ScanJson.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/DirectoryEnumerator.hpp"
#include "platform/FileStatus.hpp"
#include "storage/AppStorage.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ambertrove {

namespace {

constexpr std::string_view kRecordExtension = "meta";
constexpr const char* kUnreadableRecord = "Saved-scan details could not be read.";
constexpr const char* kMismatchedRecord = "Saved-scan details do not match this entry.";
constexpr const char* kUnavailableScan = "The saved scan is unavailable.";
constexpr const char* kDifferentRoots = "Scan the same root folder to compare these snapshots.";

// The system's own wording for an errno code ("Permission denied").
std::string describe(const std::system_error& error) {
    return std::generic_category().message(error.code().value());
}

// Removes one file (never a folder) of `folder`. Returns 0 or the errno value.
int unlinkFile(int folder, const std::string& name) {
    return ::unlinkat(folder, name.c_str(), 0) == 0 ? 0 : (errno > 0 ? errno : EIO);
}

std::string recordName(const SnapshotRecord& record) {
    return record.id.text() + "." + std::string(kRecordExtension);
}

} // namespace

SnapshotStore::SnapshotStore(std::string directory)
    : SnapshotStore(std::move(directory), Sources{}) {}

SnapshotStore::SnapshotStore(std::string directory, Sources sources)
    : m_directory(std::move(directory))
    , m_sources(std::move(sources)) {}

SnapshotStore SnapshotStore::inStateFolder(const std::string& stateDirectory) {
    return inStateFolder(stateDirectory, Sources{});
}

SnapshotStore SnapshotStore::inStateFolder(const std::string& stateDirectory, Sources sources) {
    std::string directory = stateDirectory;
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    SnapshotStore store(directory + std::string(kFolderName), std::move(sources));
    // Whoever could change the state folder could swap the saved scans inside it.
    store.m_ownLevels = 2;
    return store;
}

FileDescriptor SnapshotStore::openFolder(bool create) const {
    return AppStorage::openPrivateFolder(m_directory, m_ownLevels, create);
}

std::string SnapshotStore::pathOf(const std::string& name) const {
    if (!m_directory.empty() && m_directory.back() == '/')
        return m_directory + name;
    return m_directory + "/" + name;
}

std::string SnapshotStore::scanPath(const SnapshotRecord& record) const {
    return pathOf(record.filename());
}

std::string SnapshotStore::recordPath(const SnapshotRecord& record) const {
    return pathOf(recordName(record));
}

SnapshotRecord SnapshotStore::save(const ScanResult& scan, const std::string& title) {
    // Saved scans list every name of the scanned tree: only their owner may read them.
    const FileDescriptor folder = openFolder(true);

    SnapshotRecord record;
    record.id = m_sources.newId();
    record.createdAt = m_sources.now();
    record.title = title;
    record.rootPath = scan.rootPath;
    const NodeIndex root = scan.rootIndex();
    if (root != kNoNode) {
        record.bytes = scan.nodes[root].allocatedSize();
        record.fileCount = scan.nodes[root].fileCount();
    }

    const std::string scanFile = record.filename();
    writeFileAtomically(
        folder.get(), scanFile, [&](std::FILE* file) { ScanJson::write(scan, file); }, kPrivateFileMode);
    try {
        writeFileAtomically(folder.get(), recordName(record), record.encode(), kPrivateFileMode);
    } catch (...) {
        // A scan file without its record would never be listed, so nothing could ever delete it.
        ::unlinkat(folder.get(), scanFile.c_str(), 0);
        throw;
    }
    return record;
}

SnapshotCatalog SnapshotStore::catalog() const {
    SnapshotCatalog catalog;
    FileDescriptor folder;
    try {
        folder = openFolder(false);
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::no_such_file_or_directory)
            return catalog;
        throw;
    }

    std::vector<std::string> recordFiles;
    for (std::string& name : DirectoryEnumerator::list(folder.get()))
        if (PathText::pathExtension(name) == kRecordExtension)
            recordFiles.push_back(std::move(name));
    std::sort(recordFiles.begin(), recordFiles.end());

    for (const std::string& name : recordFiles) {
        const std::string path = pathOf(name);
        std::string message;
        try {
            SnapshotRecord record = SnapshotRecord::decode(readStoredFile(folder.get(), name, kRecordLimit));
            const auto named =
                Uuid::parse(std::string_view(name).substr(0, name.size() - kRecordExtension.size() - 1));
            if (!named || *named != record.id) {
                message = kMismatchedRecord;
            } else {
                const std::string scanFile = record.filename();
                FileStatus scanStatus;
                // A scan file that is gone is the common case of an unavailable scan; say so in those words.
                if (const int error = readFileStatus(folder.get(), scanFile.c_str(), scanStatus);
                    error == ENOENT)
                    message = kUnavailableScan;
                else if (error != 0)
                    throwSystemError(error, EIO);
                else if (!scanStatus.isRegularFile() ||
                         ::faccessat(folder.get(), scanFile.c_str(), R_OK, 0) != 0)
                    message = kUnavailableScan;
                else
                    catalog.records.push_back(std::move(record));
            }
        } catch (const DecodingError&) {
            message = kUnreadableRecord;
        } catch (const AmbertroveError& error) {
            message = error.message();
        } catch (const std::system_error& error) {
            message = describe(error);
        }
        if (!message.empty())
            catalog.issues.push_back({path, std::move(message)});
    }

    std::stable_sort(catalog.records.begin(), catalog.records.end(),
                     [](const SnapshotRecord& a, const SnapshotRecord& b) {
                         if (a.createdAt != b.createdAt)
                             return a.createdAt > b.createdAt;
                         return a.id.text() < b.id.text();
                     });
    return catalog;
}

std::vector<SnapshotRecord> SnapshotStore::list() const {
    return catalog().records;
}

ScanResult SnapshotStore::load(const SnapshotRecord& record, const TaskCancellation& cancellation) const {
    cancellation.check();
    const FileDescriptor folder = openFolder(false);
    return readStoredFile(folder.get(), record.filename(), kScanLimit,
                          [&](std::FILE* file) { return ScanJson::read(file, cancellation); });
}

void SnapshotStore::remove(const SnapshotRecord& record) const {
    const FileDescriptor folder = openFolder(false);
    if (const int error = unlinkFile(folder.get(), record.filename()); error != 0 && error != ENOENT)
        throwSystemError(error, EIO);
    if (const int error = unlinkFile(folder.get(), recordName(record)); error != 0)
        throwSystemError(error, EIO);
}

std::vector<SnapshotChange> SnapshotStore::compare(const ScanResult& earlier, const ScanResult& later,
                                                   bool logical, const TaskCancellation& cancellation) {
    if (earlier.rootPath != later.rootPath)
        throw AmbertroveError(kDifferentRoots);
    CancellationPoints points(cancellation);
    points.check();

    const NodeTable& before = earlier.nodes;
    const NodeTable& after = later.nodes;
    std::vector<SnapshotChange> changes;
    // Each earlier record's counterpart in the later table, the record of the same path: found under the
    // counterpart of its parent by name, as a path lookup walks the components, so that no path is built
    // but those of the changes. A path kept whole is looked up whole.
    constexpr NodeIndex kUnknown = kNoNode - 1;
    std::vector<NodeIndex> counterpart(before.recordCount(), kUnknown);
    std::vector<NodeIndex> pending;
    // Both tables mostly hold a folder's entries as consecutive records in the same order, so the record
    // after the counterpart of the previous sibling, or the first listed child of the parent's counterpart,
    // is tried before the index: both are where the tables are read anyway.
    const auto childCounterpart = [&](NodeIndex r, NodeIndex parent) {
        const NodeIndex under = counterpart[parent];
        if (under == kNoNode)
            return kNoNode;
        const std::string_view name = before.name(r);
        const auto fits = [&](NodeIndex c) {
            return c < after.recordCount() && !after.isDetached(c) && after[c].parent() == under &&
                   after.name(c) == name;
        };
        NodeIndex guess = kNoNode;
        if (r > 0 && before[r - 1].parent() == parent && counterpart[r - 1] < kUnknown)
            guess = counterpart[r - 1] + 1;
        else if (const auto listed = after.children(under); !listed.empty())
            guess = listed[0];
        return guess != kNoNode && fits(guess) ? guess : after.childRecord(under, name);
    };
    const auto counterpartOf = [&](NodeIndex first) {
        // Up to the first record whose counterpart is known, or that has none to derive it from.
        for (NodeIndex r = first; counterpart[r] == kUnknown; r = before[r].parent()) {
            pending.push_back(r);
            if (r == 0 || before.isDetached(r) || before[r].parent() == kNoNode)
                break;
        }
        while (!pending.empty()) {
            const NodeIndex r = pending.back();
            pending.pop_back();
            const NodeIndex parent = before[r].parent();
            if (r == 0)
                counterpart[r] = after.recordCount() > 0 ? 0 : kNoNode; // "/", a node or not
            else if (before.isDetached(r) || parent == kNoNode)
                counterpart[r] = after.find(before.path(r)); // a path kept whole
            else
                counterpart[r] = childCounterpart(r, parent);
        }
        return counterpart[first];
    };
    // Every later node matched by an earlier one is marked, so the later scan's own pass builds paths only
    // for added entries.
    std::vector<bool> matched(after.recordCount(), false);
    before.forEachNode([&](NodeIndex i) {
        points.visit();
        const std::int64_t was = before[i].bytes(logical);
        const NodeIndex found = counterpartOf(i);
        const NodeIndex j = after.isNode(found) ? found : kNoNode;
        if (j == kNoNode) {
            changes.push_back({before.path(i), was, 0, "Removed"});
            return;
        }
        matched[j] = true;
        if (const std::int64_t is = after[j].bytes(logical); is != was)
            changes.push_back({before.path(i), was, is, "Changed"});
    });
    after.forEachNode([&](NodeIndex j) {
        points.visit();
        if (!matched[j])
            changes.push_back({after.path(j), 0, after[j].bytes(logical), "Added"});
    });

    // The magnitude of after - before, exact over the whole 64-bit range.
    const auto magnitude = [](const SnapshotChange& c) {
        const auto a = static_cast<std::uint64_t>(c.after);
        const auto b = static_cast<std::uint64_t>(c.before);
        return c.after >= c.before ? a - b : b - a;
    };
    std::sort(changes.begin(), changes.end(), [&](const SnapshotChange& x, const SnapshotChange& y) {
        points.compare();
        const std::uint64_t mx = magnitude(x);
        const std::uint64_t my = magnitude(y);
        if (mx != my)
            return mx > my;
        return x.path < y.path;
    });
    points.check();
    return changes;
}

} // namespace ambertrove
