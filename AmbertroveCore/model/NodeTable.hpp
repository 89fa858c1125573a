#pragma once

#include "model/DiskNode.hpp"
#include "model/RecordArray.hpp"
#include "platform/FileStatus.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ambertrove {

using NodeIndex = std::uint32_t;
inline constexpr NodeIndex kNoNode = 0xFFFFFFFFu;

// The path-keyed table of a scan, stored compactly.
//
// Every record is one path. Records form a tree by path components: record 0 is "/", and a record's
// `parent` is the record of its path without the last component, so a path is found by walking its
// components through a hash of (parent, name) and built by walking parents. Records that are not nodes
// of the scan ("/" above a scanned folder, or a child path a stored file names without a node) stay in
// the tree as path placeholders. Paths that are not in plain absolute form (a stored file may hold
// anything) are kept whole in a side index.
//
// Children lists are flat index ranges once the table is finished; while a scanner is still adding nodes
// they are linked lists so that a live preview can read them.
class NodeTable {
public:
    enum Flag : std::uint16_t {
        kIsNode = 1 << 0,
        kDirectory = 1 << 1,
        kSymbolicLink = 1 << 2,
        kCloudPlaceholder = 1 << 3,
        kHasParent = 1 << 4, // the node's `parent` is the path of its tree parent
        kDetached = 1 << 5,  // the name holds the whole path (not plain absolute form)
        kHasExtras = 1 << 6, // fields that differ from what the record derives are in the side table
    };

    class NodeRef;
    class ChildRange;

    static constexpr std::uint32_t kNoAggregate = 0xFFFFFFFFu;

    // What every record holds. Files are most records, so a record carries what a file has; what only
    // folders have (counts, children, the folder's own size) is in an aggregate, and values that neither
    // derives (a date before 1970, compression savings of a file, a stored file's odd fields) are aside.
    struct Record {
        NodeIndex parent = kNoNode;
        std::uint32_t nameOffset = 0;
        std::uint16_t nameLength = 0; // kLongName: the length is aside
        std::uint16_t flags = 0;
        std::uint16_t mode = 0;
        std::uint16_t linkCount = 0;
        std::int32_t device = 0;
        std::uint32_t aggregate = kNoAggregate;
        std::uint64_t inode = 0;
        std::int64_t logicalSize = 0;   // a folder's: of its contents
        std::int64_t allocatedSize = 0; // likewise
        std::int64_t modifiedStamp = 0; // Unix seconds << 30 | nanoseconds, see stamp()
        std::int64_t changedStamp = 0;
        std::uint32_t createdSeconds = 0; // Unix seconds
        std::uint32_t accessedSeconds = 0;
    };
    static_assert(sizeof(Record) == 72, "a record's layout is part of the memory budget of a scan");

    // A folder's figures, and the children of any record that has some.
    struct Aggregate {
        std::int64_t size = 0; // the identity's size
        std::int64_t fileCount = 0;
        std::int64_t folderCount = 0;
        std::int64_t compressedSavings = 0;
        std::uint32_t childStart = 0; // the first child, or where its list starts in the children list
        std::uint32_t childCount = 0;
    };

    NodeTable();
    NodeTable(const NodeTable&);
    NodeTable& operator=(const NodeTable&);
    NodeTable(NodeTable&&) noexcept;
    NodeTable& operator=(NodeTable&&) noexcept;
    ~NodeTable();

    // ---- the path-keyed view -------------------------------------------------------------------
    [[nodiscard]] std::size_t size() const { return m_nodeCount; }
    [[nodiscard]] bool empty() const { return m_nodeCount == 0; }
    // The node stored under `path`, or kNoNode.
    [[nodiscard]] NodeIndex find(std::string_view path) const;
    [[nodiscard]] bool contains(std::string_view path) const { return find(path) != kNoNode; }
    [[nodiscard]] std::optional<DiskNode> node(std::string_view path) const;

    // ---- records by index ----------------------------------------------------------------------
    [[nodiscard]] std::size_t recordCount() const { return m_records.size(); }
    [[nodiscard]] NodeRef operator[](NodeIndex i) const;
    [[nodiscard]] bool isNode(NodeIndex i) const {
        return i < m_records.size() && (m_records[i].flags & kIsNode);
    }
    void prefetch(NodeIndex i) const { __builtin_prefetch(&m_records[i]); }
    // The key under which the record is found (the full path).
    [[nodiscard]] std::string path(NodeIndex i) const;
    void appendPath(NodeIndex i, std::string& out) const;
    // The last path component (for a path kept whole: PathText::name of it).
    [[nodiscard]] std::string_view name(NodeIndex i) const;
    // The record, node or placeholder, named `name` under the record `parent` in the tree of plain paths;
    // kNoNode when there is none. find() walks a path's components this way.
    [[nodiscard]] NodeIndex childRecord(NodeIndex parent, std::string_view name) const {
        return findChild(parent, name);
    }
    // Whether the record's path is kept whole (not in plain absolute form), outside the tree of paths.
    [[nodiscard]] bool isDetached(NodeIndex i) const { return m_records[i].flags & kDetached; }
    // The node of DiskNode::parent, or kNoNode when it has none or it is not in the table.
    [[nodiscard]] NodeIndex parentNode(NodeIndex i) const;
    // Whether DiskNode::parent is present.
    [[nodiscard]] bool hasParent(NodeIndex i) const;
    // The children list; entries may be placeholders (paths without a node). While the table is built,
    // forEachChild reads it.
    [[nodiscard]] ChildRange children(NodeIndex i) const;
    // Works while building too.
    template <class F> void forEachChild(NodeIndex i, F&& f) const;
    [[nodiscard]] std::size_t childCount(NodeIndex i) const {
        const std::uint32_t a = m_records[i].aggregate;
        return a == kNoAggregate ? 0 : m_aggregates[a].childCount;
    }
    template <class F> void forEachNode(F&& f) const {
        for (NodeIndex i = 0; i < m_records.size(); ++i)
            if (m_records[i].flags & kIsNode)
                f(i);
    }
    // The whole record as a value.
    [[nodiscard]] DiskNode makeNode(NodeIndex i) const { return makeNode(i, true); }
    // The value without its children list (a live preview or a cut copies nodes that way).
    [[nodiscard]] DiskNode makeNode(NodeIndex i, bool withChildren) const;
    [[nodiscard]] NodeData data(NodeIndex i) const;
    [[nodiscard]] FileIdentity identity(NodeIndex i) const;
    // The text of DiskNode::path (differs from the key only in odd stored files).
    [[nodiscard]] std::string nodePath(NodeIndex i) const;
    // Whether DiskNode::path is the key, so that nodePath need not be built to compare it.
    [[nodiscard]] bool nodePathIsKey(NodeIndex i) const;

    // ---- building ------------------------------------------------------------------------------
    // The record for `path`, created as a placeholder (with any missing ancestors) when absent.
    NodeIndex ensurePath(std::string_view path);
    // A new placeholder record named `name` under `parent`; the caller knows no sibling has that name.
    NodeIndex addRecord(NodeIndex parent, std::string_view name);
    // Makes the record a node with these figures. `hasParent` says whether DiskNode::parent is present;
    // it then names the record's tree parent.
    void setNode(NodeIndex i, const NodeData& data, bool hasParent);
    // Makes the record a node whose DiskNode::path and DiskNode::parent may be anything (a stored file).
    void setNode(NodeIndex i, const NodeData& data, const std::optional<std::string>& parent,
                 std::string_view nodePath);
    void setNode(NodeIndex i, const DiskNode& node) { setNode(i, node, node.parent, node.path); }
    // Appends `child` to `parent`'s children list, for tables built in tree order (each record in one list).
    void appendChild(NodeIndex parent, NodeIndex child);
    // A scanned entry as the last child of `parent`, with the figures NodeData::fromStatus makes of its
    // status; `repeat` says another link of the same file was counted before (its blocks count there).
    // The same as addRecord, setNode and appendChild, without the value in between.
    NodeIndex appendScanned(NodeIndex parent, std::string_view name, const FileStatus& status, bool repeat);
    // Adds the totals of `child` (a finished subtree, or a new entry) to those of the folder `folder`.
    void addToTotals(NodeIndex folder, NodeIndex child);
    // Adds figures summed elsewhere (several entries' at once) to the totals of the folder `folder`.
    void addToTotals(NodeIndex folder, std::int64_t logical, std::int64_t allocated, std::int64_t savings,
                     std::int64_t files, std::int64_t folders);
    // Sums every folder's totals from its contents, for tables whose records come after their tree
    // parent's: from the last record back to `first` (its own contents are summed, not it).
    void rollUpTotals(NodeIndex first);
    // Finishes a table built with appendChild: children become flat ranges, spare capacity is released.
    void finish();
    // Finishes a table whose lists were given as (owner, child) pairs, in list order.
    void finish(std::vector<std::pair<NodeIndex, NodeIndex>> childPairs);
    [[nodiscard]] bool isFinished() const { return !m_building; }
    // Pre-sizes for about `n` records.
    void reserve(std::size_t n);
    // Leaves new records out of the path index until finish(), which then builds it in one sweep. For
    // builders that look nothing up by path while they add records; a lookup meanwhile is slow but correct.
    void deferIndex();

    // The first (list owner, child) pair, by owner and then in list order, whose child is a node that does
    // not name the owner as its parent; nothing when every listed node does. A finished table only.
    [[nodiscard]] std::optional<std::pair<NodeIndex, NodeIndex>> misplacedChild() const;

    // Table equality as path-keyed tables of DiskNode values.
    [[nodiscard]] bool sameNodes(const NodeTable& other) const;
    [[nodiscard]] std::size_t memoryBytes() const;

private:
    struct Extras;

    static constexpr std::uint16_t kLongName = 0xFFFF;

    std::uint32_t storeName(std::string_view name);
    void setName(Record& r, NodeIndex i, std::string_view name);
    [[nodiscard]] std::string_view storedName(NodeIndex i) const;
    [[nodiscard]] NodeIndex findChild(NodeIndex parent, std::string_view name) const;
    void insertIntoIndex(NodeIndex i);
    void growIndex();
    [[nodiscard]] std::size_t indexCapacityFor(std::size_t records) const;
    void rebuildIndex(std::size_t capacity);
    void completeIndex();
    [[nodiscard]] std::size_t hashOf(NodeIndex parent, std::string_view name) const;
    [[nodiscard]] std::size_t slotOf(std::size_t hash) const;
    [[nodiscard]] const Extras* extras(NodeIndex i) const;
    Extras& mutableExtras(NodeIndex i);
    Aggregate& aggregateOf(NodeIndex i);
    [[nodiscard]] const Aggregate* aggregate(NodeIndex i) const {
        const std::uint32_t a = m_records[i].aggregate;
        return a == kNoAggregate ? nullptr : &m_aggregates[a];
    }
    NodeIndex pushRecord(const Record& r);
    void linkChildren();
    void releaseBuildingState();

    RecordArray<Record> m_records;
    RecordArray<Aggregate> m_aggregates;
    RecordArray<char> m_names;
    // Empty while every children list is a run of consecutive records (as a scan makes them).
    std::vector<NodeIndex> m_childList;
    RecordArray<NodeIndex> m_slots; // open addressing over (parent, name); kNoNode is empty
    std::size_t m_nodeCount = 0;
    // Building state (released once finished).
    bool m_building = true;
    bool m_indexDeferred = false;
    // Lists are runs of consecutive records until a child is appended out of turn; from then on they
    // are linked lists (a live preview reads them while the table is built).
    bool m_linked = false;
    std::vector<NodeIndex> m_nextSibling;
    std::vector<NodeIndex> m_lastChild;
    // Rare cases, kept aside so that the common record stays small.
    std::unordered_map<std::string, NodeIndex> m_detached;
    std::unique_ptr<std::unordered_map<NodeIndex, Extras>> m_extras;

    friend class NodeRef;
};

// The children of a record: a run of consecutive records or a stretch of the children list.
class NodeTable::ChildRange {
public:
    class iterator {
    public:
        using value_type = NodeIndex;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        iterator(const NodeIndex* list, NodeIndex value)
            : m_list(list)
            , m_value(value) {}
        NodeIndex operator*() const { return m_list ? *m_list : m_value; }
        iterator& operator++() {
            if (m_list)
                ++m_list;
            else
                ++m_value;
            return *this;
        }
        iterator operator++(int) {
            iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const iterator& a, const iterator& b) {
            return a.m_list == b.m_list && a.m_value == b.m_value;
        }

    private:
        const NodeIndex* m_list = nullptr;
        NodeIndex m_value = 0;
    };

    ChildRange() = default;
    ChildRange(const NodeIndex* list, NodeIndex first, std::uint32_t count)
        : m_list(list)
        , m_first(first)
        , m_count(count) {}
    [[nodiscard]] iterator begin() const { return m_list ? iterator(m_list, 0) : iterator(nullptr, m_first); }
    [[nodiscard]] iterator end() const {
        return m_list ? iterator(m_list + m_count, 0) : iterator(nullptr, m_first + m_count);
    }
    [[nodiscard]] std::size_t size() const { return m_count; }
    [[nodiscard]] bool empty() const { return m_count == 0; }
    [[nodiscard]] NodeIndex operator[](std::size_t k) const {
        return m_list ? m_list[k] : static_cast<NodeIndex>(m_first + k);
    }

private:
    const NodeIndex* m_list = nullptr; // null: the run from m_first
    NodeIndex m_first = 0;
    std::uint32_t m_count = 0;
};

// One record as its figures: cheap to make and to copy; valid while the table is unchanged.
class NodeTable::NodeRef {
public:
    NodeRef(const NodeTable& table, NodeIndex i)
        : m_table(&table)
        , m_record(&table.m_records[i])
        , m_index(i) {}

    [[nodiscard]] NodeIndex parent() const { return m_record->parent; }
    [[nodiscard]] std::uint16_t flags() const { return m_record->flags; }
    [[nodiscard]] bool isNode() const { return m_record->flags & kIsNode; }
    [[nodiscard]] bool isDirectory() const { return m_record->flags & kDirectory; }
    [[nodiscard]] bool isSymbolicLink() const { return m_record->flags & kSymbolicLink; }
    [[nodiscard]] bool isCloudPlaceholder() const { return m_record->flags & kCloudPlaceholder; }
    [[nodiscard]] bool isDetached() const { return m_record->flags & kDetached; }
    [[nodiscard]] bool hasExtras() const { return m_record->flags & kHasExtras; }
    [[nodiscard]] bool isRegularFile() const { return (m_record->mode & 0170000) == 0100000; }
    [[nodiscard]] std::uint16_t mode() const { return m_record->mode; }
    [[nodiscard]] std::int32_t device() const { return m_record->device; }
    [[nodiscard]] std::uint64_t inode() const { return m_record->inode; }
    [[nodiscard]] std::int64_t logicalSize() const { return m_record->logicalSize; }
    [[nodiscard]] std::int64_t allocatedSize() const { return m_record->allocatedSize; }
    [[nodiscard]] std::int64_t bytes(bool logical) const {
        return logical ? m_record->logicalSize : m_record->allocatedSize;
    }
    [[nodiscard]] std::int64_t compressedSavings() const {
        const Aggregate* a = m_table->aggregate(m_index);
        return a ? a->compressedSavings : 0;
    }
    [[nodiscard]] std::int64_t fileCount() const {
        const Aggregate* a = m_table->aggregate(m_index);
        return a ? a->fileCount : ((m_record->flags & (kIsNode | kDirectory)) == kIsNode ? 1 : 0);
    }
    [[nodiscard]] std::int64_t folderCount() const {
        const Aggregate* a = m_table->aggregate(m_index);
        return a ? a->folderCount : 0;
    }
    [[nodiscard]] std::size_t childCount() const {
        const Aggregate* a = m_table->aggregate(m_index);
        return a ? a->childCount : 0;
    }
    // Seconds since 2001, as the node's dates hold them.
    [[nodiscard]] double created() const { return createdDate().sinceReferenceDate; }
    [[nodiscard]] double modified() const { return modifiedDate().sinceReferenceDate; }
    [[nodiscard]] double accessed() const { return accessedDate().sinceReferenceDate; }
    [[nodiscard]] Date createdDate() const;
    [[nodiscard]] Date modifiedDate() const;
    [[nodiscard]] Date accessedDate() const;

private:
    const NodeTable* m_table;
    const Record* m_record;
    NodeIndex m_index;
};

inline NodeTable::NodeRef NodeTable::operator[](NodeIndex i) const {
    return NodeRef(*this, i);
}

template <class F> void NodeTable::forEachChild(NodeIndex i, F&& f) const {
    const Aggregate* a = aggregate(i);
    if (!a || a->childCount == 0)
        return;
    if (m_building && m_linked) {
        for (NodeIndex c = a->childStart; c != kNoNode; c = m_nextSibling[c])
            f(c);
    } else if (m_childList.empty()) {
        for (NodeIndex c = a->childStart, end = a->childStart + a->childCount; c != end; ++c)
            f(c);
    } else {
        for (std::uint32_t k = 0; k < a->childCount; ++k)
            f(m_childList[a->childStart + k]);
    }
}

// True when `path` is a plain absolute path: "/" or "/" followed by non-empty components.
bool isPlainAbsolutePath(std::string_view path);

} // namespace ambertrove
