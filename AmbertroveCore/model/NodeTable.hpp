#pragma once

#include "model/DiskNode.hpp"
#include "model/RecordArray.hpp"

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

    struct Record {
        NodeIndex parent = kNoNode;
        std::uint32_t nameOffset = 0;
        std::uint32_t nameLength = 0;
        std::uint32_t childStart = 0; // while building: first child
        std::uint32_t childCount = 0;
        std::uint16_t flags = 0;
        std::uint16_t mode = 0;
        std::uint16_t linkCount = 0;
        std::int32_t device = 0;
        std::uint32_t modifiedNanos = 0;
        std::uint32_t changedNanos = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t changedSeconds = 0;
        std::int64_t logicalSize = 0;
        std::int64_t allocatedSize = 0;
        std::int64_t compressedSavings = 0;
        std::int64_t fileCount = 0;
        std::int64_t folderCount = 0;
        double created = 0, modified = 0, accessed = 0; // seconds since 2001

        [[nodiscard]] bool isNode() const { return flags & kIsNode; }
        [[nodiscard]] bool isDirectory() const { return flags & kDirectory; }
        [[nodiscard]] bool isSymbolicLink() const { return flags & kSymbolicLink; }
        [[nodiscard]] bool isCloudPlaceholder() const { return flags & kCloudPlaceholder; }
        [[nodiscard]] bool isRegularFile() const { return (mode & 0170000) == 0100000; }
        [[nodiscard]] std::int64_t bytes(bool logical) const { return logical ? logicalSize : allocatedSize; }
        [[nodiscard]] Date createdDate() const { return Date{created}; }
        [[nodiscard]] Date modifiedDate() const { return Date{modified}; }
        [[nodiscard]] Date accessedDate() const { return Date{accessed}; }
    };

    static_assert(sizeof(Record) == 128, "a record's layout is part of the memory budget of a scan");

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
    [[nodiscard]] const Record& operator[](NodeIndex i) const { return m_records[i]; }
    [[nodiscard]] Record& mutableRecord(NodeIndex i) { return m_records[i]; }
    [[nodiscard]] bool isNode(NodeIndex i) const { return i < m_records.size() && m_records[i].isNode(); }
    // The key under which the record is found (the full path).
    [[nodiscard]] std::string path(NodeIndex i) const;
    void appendPath(NodeIndex i, std::string& out) const;
    // The last path component (for a path kept whole: PathText::name of it).
    [[nodiscard]] std::string_view name(NodeIndex i) const;
    // The node of DiskNode::parent, or kNoNode when it has none or it is not in the table.
    [[nodiscard]] NodeIndex parentNode(NodeIndex i) const;
    // Whether DiskNode::parent is present.
    [[nodiscard]] bool hasParent(NodeIndex i) const;
    // The children list (finished table only); entries may be placeholders (paths without a node).
    [[nodiscard]] std::span<const NodeIndex> children(NodeIndex i) const;
    // Works while building too.
    template <class F> void forEachChild(NodeIndex i, F&& f) const {
        if (m_building) {
            if (m_records[i].childCount == 0)
                return;
            for (NodeIndex c = m_records[i].childStart; c != kNoNode; c = m_nextSibling[c])
                f(c);
        } else {
            for (NodeIndex c : children(i))
                f(c);
        }
    }
    [[nodiscard]] std::size_t childCount(NodeIndex i) const { return m_records[i].childCount; }
    template <class F> void forEachNode(F&& f) const {
        for (NodeIndex i = 0; i < m_records.size(); ++i)
            if (m_records[i].isNode())
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

    // Table equality as path-keyed tables of DiskNode values.
    [[nodiscard]] bool sameNodes(const NodeTable& other) const;
    [[nodiscard]] std::size_t memoryBytes() const;

private:
    struct Extras;
    struct Index;

    std::uint32_t storeName(std::string_view name);
    [[nodiscard]] NodeIndex findChild(NodeIndex parent, std::string_view name) const;
    void insertIntoIndex(NodeIndex i);
    void growIndex();
    [[nodiscard]] std::size_t indexCapacityFor(std::size_t records) const;
    void rebuildIndex(std::size_t capacity);
    void completeIndex();
    [[nodiscard]] std::size_t hashOf(NodeIndex parent, std::string_view name) const;
    [[nodiscard]] const Extras* extras(NodeIndex i) const;
    Extras& mutableExtras(NodeIndex i);

    RecordArray<Record> m_records;
    std::vector<char> m_names;
    std::vector<NodeIndex> m_childList;
    std::vector<NodeIndex> m_slots; // open addressing over (parent, name); kNoNode is empty
    std::size_t m_nodeCount = 0;
    // Building state (released once finished).
    bool m_building = true;
    bool m_indexDeferred = false;
    std::vector<NodeIndex> m_nextSibling;
    std::vector<NodeIndex> m_lastChild;
    // Rare cases, kept aside so that the common record stays small.
    std::unordered_map<std::string, NodeIndex> m_detached;
    std::unique_ptr<std::unordered_map<NodeIndex, Extras>> m_extras;
};

// True when `path` is a plain absolute path: "/" or "/" followed by non-empty components.
bool isPlainAbsolutePath(std::string_view path);

} // namespace ambertrove
