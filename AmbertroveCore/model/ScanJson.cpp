#include "model/ScanJson.hpp"

#include "base/AmbertroveError.hpp"
#include "model/JsonCoding.hpp"
#include "platform/AtomicFile.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ambertrove::ScanJson {

// ---- writing -----------------------------------------------------------------------------------

namespace {

// Reading and writing look at their cancellation once per this many nodes: often enough to stop within a
// few milliseconds, rarely enough to cost nothing measurable.
constexpr NodeIndex kNodesPerPoll = 4096;

void writeScan(const ScanResult& scan, JsonWriter& w, const TaskCancellation& cancellation) {
    const NodeTable& t = scan.nodes;
    w.StartObject();
    w.Key("id");
    writeJsonUuid(w, scan.id);
    writeJsonPath(w, "rootPath", scan.rootPath);
    w.Key("scannedAt");
    writeJsonDate(w, scan.scannedAt);
    w.Key("duration");
    writeJsonDouble(w, scan.duration, "the duration");
    w.Key("nodes");
    w.StartObject();

    // One path buffer: records come in tree order from a scan, so each path extends one on the stack.
    std::string key;
    std::vector<std::pair<NodeIndex, std::size_t>> stack; // record, length of its path in `key`
    std::string childPath;
    std::string scratch;
    for (NodeIndex i = 0; i < t.recordCount(); ++i) {
        if (i % kNodesPerPoll == 0)
            cancellation.check();
        const NodeTable::NodeRef r = t[i];
        if (!r.isNode())
            continue;
        const bool detached = r.flags() & NodeTable::kDetached;
        if (detached || i == 0) {
            key = t.path(i);
            stack.clear();
            if (!detached)
                stack.emplace_back(i, key.size());
        } else {
            while (!stack.empty() && stack.back().first != r.parent())
                stack.pop_back();
            if (stack.empty()) {
                key.clear();
                t.appendPath(r.parent(), key);
                stack.emplace_back(r.parent(), key.size());
            } else {
                key.resize(stack.back().second);
            }
            if (key != "/")
                key.push_back('/');
            key.append(t.name(i));
            stack.emplace_back(i, key.size());
        }

        writeJsonPathKey(w, key);
        const NodeData d = t.data(i);
        w.StartObject();
        if (r.flags() & NodeTable::kHasExtras)
            writeJsonPath(w, "path", t.nodePath(i));
        else
            writeJsonPath(w, "path", key);
        if (t.hasParent(i)) {
            if (r.flags() & NodeTable::kHasExtras) {
                writeJsonPath(w, "parent", t.makeNode(i).parent.value_or(""));
            } else {
                const std::size_t slash = key.rfind('/');
                writeJsonPath(w, "parent",
                              slash == 0 ? std::string_view("/") : std::string_view(key).substr(0, slash));
            }
        }
        w.Key("isDirectory");
        w.Bool(d.isDirectory);
        w.Key("isSymbolicLink");
        w.Bool(d.isSymbolicLink);
        w.Key("isCloudPlaceholder");
        w.Bool(d.isCloudPlaceholder);
        w.Key("logicalSize");
        w.Int64(d.logicalSize);
        w.Key("allocatedSize");
        w.Int64(d.allocatedSize);
        w.Key("ownLogicalSize");
        w.Int64(d.ownLogicalSize);
        w.Key("ownAllocatedSize");
        w.Int64(d.ownAllocatedSize);
        w.Key("compressedSavings");
        w.Int64(d.compressedSavings);
        w.Key("fileCount");
        w.Int64(d.fileCount);
        w.Key("folderCount");
        w.Int64(d.folderCount);
        w.Key("children");
        w.StartArray();
        for (NodeIndex c : t.children(i)) {
            const NodeTable::NodeRef cr = t[c];
            if (cr.parent() == i && !(cr.flags() & NodeTable::kDetached) && !detached) {
                childPath.assign(key);
                if (childPath != "/")
                    childPath.push_back('/');
                childPath.append(t.name(c));
            } else {
                childPath = t.path(c);
            }
            writeJsonPathValue(w, childPath);
        }
        w.EndArray();
        w.Key("created");
        writeJsonDate(w, d.created);
        w.Key("modified");
        writeJsonDate(w, d.modified);
        w.Key("accessed");
        writeJsonDate(w, d.accessed);
        w.Key("identity");
        writeFileIdentity(w, d.identity);
        w.EndObject();
    }
    w.EndObject();
    w.Key("issues");
    w.StartArray();
    for (const ScanIssue& issue : scan.issues) {
        w.StartObject();
        writeJsonPath(w, "path", issue.path);
        writeJsonExactText(w, "message", issue.message);
        w.EndObject();
    }
    w.EndArray();
    w.Key("skippedCount");
    w.Int64(scan.skippedCount);
    w.EndObject();
}

} // namespace

void write(const ScanResult& scan, std::FILE* file, const TaskCancellation& cancellation) {
    JsonOutput out(file);
    JsonWriter writer(out);
    writeScan(scan, writer, cancellation);
    out.Flush();
}

std::string encode(const ScanResult& scan) {
    return jsonText([&](JsonWriter& w) { writeScan(scan, w, TaskCancellation()); });
}

void writeFile(const ScanResult& scan, const std::string& path, unsigned mode,
               const TaskCancellation& cancellation) {
    writeFileAtomically(
        path,
        [&](std::FILE* file) {
            write(scan, file, cancellation);
            // The last chance before the file is synced and put in place.
            cancellation.check();
        },
        mode);
}

// ---- reading -----------------------------------------------------------------------------------

namespace {

using Number = JsonNumber;

enum class State { Start, Top, Nodes, Node, Children, Identity, Issues, Issue, Done };

// Keys of the records, as bits of a "seen" mask.
// Keys after the count are optional: the exact bytes of a text that is not UTF-8.
enum TopKey {
    TId,
    TRoot,
    TScannedAt,
    TDuration,
    TNodes,
    TIssues,
    TSkipped,
    TopKeyCount,
    TRootBytes = TopKeyCount,
    TUnknown = 63
};
enum NodeKey {
    NPath,
    NParent,
    NIsDirectory,
    NIsSymbolicLink,
    NIsCloud,
    NLogical,
    NAllocated,
    NOwnLogical,
    NOwnAllocated,
    NSavings,
    NFileCount,
    NFolderCount,
    NChildren,
    NCreated,
    NModified,
    NAccessed,
    NIdentity,
    NodeKeyCount,
    NPathBytes = NodeKeyCount,
    NParentBytes,
    NUnknown = 63
};
enum IdentityKey {
    IDevice,
    IInode,
    ISize,
    IModSec,
    IModNs,
    IChgSec,
    IChgNs,
    IMode,
    ILinks,
    IdentityKeyCount,
    IUnknown = 63
};

constexpr const char* kTopKeys[] = {"id",    "rootPath", "scannedAt",    "duration",
                                    "nodes", "issues",   "skippedCount", "rootPathBytes"};
constexpr const char* kNodeKeys[] = {
    "path",        "parent",        "isDirectory",    "isSymbolicLink",   "isCloudPlaceholder",
    "logicalSize", "allocatedSize", "ownLogicalSize", "ownAllocatedSize", "compressedSavings",
    "fileCount",   "folderCount",   "children",       "created",          "modified",
    "accessed",    "identity",      "pathBytes",      "parentBytes"};
constexpr const char* kIdentityKeys[] = {"device",          "inode",         "size",
                                         "modifiedSeconds", "modifiedNanos", "changedSeconds",
                                         "changedNanos",    "mode",          "linkCount"};

template <std::size_t N> struct KeyViews { std::string_view keys[N]; };
template <std::size_t N> constexpr KeyViews<N> viewsOf(const char* const (&keys)[N]) {
    KeyViews<N> views{};
    for (std::size_t k = 0; k < N; ++k)
        views.keys[k] = keys[k];
    return views;
}
constexpr auto kTopKeyViews = viewsOf(kTopKeys);
constexpr auto kNodeKeyViews = viewsOf(kNodeKeys);
constexpr auto kIdentityKeyViews = viewsOf(kIdentityKeys);

// Whether two short texts are equal, without a library call for each of the many keys of a file.
inline RAPIDJSON_FORCEINLINE bool sameKey(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size())
        return false;
    // Loads of fixed sizes, overlapping for lengths between them, so that none is a library call.
    const auto load8 = [](const char* p) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        return word;
    };
    const auto load4 = [](const char* p) {
        std::uint32_t word;
        std::memcpy(&word, p, 4);
        return word;
    };
    if (n < 4) {
        for (std::size_t i = 0; i < n; ++i)
            if (a[i] != b[i])
                return false;
        return true;
    }
    if (n < 8)
        return load4(a.data()) == load4(b.data()) && load4(a.data() + n - 4) == load4(b.data() + n - 4);
    for (std::size_t i = 0; i + 8 < n; i += 8)
        if (load8(a.data() + i) != load8(b.data() + i))
            return false;
    return load8(a.data() + n - 8) == load8(b.data() + n - 8);
}

// The index of `key`, or 63. Keys mostly come in the order they are written in, so the one after the
// last key is tried first.
template <std::size_t N>
inline RAPIDJSON_FORCEINLINE int keyIndex(const KeyViews<N>& views, std::string_view key, int last) {
    const auto expected = static_cast<std::size_t>(last + 1);
    if (expected < N && sameKey(views.keys[expected], key))
        return static_cast<int>(expected);
    for (std::size_t k = 0; k < N; ++k)
        if (sameKey(key, views.keys[k]))
            return static_cast<int>(k);
    return 63;
}

// A record's tree parent, whether the table hands out records as values or views.
template <class Record> NodeIndex treeParentOf(const Record& record) {
    if constexpr (requires { record.parent(); })
        return record.parent();
    else
        return record.parent;
}

// Finds or adds the records of paths while a file is read, without the table's index (deferred meanwhile,
// and built in one sweep when the table is finished).
//
// Files written here list each folder's children before their nodes, and give the nodes in the order
// their records are made: each node's record is then the one after the last node's, which is checked by
// comparing names up the record's parents, and each children list names records that do not exist yet
// under a folder that has none. Reading such a file needs no index at all. At the first path that does
// not fit, an index keyed by (parent record, name), like the table's, is built over the records so far,
// and every path from then on is found through it, one component at a time but for its last folder, which
// is kept.
class PathRecords {
public:
    explicit PathRecords(NodeTable& table)
        : m_table(table) {
        m_table.deferIndex();
        m_hasChildren.assign(m_table.recordCount(), 0);
    }

    // The record of a node's key.
    NodeIndex ensureNode(std::string_view path) {
        if (!isPlainAbsolutePath(path) || path.size() == 1) {
            m_trail.clear();
            m_firstChildOfLast = kNoNode;
            return m_lastNode = ensure(path);
        }
        // The record is most likely the first child of the last node (depth first, going down), the
        // sibling after the last node at its depth (going on or back up), or the record after the last
        // node's (breadth first).
        const std::size_t depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
        const std::size_t slash = path.rfind('/');
        const std::string_view name = path.substr(slash + 1);
        const std::string_view folder = slash == 0 ? std::string_view("/") : path.substr(0, slash);
        NodeIndex found = kNoNode;
        if (depth == m_trail.size() + 1 && m_firstChildOfLast != kNoNode &&
            isRecord(m_firstChildOfLast, folder, name))
            found = m_firstChildOfLast;
        else if (depth <= m_trail.size() && isRecord(m_trail[depth - 1] + 1, folder, name))
            found = m_trail[depth - 1] + 1;
        else if (isRecord(m_lastNode + 1, folder, name))
            found = m_lastNode + 1;
        else
            found = ensure(path);
        // m_trail[d - 1] is the last node found at depth d.
        m_trail.resize(depth);
        m_trail[depth - 1] = found;
        m_firstChildOfLast = kNoNode;
        return m_lastNode = found;
    }

    // The record of `path`, created as a placeholder (with any missing ancestors) when absent.
    NodeIndex ensure(std::string_view path) {
        // It may add records under the owner of a list that the list does not know of.
        m_listFresh = false;
        if (!isPlainAbsolutePath(path)) {
            const NodeIndex record = m_table.ensurePath(path); // kept whole aside, under no parent
            m_hasChildren.resize(m_table.recordCount(), 0);
            return record;
        }
        if (path.size() == 1)
            return 0;
        const std::size_t slash = path.rfind('/');
        const std::string_view folder = slash == 0 ? std::string_view("/") : path.substr(0, slash);
        if (!m_hasFolder || folder != m_folder) {
            m_folderRecord = walk(folder);
            m_folder.assign(folder);
            m_hasFolder = true;
        }
        return child(m_folderRecord, path.substr(slash + 1));
    }

    // Starts the children list of `owner`.
    void beginList(NodeIndex owner) {
        m_listOwner = owner;
        m_listFresh = !m_hasChildren[owner];
        // Where the list's first record goes, if it adds one.
        m_firstChildOfLast =
            m_listFresh && owner == m_lastNode ? static_cast<NodeIndex>(m_table.recordCount()) : kNoNode;
        for (const std::size_t s : m_listUsed)
            m_listSlots[s] = kNoNode;
        m_listUsed.clear();
    }

    // The record named `name` (a non-empty component) under the owner of the list.
    NodeIndex listChild(std::string_view name) {
        if (!m_listFresh)
            return child(m_listOwner, name);
        // Only this list has made records under its owner: they are all there is to look through.
        if ((m_listUsed.size() + 1) * 2 > m_listSlots.size())
            growList();
        const std::size_t mask = m_listSlots.size() - 1;
        std::size_t s = hashOf(m_listOwner, name) & mask;
        for (; m_listSlots[s] != kNoNode; s = (s + 1) & mask)
            if (m_table.name(m_listSlots[s]) == name)
                return m_listSlots[s];
        const NodeIndex added = add(m_listOwner, name);
        m_listSlots[s] = added;
        m_listUsed.push_back(s);
        return added;
    }

private:
    NodeIndex parentOf(NodeIndex i) const { return treeParentOf(m_table[i]); }
    // Whether `record` is the record named `name` in the plain path `folder`.
    bool isRecord(NodeIndex record, std::string_view folder, std::string_view name) {
        return record < m_table.recordCount() && m_table.name(record) == name &&
               isRecordOf(parentOf(record), folder);
    }
    // Whether `record` is the record of the plain path `folder`.
    bool isRecordOf(NodeIndex record, std::string_view folder) {
        if (m_hasFolder && record == m_folderRecord && folder == m_folder)
            return true;
        NodeIndex r = record;
        std::string_view rest = folder;
        while (rest.size() > 1) {
            if (r == 0 || r == kNoNode)
                return false;
            const std::size_t slash = rest.rfind('/');
            if (m_table.name(r) != rest.substr(slash + 1))
                return false;
            r = parentOf(r);
            rest = slash == 0 ? std::string_view("/") : rest.substr(0, slash);
        }
        if (r != 0)
            return false;
        m_folder.assign(folder);
        m_folderRecord = record;
        m_hasFolder = true;
        return true;
    }

    NodeIndex walk(std::string_view folder) {
        NodeIndex current = 0;
        std::size_t pos = 1;
        while (pos < folder.size()) {
            std::size_t end = folder.find('/', pos);
            if (end == std::string_view::npos)
                end = folder.size();
            current = child(current, folder.substr(pos, end - pos));
            pos = end + 1;
        }
        return current;
    }

    // The record named `name` under `parent`, created when absent.
    NodeIndex child(NodeIndex parent, std::string_view name) {
        if (!m_indexed) {
            if (!m_hasChildren[parent])
                return add(parent, name); // nothing to find under it
            buildIndex();
        }
        if (m_hasChildren[parent] == kUnindexedChildren)
            indexRun(parent);
        const std::uint64_t h = hashOf(parent, name);
        const std::uint64_t tag = h & kTagMask;
        std::size_t mask = m_slots.size() - 1;
        std::size_t s = (h >> 32) & mask;
        for (;; s = (s + 1) & mask) {
            const std::uint64_t slot = m_slots[s];
            if (slot == kEmpty)
                break;
            const auto candidate = static_cast<NodeIndex>(slot);
            if ((slot & kTagMask) == tag && parentOf(candidate) == parent && m_table.name(candidate) == name)
                return candidate;
        }
        const NodeIndex added = m_table.addRecord(parent, name);
        m_hasChildren.resize(m_table.recordCount(), 0);
        m_hasChildren[parent] = kIndexedChildren;
        if (++m_count * 2 > m_slots.size()) {
            grow();
            mask = m_slots.size() - 1;
            for (s = (h >> 32) & mask; m_slots[s] != kEmpty; s = (s + 1) & mask) {
            }
        }
        m_slots[s] = tag | added;
        return added;
    }

    // A record the caller knows to be new: one of a list whose owner had no records under it. Once there
    // is an index, the list's records wait outside it, as a run of records, until something is looked for
    // under their owner; most never are.
    NodeIndex add(NodeIndex parent, std::string_view name) {
        const NodeIndex added = m_table.addRecord(parent, name);
        m_hasChildren.resize(m_table.recordCount(), 0);
        if (!m_indexed) {
            m_hasChildren[parent] = kIndexedChildren;
            return added;
        }
        if (m_hasChildren[parent] == kUnindexedChildren && m_runOwner == parent && m_runEnd == added) {
            ++m_runEnd;
            return added;
        }
        if (m_hasChildren[parent] == kUnindexedChildren)
            indexRun(parent);
        if (m_runOwner != kNoNode && m_hasChildren[m_runOwner] == kUnindexedChildren)
            m_pendingRuns[m_runOwner] = {m_runFirst, m_runEnd};
        m_hasChildren[parent] = kUnindexedChildren;
        m_runOwner = parent;
        m_runFirst = added;
        m_runEnd = added + 1;
        return added;
    }

    // Puts the records of `owner`'s run into the index.
    void indexRun(NodeIndex owner) {
        NodeIndex first = m_runFirst, end = m_runEnd;
        if (owner == m_runOwner) {
            m_runOwner = kNoNode;
        } else {
            const auto found = m_pendingRuns.find(owner);
            first = found->second.first;
            end = found->second.second;
            m_pendingRuns.erase(found);
        }
        m_hasChildren[owner] = kIndexedChildren;
        for (NodeIndex i = first; i < end; ++i) {
            if (++m_count * 2 > m_slots.size())
                grow();
            const std::uint64_t h = hashOf(owner, m_table.name(i));
            const std::size_t mask = m_slots.size() - 1;
            std::size_t s = (h >> 32) & mask;
            while (m_slots[s] != kEmpty)
                s = (s + 1) & mask;
            m_slots[s] = (h & kTagMask) | i;
        }
    }

    void buildIndex() {
        m_indexed = true;
        m_listFresh = false;
        std::size_t capacity = 1 << 12;
        while (capacity < m_table.recordCount() * 2)
            capacity *= 2;
        m_slots.assign(capacity, kEmpty);
        const std::size_t mask = capacity - 1;
        for (NodeIndex i = 1; i < m_table.recordCount(); ++i) {
            if (parentOf(i) == kNoNode)
                continue; // kept whole aside
            const std::uint64_t h = hashOf(parentOf(i), m_table.name(i));
            std::size_t s = (h >> 32) & mask;
            while (m_slots[s] != kEmpty)
                s = (s + 1) & mask;
            m_slots[s] = (h & kTagMask) | i;
            ++m_count;
        }
    }

    static std::uint64_t hashOf(NodeIndex parent, std::string_view name) {
        constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
        std::uint64_t h = (std::uint64_t(parent) + 1) * k ^ name.size();
        std::size_t i = 0;
        for (; i + 8 <= name.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, name.data() + i, 8);
            h = std::rotl((h ^ word) * k, 29);
        }
        if (i < name.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, name.data() + i, name.size() - i);
            h = std::rotl((h ^ word) * k, 29);
        }
        return (h ^ (h >> 32)) * k;
    }

    void grow() {
        std::vector<std::uint64_t> slots(m_slots.size() * 2, kEmpty);
        const std::size_t mask = slots.size() - 1;
        for (const std::uint64_t slot : m_slots) {
            if (slot == kEmpty)
                continue;
            std::size_t s = (slot >> 32) & mask;
            while (slots[s] != kEmpty)
                s = (s + 1) & mask;
            slots[s] = slot;
        }
        m_slots.swap(slots);
    }

    void growList() {
        std::vector<NodeIndex> slots(std::max<std::size_t>(64, m_listSlots.size() * 2), kNoNode);
        const std::size_t mask = slots.size() - 1;
        for (std::size_t& used : m_listUsed) {
            const NodeIndex record = m_listSlots[used];
            std::size_t s = hashOf(m_listOwner, m_table.name(record)) & mask;
            while (slots[s] != kNoNode)
                s = (s + 1) & mask;
            slots[s] = record;
            used = s;
        }
        m_listSlots.swap(slots);
    }

    // A slot holds a record in its low half and the high half of the hash of its (parent, name) in its
    // high half, so that probes rarely look at records that do not match, and growing looks at none.
    static constexpr std::uint64_t kTagMask = 0xFFFFFFFF00000000ull;
    static constexpr std::uint64_t kEmpty = kNoNode;

    NodeTable& m_table;
    bool m_indexed = false;
    // Whether a record has records under it, and once there is an index, whether they are all in it.
    static constexpr std::uint8_t kIndexedChildren = 1;
    static constexpr std::uint8_t kUnindexedChildren = 2;
    std::vector<std::uint8_t> m_hasChildren;
    // Runs of records outside the index (see add()): the last one, and those of other owners.
    NodeIndex m_runOwner = kNoNode;
    NodeIndex m_runFirst = 0;
    NodeIndex m_runEnd = 0;
    std::unordered_map<NodeIndex, std::pair<NodeIndex, NodeIndex>> m_pendingRuns;
    std::vector<std::uint64_t> m_slots; // once indexed: open addressing
    std::size_t m_count = 0;
    std::string m_folder; // the last folder found, and its record
    NodeIndex m_folderRecord = 0;
    bool m_hasFolder = false;
    NodeIndex m_lastNode = 0;
    std::vector<NodeIndex> m_trail;         // the last node found at each depth, down to the last node
    NodeIndex m_firstChildOfLast = kNoNode; // where the last node's first child would be
    // The children list being read: its records, found by name, while its owner had none before it.
    NodeIndex m_listOwner = 0;
    bool m_listFresh = false;
    std::vector<NodeIndex> m_listSlots;
    std::vector<std::size_t> m_listUsed;
};

// What the reader hands the table builder: the table's share of the work, in the order of the text. A
// node's steps are all in one batch, so that the builder may keep views of its key.
struct NodeBatch {
    enum Kind : std::uint8_t { Node, PlainNode, List, Child, ChildPath, Value };
    struct Step {
        Kind kind;
        std::uint32_t size;
        std::size_t begin; // in `text`, or for a Value the index in `values`
    };
    struct NodeValue {
        NodeData data;
        bool hasParent = false;
        bool parentIsFolder = false; // the parent is the key's folder
        bool pathIsKey = false;
        std::uint32_t pathSize = 0;
        std::uint32_t parentSize = 0;
        std::size_t pathBegin = 0;
        std::size_t parentBegin = 0;
    };

    std::string text;
    std::vector<Step> steps;
    std::vector<NodeValue> values;

    void clear() {
        text.clear();
        steps.clear();
        values.clear();
    }
    [[nodiscard]] std::size_t bytes() const {
        return text.size() + steps.size() * sizeof(Step) + values.size() * sizeof(NodeValue);
    }
    void add(Kind kind, std::string_view s) {
        steps.push_back({kind, static_cast<std::uint32_t>(s.size()), text.size()});
        text.append(s);
    }
    [[nodiscard]] std::string_view at(std::size_t begin, std::size_t size) const {
        return {text.data() + begin, size};
    }
};

// Builds the table from the steps the reader hands over.
class TableBuilder {
public:
    explicit TableBuilder(NodeTable& table)
        : m_table(table)
        , m_records(table) {}

    std::vector<std::pair<NodeIndex, NodeIndex>> childPairs;
    std::string error;

    // False at the first fault, which `error` then tells.
    bool run(const NodeBatch& batch) {
        for (const NodeBatch::Step& step : batch.steps) {
            const std::string_view s = batch.at(step.begin, step.size);
            switch (step.kind) {
            case NodeBatch::Node:
            case NodeBatch::PlainNode:
                m_key = s;
                m_keyPlain = step.kind == NodeBatch::PlainNode;
                m_nodeIndex = m_records.ensureNode(s);
                if (m_table.isNode(m_nodeIndex)) {
                    error = "the node \"" + std::string(s) + "\" appears twice";
                    return false;
                }
                break;
            case NodeBatch::List:
                m_records.beginList(m_nodeIndex);
                break;
            case NodeBatch::Child:
                if (!isValidUtf8(s)) {
                    error = "a text is not UTF-8";
                    return false;
                }
                childPairs.emplace_back(m_nodeIndex, childRecord(s));
                break;
            case NodeBatch::ChildPath:
                childPairs.emplace_back(m_nodeIndex, m_records.ensure(s));
                break;
            case NodeBatch::Value:
                setNode(batch.values[step.begin], batch);
                break;
            }
        }
        return true;
    }

private:
    // The record of a child's path, found under the node's own record when the path is the node's key
    // and one more component (as it always is in files written here).
    NodeIndex childRecord(std::string_view text) {
        if (m_keyPlain) {
            const std::size_t prefix = m_key.size() == 1 ? 0 : m_key.size();
            if (text.size() > prefix + 1 && text[prefix] == '/' &&
                text.compare(0, prefix, m_key.data(), prefix) == 0) {
                const std::string_view name = text.substr(prefix + 1);
                if (name.find('/') == std::string_view::npos)
                    return m_records.listChild(name);
            }
        }
        return m_records.ensure(text);
    }
    // Its "path" is mostly its key and its "parent" its key's folder, which the record then derives.
    void setNode(const NodeBatch::NodeValue& v, const NodeBatch& batch) {
        if (v.pathIsKey && (!v.hasParent || v.parentIsFolder)) {
            m_table.setNode(m_nodeIndex, v.data, v.parentIsFolder);
            return;
        }
        const std::string_view path = v.pathIsKey ? m_key : batch.at(v.pathBegin, v.pathSize);
        std::optional<std::string> parent;
        if (v.parentIsFolder) {
            const std::size_t slash = m_key.rfind('/');
            parent.emplace(slash == 0 ? std::string_view("/") : m_key.substr(0, slash));
        } else if (v.hasParent) {
            parent.emplace(batch.at(v.parentBegin, v.parentSize));
        }
        m_table.setNode(m_nodeIndex, v.data, parent, path);
    }

    NodeTable& m_table;
    PathRecords m_records;
    std::string_view m_key; // the node's, in the batch being run
    bool m_keyPlain = false;
    NodeIndex m_nodeIndex = kNoNode;
};

// Runs the table builder beside the reader: the reader fills a batch while the builder works through the
// one before, so that reading a file takes about as long as the slower of the two. A small file is built
// on the reader's thread once it is read, without a thread of its own.
class BuildPipeline {
public:
    explicit BuildPipeline(NodeTable& table)
        : m_builder(table)
        , m_current(std::make_unique<NodeBatch>()) {}
    BuildPipeline(const BuildPipeline&) = delete;
    BuildPipeline& operator=(const BuildPipeline&) = delete;
    ~BuildPipeline() {
        if (m_thread.joinable()) {
            {
                const std::lock_guard lock(m_mutex);
                m_closing = true;
                m_failed = true; // nothing more is needed
            }
            m_wake.notify_all();
            m_thread.join();
        }
    }

    NodeBatch& batch() { return *m_current; }

    // After a node's last step: hands a large batch over. False once the builder has failed.
    bool nodeDone() {
        if (m_current->bytes() < kBatchBytes)
            return true;
        if (!m_thread.joinable() && !m_alone) {
            try {
                m_thread = std::thread([this] { work(); });
            } catch (const std::system_error&) {
                m_alone = true; // no thread to be had: the reader builds as it goes
            }
        }
        if (m_alone) {
            runOne(*m_current);
            m_current->clear();
            return !m_failed.load(std::memory_order_relaxed);
        }
        std::unique_lock lock(m_mutex);
        m_full.push_back(std::move(m_current));
        m_wake.notify_all();
        if (m_free.empty() && m_made >= kBatches)
            m_wake.wait(lock, [&] { return !m_free.empty(); });
        if (m_free.empty()) {
            m_current = std::make_unique<NodeBatch>();
            ++m_made;
        } else {
            m_current = std::move(m_free.back());
            m_free.pop_back();
        }
        return !m_failed.load(std::memory_order_relaxed);
    }

    // Builds what remains and waits for the builder. Its fault is then in error() (it comes before any
    // fault of the reader, which stopped handing steps over at its own); what it threw is thrown.
    void finish() {
        if (m_thread.joinable()) {
            {
                const std::lock_guard lock(m_mutex);
                m_full.push_back(std::move(m_current));
                m_closing = true;
            }
            m_wake.notify_all();
            m_thread.join();
        } else {
            runOne(*m_current);
        }
        if (m_thrown)
            std::rethrow_exception(m_thrown);
    }

    [[nodiscard]] const std::string& error() const { return m_builder.error; }
    std::vector<std::pair<NodeIndex, NodeIndex>>& childPairs() { return m_builder.childPairs; }

private:
    // Large batches: each hand-over wakes the builder, and smaller ones measured slower.
    static constexpr std::size_t kBatchBytes = 1 << 22;
    static constexpr int kBatches = 4;

    void runOne(const NodeBatch& batch) {
        if (m_failed.load(std::memory_order_relaxed))
            return;
        try {
            if (!m_builder.run(batch))
                m_failed = true;
        } catch (...) {
            m_thrown = std::current_exception();
            m_failed = true;
        }
    }

    void work() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return !m_full.empty() || m_closing; });
            if (m_full.empty())
                return;
            std::unique_ptr<NodeBatch> batch = std::move(m_full.front());
            m_full.pop_front();
            lock.unlock();
            runOne(*batch);
            batch->clear();
            lock.lock();
            m_free.push_back(std::move(batch));
            m_wake.notify_all();
        }
    }

    TableBuilder m_builder;
    std::unique_ptr<NodeBatch> m_current;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::unique_ptr<NodeBatch>> m_full;
    std::vector<std::unique_ptr<NodeBatch>> m_free;
    int m_made = 1;
    bool m_alone = false;
    bool m_closing = false;
    std::atomic<bool> m_failed = false;
    std::exception_ptr m_thrown;
};

class ScanHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ScanHandler> {
public:
    explicit ScanHandler(const TaskCancellation& cancellation)
        : m_cancellation(cancellation) {}

    ScanResult scan;
    std::string error;
    // The reading stopped because its task was cancelled.
    bool cancelled = false;

    bool finishedTop() const { return m_state == State::Done; }
    BuildPipeline& building() { return m_building; }

    // ---- values --------------------------------------------------------------------------------
    [[gnu::noinline]] bool Null() {
        if (m_skipDepth > 0)
            return skipScalar();
        if (m_state == State::Node && m_key == NParent) { // an explicit null parent means none
            m_seen |= 1ull << NParent;
            return true;
        }
        return fail("unexpected null");
    }
    [[gnu::noinline]] bool Bool(bool b) {
        if (m_skipDepth > 0)
            return skipScalar();
        if (m_state != State::Node)
            return expectKnown("a Boolean");
        switch (m_key) {
        case NIsDirectory:
            m_data.isDirectory = b;
            break;
        case NIsSymbolicLink:
            m_data.isSymbolicLink = b;
            break;
        case NIsCloud:
            m_data.isCloudPlaceholder = b;
            break;
        default:
            return fail(std::string("\"") + kNodeKeys[m_key] + "\" is not a Boolean");
        }
        return markNode();
    }
    bool Int(int v) { return number(Number::ofSigned(v)); }
    bool Uint(unsigned v) { return number(Number::ofSigned(v)); }
    bool Int64(std::int64_t v) { return number(Number::ofSigned(v)); }
    bool Uint64(std::uint64_t v) { return number(Number::ofUnsigned(v)); }
    bool Double(double v) { return number(Number::ofDouble(v, {})); }
    // Numbers arrive as their text and are converted exactly.
    [[gnu::noinline]] bool RawNumber(const char* s, rapidjson::SizeType length, bool) {
        // Most numbers are integers of a few digits or dates with a short fraction (the reader has
        // checked the grammar): read them at once, and leave the rest to the general conversion.
        const std::size_t sign = s[0] == '-' ? 1 : 0;
        if (length > sign && length <= 16) {
            std::int64_t value = 0;
            std::size_t k = sign;
            for (; k < length; ++k) {
                const auto digit = static_cast<unsigned>(s[k] - '0');
                if (digit > 9)
                    break;
                value = value * 10 + digit;
            }
            if (k == length)
                return number(Number::ofSigned(sign ? -value : value));
            if (s[k] == '.') {
                // At most 15 digits in all: the digits are a double exactly, and so is the power of ten
                // (at most 10^14), so one division rounds as the general conversion does.
                const std::size_t point = k++;
                for (; k < length; ++k) {
                    const auto digit = static_cast<unsigned>(s[k] - '0');
                    if (digit > 9)
                        break;
                    value = value * 10 + digit;
                }
                if (k == length) {
                    static constexpr double kTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14};
                    const double magnitude = double(value) / kTens[length - point - 1];
                    return number(
                        Number::ofDouble(sign ? -magnitude : magnitude, std::string_view(s, length)));
                }
            }
        }
        Number n;
        switch (convertJsonNumber(s, length, n)) {
        case JsonNumberError::None:
            return number(n);
        case JsonNumberError::OutOfRange:
            if (m_skipDepth > 0)
                return skipScalar();
            return fail("a number is out of range");
        case JsonNumberError::Unreadable:
            break;
        }
        return fail("a number cannot be read");
    }

    [[gnu::noinline]] bool String(const char* s, rapidjson::SizeType length, bool) {
        if (m_skipDepth > 0)
            return skipScalar();
        const std::string_view text(s, length);
        // The builder checks a child's text (most texts are children).
        if (m_state != State::Children && !isValidUtf8(text))
            return fail("a text is not UTF-8");
        switch (m_state) {
        case State::Top:
            if (m_key == TId) {
                const auto uuid = Uuid::parse(text);
                if (!uuid)
                    return fail("\"id\" is not a UUID");
                scan.id = *uuid;
            } else if (m_key == TRoot) {
                if (holdsNul(text))
                    return failNul();
                scan.rootPath.assign(text);
            } else if (m_key == TRootBytes) {
                m_rootBytes.emplace(text);
            } else {
                return fail(std::string("\"") + kTopKeys[m_key] + "\" is not a string");
            }
            m_topSeen |= 1ull << m_key;
            return true;
        case State::Node:
            if (m_key == NPath || m_key == NParent) {
                // Mostly the key and its folder, which need no copy (nor a check for NUL: a key has none).
                if (m_key == NPath) {
                    m_pathIsKey = text == m_memberName;
                    if (m_pathIsKey)
                        return markNode();
                } else {
                    m_hasParent = true;
                    m_parentIsFolder = hasKeyFolder() && text == keyFolder();
                    if (m_parentIsFolder)
                        return markNode();
                }
                if (holdsNul(text))
                    return failNul();
                if (m_key == NPath)
                    m_path.assign(text);
                else
                    m_parent.assign(text);
            } else if (m_key == NPathBytes) {
                m_pathBytes.emplace(text);
            } else if (m_key == NParentBytes) {
                m_parentBytes.emplace(text);
            } else {
                return fail(std::string("\"") + kNodeKeys[m_key] + "\" is not a string");
            }
            return markNode();
        case State::Children:
            if (holdsNul(text)) {
                if (!isValidUtf8(text))
                    return fail("a text is not UTF-8");
                if (!pathOfKey(text, m_childPath))
                    return false;
                m_building.batch().add(NodeBatch::ChildPath, m_childPath);
                return true;
            }
            m_building.batch().add(NodeBatch::Child, text);
            return true;
        case State::Issue:
            switch (m_key) {
            case 0:
                if (holdsNul(text))
                    return failNul();
                m_issue.path.assign(text);
                break;
            case 1:
                m_issue.message.assign(text);
                break;
            case 2:
                m_issuePathBytes.emplace(text);
                break;
            case 3:
                m_issueMessageBytes.emplace(text);
                break;
            default:
                return fail("an issue field is not a string");
            }
            m_issueSeen |= 1u << m_key;
            return true;
        default:
            return expectKnown("a string");
        }
    }

    // ---- structure -----------------------------------------------------------------------------
    [[gnu::noinline]] bool StartObject() {
        if (m_skipDepth > 0) {
            ++m_skipDepth;
            return true;
        }
        switch (m_state) {
        case State::Start:
            m_state = State::Top;
            m_key = -1;
            return true;
        case State::Top:
            if (m_key != TNodes)
                return fail(std::string("\"") + kTopKeys[m_key] + "\" is not an object");
            if (m_topSeen & (1ull << TNodes))
                return fail("\"nodes\" appears twice");
            m_topSeen |= 1ull << TNodes;
            m_state = State::Nodes;
            return true;
        case State::Nodes:
            // The member's name is the node's key.
            m_keyPlain = isPlainAbsolutePath(m_memberName);
            m_building.batch().add(m_keyPlain ? NodeBatch::PlainNode : NodeBatch::Node, m_memberName);
            m_state = State::Node;
            m_key = -1; // no key read yet
            m_seen = 0;
            m_data = NodeData{};
            m_hasParent = false;
            m_parentIsFolder = false;
            m_pathIsKey = false;
            m_path.clear();
            m_pathBytes.reset();
            m_parentBytes.reset();
            return true;
        case State::Node:
            if (m_key != NIdentity)
                return fail(std::string("\"") + kNodeKeys[m_key] + "\" is not an object");
            m_state = State::Identity;
            m_key = -1;
            m_identitySeen = 0;
            return true;
        case State::Issues:
            m_state = State::Issue;
            m_issue = ScanIssue{};
            m_issueSeen = 0;
            m_issuePathBytes.reset();
            m_issueMessageBytes.reset();
            return true;
        default:
            return fail("unexpected object");
        }
    }

    [[gnu::noinline]] bool Key(const char* s, rapidjson::SizeType length, bool) {
        if (m_skipDepth > 0)
            return true;
        const std::string_view key(s, length);
        switch (m_state) {
        case State::Top:
            m_key = keyIndex(kTopKeyViews, key, m_key);
            break;
        case State::Nodes:
            if (!isValidUtf8(key))
                return fail("a key is not UTF-8");
            if (holdsNul(key))
                return pathOfKey(key, m_memberName);
            m_memberName.assign(key);
            return true;
        case State::Node:
            m_key = keyIndex(kNodeKeyViews, key, m_key);
            break;
        case State::Identity:
            m_key = keyIndex(kIdentityKeyViews, key, m_key);
            break;
        case State::Issue:
            m_key = key == "path"           ? 0
                    : key == "message"      ? 1
                    : key == "pathBytes"    ? 2
                    : key == "messageBytes" ? 3
                                            : 63;
            break;
        default:
            return fail("unexpected key");
        }
        if (m_key == 63) {
            // Known keys are UTF-8; an unknown one is checked before it is ignored.
            if (!isValidUtf8(key))
                return fail("a key is not UTF-8");
            m_skipNext = true; // unknown keys are ignored, whatever their value
        }
        return true;
    }

    [[gnu::noinline]] bool EndObject(rapidjson::SizeType) {
        if (m_skipDepth > 0)
            return skipEnd();
        switch (m_state) {
        case State::Top:
            for (int k = 0; k < TopKeyCount; ++k)
                if (!(m_topSeen & (1ull << k)))
                    return fail(std::string("the scan has no \"") + kTopKeys[k] + "\"");
            if (m_rootBytes && !exact(scan.rootPath, &*m_rootBytes, true))
                return false;
            m_state = State::Done;
            return true;
        case State::Nodes:
            m_state = State::Top;
            return true;
        case State::Node: {
            constexpr std::uint64_t required = ((1ull << NodeKeyCount) - 1) & ~(1ull << NParent);
            if ((m_seen & required) != required)
                for (int k = 0; k < NodeKeyCount; ++k)
                    if (k != NParent && !(m_seen & (1ull << k)))
                        return fail("the node \"" + m_memberName + "\" has no \"" + kNodeKeys[k] + "\"");
            if (m_pathBytes) {
                if (m_pathIsKey)
                    m_path = m_memberName;
                m_pathIsKey = false;
                if (!exact(m_path, &*m_pathBytes, true))
                    return false;
                m_pathIsKey = m_path == m_memberName;
            }
            if (m_parentBytes) {
                if (m_parentIsFolder)
                    m_parent.assign(keyFolder());
                m_parentIsFolder = false;
                if (!m_hasParent)
                    return fail("\"parentBytes\" without \"parent\"");
                if (!exact(m_parent, &*m_parentBytes, true))
                    return false;
            }
            // A node hangs under the folder its key names, or under nothing: a parent anywhere else would
            // put it in two places at once.
            if (m_hasParent && !m_parentIsFolder) {
                const std::optional<std::string_view> folder = folderOfKey();
                if (!folder || m_parent != *folder)
                    return fail("the node \"" + m_memberName + "\" names \"" + m_parent +
                                "\" as its parent, not the folder that holds it");
            }
            setNode();
            m_state = State::Nodes;
            if (++m_nodesRead % kNodesPerPoll == 0 && m_cancellation.isCancelled()) {
                cancelled = true;
                return false;
            }
            return m_building.nodeDone();
        }
        case State::Identity:
            for (int k = 0; k < IdentityKeyCount; ++k)
                if (!(m_identitySeen & (1ull << k)))
                    return fail(std::string("an identity has no \"") + kIdentityKeys[k] + "\"");
            m_state = State::Node;
            m_key = NIdentity;
            return markNode();
        case State::Issue:
            if ((m_issueSeen & 3) != 3)
                return fail("an issue lacks its path or message");
            if (m_issuePathBytes && !exact(m_issue.path, &*m_issuePathBytes, true))
                return false;
            if (m_issueMessageBytes && !exact(m_issue.message, &*m_issueMessageBytes, false))
                return false;
            scan.issues.push_back(std::move(m_issue));
            m_state = State::Issues;
            return true;
        default:
            return fail("unexpected end of object");
        }
    }

    [[gnu::noinline]] bool StartArray() {
        if (m_skipDepth > 0) {
            ++m_skipDepth;
            return true;
        }
        if (m_state == State::Top && m_key == TIssues) {
            if (m_topSeen & (1ull << TIssues))
                return fail("\"issues\" appears twice");
            m_topSeen |= 1ull << TIssues;
            m_state = State::Issues;
            return true;
        }
        if (m_state == State::Node && m_key == NChildren) {
            if (m_seen & (1ull << NChildren))
                return fail("\"children\" appears twice");
            m_building.batch().add(NodeBatch::List, {});
            m_state = State::Children;
            return true;
        }
        return fail("unexpected array");
    }

    [[gnu::noinline]] bool EndArray(rapidjson::SizeType) {
        if (m_skipDepth > 0)
            return skipEnd();
        if (m_state == State::Issues) {
            m_state = State::Top;
            return true;
        }
        if (m_state == State::Children) {
            m_state = State::Node;
            m_key = NChildren;
            return markNode();
        }
        return fail("unexpected end of array");
    }

    // Called by the reader for every value; an unknown key's value is skipped whole.
    bool beginValue() {
        if (m_skipNext) {
            m_skipNext = false;
            m_skipDepth = 1;
        }
        return true;
    }

private:
    bool fail(std::string message) {
        if (error.empty())
            error = std::move(message);
        return false;
    }
    bool failNul() { return fail("a path holds a NUL character"); }
    // Replaces `text` by the exact bytes its "Bytes" member gives.
    bool exact(std::string& text, const std::string* hex, bool isPath) {
        const std::string_view hexView(*hex);
        ExactText e = exactJsonText(text, &hexView, isPath);
        if (e.error)
            return fail(e.error);
        text = std::move(e.text);
        return true;
    }
    // The path of a member's name or a child's text that carries its exact bytes.
    bool pathOfKey(std::string_view text, std::string& path) {
        ExactText e = pathOfJsonKey(text);
        if (e.error)
            return fail(e.error);
        path = std::move(e.text);
        return true;
    }
    // Hands the node read to the builder. Its "path" is mostly its key and its "parent" its key's folder,
    // which the record then derives; only other values are compared and kept the slow way.
    void setNode() {
        if (m_hasParent && !m_parentIsFolder && hasKeyFolder())
            m_parentIsFolder = m_parent == keyFolder(); // exact bytes that match after all
        if (!m_pathIsKey)
            m_pathIsKey = m_path == m_memberName;
        NodeBatch& batch = m_building.batch();
        NodeBatch::NodeValue& v = batch.values.emplace_back();
        v.data = m_data;
        v.hasParent = m_hasParent;
        v.parentIsFolder = m_parentIsFolder;
        v.pathIsKey = m_pathIsKey;
        if (!m_pathIsKey) {
            v.pathBegin = batch.text.size();
            v.pathSize = static_cast<std::uint32_t>(m_path.size());
            batch.text.append(m_path);
        }
        if (m_hasParent && !m_parentIsFolder) {
            v.parentBegin = batch.text.size();
            v.parentSize = static_cast<std::uint32_t>(m_parent.size());
            batch.text.append(m_parent);
        }
        batch.steps.push_back({NodeBatch::Value, 0, batch.values.size() - 1});
    }
    // Whether the node's record has a tree parent: its key is a plain path other than "/".
    bool hasKeyFolder() const { return m_keyPlain && m_memberName.size() > 1; }
    // The path of that parent.
    std::string_view keyFolder() const {
        const std::size_t slash = m_memberName.rfind('/');
        return slash == 0 ? std::string_view("/") : std::string_view(m_memberName).substr(0, slash);
    }
    // The folder that holds the node's key: the text before its last "/" once trailing ones are dropped
    // ("/" for a top-level path); nothing for "/" itself or a key without a "/".
    std::optional<std::string_view> folderOfKey() const {
        std::string_view key = m_memberName;
        while (!key.empty() && key.back() == '/')
            key.remove_suffix(1);
        const std::size_t slash = key.rfind('/');
        if (slash == std::string_view::npos)
            return std::nullopt;
        return slash == 0 ? std::string_view("/") : key.substr(0, slash);
    }
    bool expectKnown(const char* what) { return fail(std::string("unexpected ") + what); }
    bool markNode() {
        m_seen |= 1ull << m_key;
        return true;
    }
    bool skipScalar() {
        if (m_skipDepth == 1)
            m_skipDepth = 0;
        return true;
    }
    bool skipEnd() {
        --m_skipDepth;
        if (m_skipDepth == 1)
            m_skipDepth = 0;
        return true;
    }

    bool number(const Number& n) {
        if (m_skipDepth > 0)
            return skipScalar();
        switch (m_state) {
        case State::Top:
            if (m_key == TScannedAt) {
                scan.scannedAt = Date{n.asDouble()};
            } else if (m_key == TDuration) {
                scan.duration = n.asDouble();
            } else if (m_key == TSkipped) {
                const auto v = n.asInt64();
                if (!v)
                    return fail("\"skippedCount\" is out of range");
                scan.skippedCount = *v;
            } else {
                return fail(std::string("\"") + kTopKeys[m_key] + "\" is not a number");
            }
            m_topSeen |= 1ull << m_key;
            return true;
        case State::Node: {
            if (m_key == NCreated || m_key == NModified || m_key == NAccessed) {
                Date& date = m_key == NCreated    ? m_data.created
                             : m_key == NModified ? m_data.modified
                                                  : m_data.accessed;
                date = Date{n.asDouble()};
                return markNode();
            }
            const auto v = n.asInt64();
            if (!v)
                return fail(std::string("\"") + kNodeKeys[m_key] + "\" is not a 64-bit integer");
            switch (m_key) {
            case NLogical:
                m_data.logicalSize = *v;
                break;
            case NAllocated:
                m_data.allocatedSize = *v;
                break;
            case NOwnLogical:
                m_data.ownLogicalSize = *v;
                break;
            case NOwnAllocated:
                m_data.ownAllocatedSize = *v;
                break;
            case NSavings:
                m_data.compressedSavings = *v;
                break;
            case NFileCount:
                m_data.fileCount = *v;
                break;
            case NFolderCount:
                m_data.folderCount = *v;
                break;
            default:
                return fail(std::string("\"") + kNodeKeys[m_key] + "\" is not a number");
            }
            return markNode();
        }
        case State::Identity: {
            FileIdentity& id = m_data.identity;
            if (m_key == IInode) {
                const auto v = n.asUInt64();
                if (!v)
                    return fail("\"inode\" is out of range");
                id.inode = *v;
            } else {
                const auto v = n.asInt64();
                if (!v)
                    return fail(std::string("\"") + kIdentityKeys[m_key] + "\" is out of range");
                switch (m_key) {
                case IDevice:
                    if (*v < INT32_MIN || *v > INT32_MAX)
                        return fail("\"device\" is out of range");
                    id.device = static_cast<std::int32_t>(*v);
                    break;
                case ISize:
                    id.size = *v;
                    break;
                case IModSec:
                    id.modifiedSeconds = *v;
                    break;
                case IModNs:
                    id.modifiedNanos = *v;
                    break;
                case IChgSec:
                    id.changedSeconds = *v;
                    break;
                case IChgNs:
                    id.changedNanos = *v;
                    break;
                case IMode:
                case ILinks:
                    if (*v < 0 || *v > 65535)
                        return fail(std::string("\"") + kIdentityKeys[m_key] + "\" is out of range");
                    (m_key == IMode ? id.mode : id.linkCount) = static_cast<std::uint16_t>(*v);
                    break;
                default:
                    return fail("unexpected number in an identity");
                }
            }
            m_identitySeen |= 1ull << m_key;
            return true;
        }
        default:
            return expectKnown("a number");
        }
    }

    const TaskCancellation& m_cancellation;
    NodeIndex m_nodesRead = 0;
    State m_state = State::Start;
    int m_key = 63;
    bool m_skipNext = false;
    int m_skipDepth = 0;
    std::uint64_t m_topSeen = 0;
    std::uint64_t m_seen = 0;
    std::uint64_t m_identitySeen = 0;
    unsigned m_issueSeen = 0;
    std::string m_memberName;
    std::string m_childPath;
    std::optional<std::string> m_rootBytes;
    std::optional<std::string> m_pathBytes;
    std::optional<std::string> m_parentBytes;
    std::optional<std::string> m_issuePathBytes;
    std::optional<std::string> m_issueMessageBytes;
    BuildPipeline m_building{scan.nodes};
    bool m_keyPlain = false;
    NodeData m_data;
    std::string m_parent;
    bool m_hasParent = false;
    bool m_parentIsFolder = false; // "parent" is keyFolder(), which m_parent then need not hold
    std::string m_path;
    bool m_pathIsKey = false; // "path" is the key, which m_path then need not hold
    ScanIssue m_issue;
};

// Routes every value through beginValue() first, so that an unknown key's value is skipped whole.
class SkippingHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, SkippingHandler> {
public:
    explicit SkippingHandler(ScanHandler& inner)
        : m_inner(inner) {}
    bool Null() { return m_inner.beginValue() && m_inner.Null(); }
    bool Bool(bool b) { return m_inner.beginValue() && m_inner.Bool(b); }
    bool Int(int v) { return m_inner.beginValue() && m_inner.Int(v); }
    bool Uint(unsigned v) { return m_inner.beginValue() && m_inner.Uint(v); }
    bool Int64(std::int64_t v) { return m_inner.beginValue() && m_inner.Int64(v); }
    bool Uint64(std::uint64_t v) { return m_inner.beginValue() && m_inner.Uint64(v); }
    bool Double(double v) { return m_inner.beginValue() && m_inner.Double(v); }
    bool RawNumber(const char* s, rapidjson::SizeType n, bool c) {
        return m_inner.beginValue() && m_inner.RawNumber(s, n, c);
    }
    bool String(const char* s, rapidjson::SizeType n, bool c) {
        return m_inner.beginValue() && m_inner.String(s, n, c);
    }
    bool StartObject() { return m_inner.beginValue() && m_inner.StartObject(); }
    bool Key(const char* s, rapidjson::SizeType n, bool c) { return m_inner.Key(s, n, c); }
    bool EndObject(rapidjson::SizeType n) { return m_inner.EndObject(n); }
    bool StartArray() { return m_inner.beginValue() && m_inner.StartArray(); }
    bool EndArray(rapidjson::SizeType n) { return m_inner.EndArray(n); }

private:
    ScanHandler& m_inner;
};

// Reads the JSON text that scans are written as, in large blocks, and hands its events to a handler just
// as the full reader does: the same events in the same order, for the same texts. It reads only plain
// JSON: at anything it cannot be sure the full reader takes alike (an escape other than the simple ones, a
// number with an exponent, a byte-order mark, a control character, any fault of the text or of the
// handler) it gives up, and the text is read again from its start by the full reader, which then decides,
// and words any refusal, as it always has. Strings are found with a few wide comparisons per 16 bytes
// rather than byte by byte, and keys and texts are handed over where they lie in the block.
// Where the quick reader's bytes come from: an open file, or a text in memory.
class ByteSource {
public:
    explicit ByteSource(std::FILE* file)
        : m_file(file) {}
    explicit ByteSource(std::string_view text)
        : m_text(text) {}

    // Reads up to `room` bytes into `to`; fewer only at the end or when the read failed (failed() then).
    std::size_t read(char* to, std::size_t room) {
        if (m_file)
            return std::fread(to, 1, room, m_file);
        const std::size_t count = std::min(room, m_text.size() - m_offset);
        std::memcpy(to, m_text.data() + m_offset, count);
        m_offset += count;
        return count;
    }
    [[nodiscard]] bool failed() const { return m_file && std::ferror(m_file); }

private:
    std::FILE* m_file = nullptr;
    std::string_view m_text;
    std::size_t m_offset = 0;
};

class QuickReader {
public:
    explicit QuickReader(ByteSource source)
        : m_source(source)
        , m_buffer(kBlock + kPadding, '\0') {}

    // Whether the whole text was read and the handler took every event.
    template <class Handler> bool run(Handler& handler) {
        // The open containers: '{' or '[', and how many values each has so far.
        std::vector<char> open;
        std::vector<rapidjson::SizeType> counts;
        if (!skipSpace() || at(m_pos) != '{')
            return false;
        for (;;) {
            // A value starts here.
            if (!skipSpace())
                return false;
            bool complete = true;
            switch (at(m_pos)) {
            case '{':
            case '[': {
                const char kind = at(m_pos++);
                if (!(kind == '{' ? handler.StartObject() : handler.StartArray()) || !skipSpace())
                    return false;
                if (at(m_pos) == (kind == '{' ? '}' : ']')) {
                    ++m_pos;
                    if (!(kind == '{' ? handler.EndObject(0) : handler.EndArray(0)))
                        return false;
                    break;
                }
                open.push_back(kind);
                counts.push_back(0);
                if (kind == '{' && !key(handler))
                    return false;
                complete = false;
                break;
            }
            case '"': {
                std::string_view text;
                if (!string(text) || !handler.String(text.data(), size(text), true))
                    return false;
                break;
            }
            case 't':
                if (!literal("true") || !handler.Bool(true))
                    return false;
                break;
            case 'f':
                if (!literal("false") || !handler.Bool(false))
                    return false;
                break;
            case 'n':
                if (!literal("null") || !handler.Null())
                    return false;
                break;
            default:
                if (!number(handler))
                    return false;
                break;
            }
            // Each value that ends may end the containers around it.
            while (complete) {
                if (open.empty())
                    return !skipSpace() && !m_failed; // nothing but white space after the text
                ++counts.back();
                if (!skipSpace())
                    return false;
                const char c = at(m_pos++);
                if (c == ',') {
                    if (open.back() == '{' && (!skipSpace() || !key(handler)))
                        return false;
                    complete = false;
                } else if (c == (open.back() == '{' ? '}' : ']')) {
                    const rapidjson::SizeType count = counts.back();
                    const bool object = open.back() == '{';
                    open.pop_back();
                    counts.pop_back();
                    if (!(object ? handler.EndObject(count) : handler.EndArray(count)))
                        return false;
                } else {
                    return false;
                }
            }
        }
    }

private:
    static constexpr std::size_t kBlock = 1 << 22;
    // Zero bytes after the text read so far: a search for the end of a string stops there.
    static constexpr std::size_t kPadding = 64;
    // Numbers this long or longer are left to the full reader.
    static constexpr std::size_t kLongNumber = 256;

    [[nodiscard]] char at(std::size_t i) const { return m_buffer[i]; }
    [[nodiscard]] static rapidjson::SizeType size(std::string_view text) {
        return static_cast<rapidjson::SizeType>(text.size());
    }

    // Keeps the bytes from `keep` on, moved to the start of the block (every offset moves back by `keep`,
    // which m_pos does here), and reads more after them. False when nothing more could be read.
    bool refill(std::size_t keep) {
        if (m_eof || m_failed)
            return false;
        const std::size_t kept = m_end - keep;
        std::memmove(m_buffer.data(), m_buffer.data() + keep, kept);
        m_pos -= keep;
        m_end = kept;
        if (m_buffer.size() - kPadding - m_end < kBlock / 2)
            m_buffer.resize(m_buffer.size() * 2);
        const std::size_t room = m_buffer.size() - kPadding - m_end;
        const std::size_t count = m_source.read(m_buffer.data() + m_end, room);
        if (count < room) {
            m_eof = true;
            m_failed = m_source.failed();
        }
        m_end += count;
        std::memset(m_buffer.data() + m_end, 0, kPadding);
        return count > 0 && !m_failed;
    }

    // Skips white space; false at the end of the text (or a failed read).
    bool skipSpace() {
        for (;;) {
            while (m_pos < m_end) {
                const char c = at(m_pos);
                if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
                    return true;
                ++m_pos;
            }
            if (!refill(m_pos))
                return false;
        }
    }

    // The first '"', '\\' or byte below 0x20 at or after `from`: at most m_end, whose padding stops the
    // search.
    [[nodiscard]] std::size_t stringStop(std::size_t from) const {
        const char* const data = m_buffer.data();
        const char* p = data + from;
#if defined(__SSE2__)
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i backslash = _mm_set1_epi8('\\');
        const __m128i control = _mm_set1_epi8(0x1F);
        for (;; p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i stop =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                             _mm_cmpeq_epi8(_mm_max_epu8(v, control), control));
            if (const int mask = _mm_movemask_epi8(stop))
                return static_cast<std::size_t>(p - data) + static_cast<std::size_t>(__builtin_ctz(mask));
        }
#else
        for (;; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            if (c == '"' || c == '\\' || c < 0x20)
                return static_cast<std::size_t>(p - data);
        }
#endif
    }

    // Reads the string whose quote is at m_pos. `text` is where it lies in the block, or, when it holds
    // escapes, its decoded copy; either lasts until the next read.
    bool string(std::string_view& text) {
        std::size_t start = m_pos + 1; // the text not yet copied
        std::size_t from = start;      // where the search goes on
        bool copied = false;
        m_text.clear();
        for (;;) {
            const std::size_t stop = stringStop(from);
            const char c = at(stop);
            if (c == '"') {
                m_pos = stop + 1;
                if (!copied) {
                    text = std::string_view(m_buffer.data() + start, stop - start);
                } else {
                    m_text.append(m_buffer.data() + start, stop - start);
                    text = m_text;
                }
                return true;
            }
            if (stop == m_end) {
                // The block ends inside the string: what is not copied yet stays, moved to the block's start.
                if (copied) {
                    m_text.append(m_buffer.data() + start, stop - start);
                    start = stop;
                }
                const std::size_t searched = stop - start;
                m_pos = start;
                if (!refill(start))
                    return false;
                start = m_pos;
                from = start + searched;
                continue;
            }
            if (c != '\\')
                return false; // a control character: the full reader refuses it
            m_text.append(m_buffer.data() + start, stop - start);
            copied = true;
            start = stop; // the backslash
            if (start + 1 == m_end) {
                m_pos = start;
                if (!refill(start))
                    return false;
                start = m_pos;
            }
            const char escape = at(start + 1);
            static constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
            const std::size_t which = kFrom.find(escape);
            if (escape == '\0' || which == std::string_view::npos)
                return false; // \u and anything else: left to the full reader
            m_text.push_back(kTo[which]);
            start += 2;
            from = start;
        }
    }

    // Reads a member's name (its quote at m_pos) and the colon after it.
    template <class Handler> bool key(Handler& handler) {
        std::string_view name;
        if (at(m_pos) != '"' || !string(name) || !handler.Key(name.data(), size(name), true))
            return false;
        return skipSpace() && at(m_pos++) == ':';
    }

    bool literal(std::string_view word) {
        if (m_end - m_pos < word.size() && !refill(m_pos))
            return false;
        if (m_end - m_pos < word.size() || std::string_view(m_buffer.data() + m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }

    // A number in plain decimal form: -?(0|[1-9][0-9]*)(\.[0-9]+)?, whose text the handler gets.
    template <class Handler> bool number(Handler& handler) {
        if (m_end - m_pos < kLongNumber)
            refill(m_pos);
        const auto digit = [&](std::size_t i) {
            return i < m_end && at(i) >= '0' && at(i) <= '9';
        };
        std::size_t i = m_pos;
        if (i < m_end && at(i) == '-')
            ++i;
        if (!digit(i))
            return false;
        if (at(i) == '0') {
            ++i;
        } else {
            while (digit(i))
                ++i;
        }
        if (i < m_end && at(i) == '.') {
            ++i;
            if (!digit(i))
                return false;
            while (digit(i))
                ++i;
        }
        // An exponent is left to the full reader, and so is a number that may go on past the block.
        if (i >= m_end || at(i) == 'e' || at(i) == 'E' || i - m_pos >= kLongNumber)
            return false;
        const std::size_t begin = m_pos;
        m_pos = i;
        return handler.RawNumber(m_buffer.data() + begin, static_cast<rapidjson::SizeType>(i - begin), true);
    }

    ByteSource m_source;
    std::vector<char> m_buffer; // the block, then kPadding zero bytes after m_end
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    bool m_failed = false;
    std::string m_text; // a string with escapes, decoded
};

template <class Stream> ScanResult parse(Stream& stream, const TaskCancellation& cancellation) {
    ScanHandler handler(cancellation);
    SkippingHandler router(handler);
    rapidjson::Reader reader;
    const rapidjson::ParseResult ok = reader.Parse<kJsonReaderFlags>(stream, router);
    // The builder is stopped, not finished, as the handler goes.
    if (handler.cancelled)
        throw CancellationError();
    // The builder's fault comes before the reader's, which stopped handing nodes over at its own.
    handler.building().finish();
    if (!handler.building().error().empty())
        throw DecodingError(handler.building().error());
    if (!ok) {
        if (!handler.error.empty())
            throw DecodingError(handler.error);
        throw DecodingError(std::string("JSON error at offset ") + std::to_string(ok.Offset()) + ": " +
                            rapidjson::GetParseError_En(ok.Code()));
    }
    if (!handler.finishedTop())
        throw DecodingError("the text is not a scan object");
    cancellation.check();
    NodeTable& table = handler.scan.nodes;
    table.finish(std::move(handler.building().childPairs()));
    if (const auto misplaced = table.misplacedChild())
        throw DecodingError("the node \"" + table.path(misplaced->second) +
                            "\" is listed among the children of \"" + table.path(misplaced->first) +
                            "\", which is not its parent");
    return std::move(handler.scan);
}

// The scan of a text that the quick reader reads through and that holds no fault; nothing for any other.
std::optional<ScanResult> readQuickly(ByteSource source, const TaskCancellation& cancellation) {
    ScanHandler handler(cancellation);
    SkippingHandler router(handler);
    QuickReader quick(source);
    const bool read = quick.run(router);
    if (handler.cancelled)
        throw CancellationError();
    if (!read)
        return std::nullopt;
    BuildPipeline& building = handler.building();
    building.finish();
    if (!building.error().empty() || !handler.finishedTop())
        return std::nullopt;
    cancellation.check();
    NodeTable& table = handler.scan.nodes;
    table.finish(std::move(building.childPairs()));
    if (table.misplacedChild())
        return std::nullopt;
    return std::move(handler.scan);
}

} // namespace

ScanResult decode(std::string_view whole, const TaskCancellation& cancellation) {
    if (std::optional<ScanResult> scan = readQuickly(ByteSource(withoutByteOrderMark(whole)), cancellation))
        return std::move(*scan);
    return decodeWithFullReader(whole, cancellation);
}

ScanResult decodeWithFullReader(std::string_view whole, const TaskCancellation& cancellation) {
    const std::string_view text = withoutByteOrderMark(whole);
    rapidjson::MemoryStream stream(text.data(), text.size());
    ScanResult scan = parse(stream, cancellation);
    // The reader takes a NUL byte for the end of the text.
    if (stream.Tell() != text.size())
        throw DecodingError(kTextAfterNul);
    return scan;
}

ScanResult read(std::FILE* file, const TaskCancellation& cancellation) {
    // Most files are read at once by the quick reader; the rest, from their start again, as before.
    const long start = std::ftell(file);
    if (start >= 0) {
        if (std::optional<ScanResult> scan = readQuickly(ByteSource(file), cancellation))
            return std::move(*scan);
        std::clearerr(file);
        if (std::fseek(file, start, SEEK_SET) != 0)
            throwSystemError(errno, EIO);
    }
    JsonFileInput stream(file);
    try {
        ScanResult scan = parse(stream, cancellation);
        if (std::ferror(file))
            throwSystemError(errno, EIO);
        if (!stream.atEnd())
            throw DecodingError(kTextAfterNul);
        return scan;
    } catch (const DecodingError&) {
        // A failed read ends the stream early, so the text looks cut short: report the read instead.
        if (std::ferror(file))
            throwSystemError(errno, EIO);
        throw;
    }
}

ScanResult readFile(const std::string& path, const TaskCancellation& cancellation) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throwSystemError(errno, EIO);
    try {
        ScanResult scan = read(file, cancellation);
        std::fclose(file);
        return scan;
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

} // namespace ambertrove::ScanJson
