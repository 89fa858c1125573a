#include "model/NodeTable.hpp"

#include "base/PathText.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace ambertrove {

struct NodeTable::Extras {
    std::optional<std::string> pathField;
    bool parentOverridden = false;
    std::optional<std::string> parentField;
    std::optional<std::int64_t> ownLogical;
    std::optional<std::int64_t> ownAllocated;
    std::optional<FileIdentity> identity;
};

bool isPlainAbsolutePath(std::string_view path) {
    if (path.empty() || path.front() != '/')
        return false;
    if (path.size() == 1)
        return true;
    if (path.back() == '/')
        return false;
    return path.find("//") == std::string_view::npos;
}

NodeTable::NodeTable() {
    m_records.emplace_back(); // "/": a placeholder until a scan of "/" makes it a node
    m_nextSibling.push_back(kNoNode);
    m_lastChild.push_back(kNoNode);
    m_slots.assign(16, kNoNode);
}

NodeTable::NodeTable(const NodeTable& o)
    : m_records(o.m_records)
    , m_names(o.m_names)
    , m_childList(o.m_childList)
    , m_slots(o.m_slots)
    , m_nodeCount(o.m_nodeCount)
    , m_building(o.m_building)
    , m_indexDeferred(o.m_indexDeferred)
    , m_nextSibling(o.m_nextSibling)
    , m_lastChild(o.m_lastChild)
    , m_detached(o.m_detached)
    , m_extras(o.m_extras ? std::make_unique<std::unordered_map<NodeIndex, Extras>>(*o.m_extras) : nullptr) {}

NodeTable& NodeTable::operator=(const NodeTable& o) {
    if (this != &o) {
        NodeTable copy(o);
        *this = std::move(copy);
    }
    return *this;
}

NodeTable::NodeTable(NodeTable&&) noexcept = default;
NodeTable& NodeTable::operator=(NodeTable&&) noexcept = default;
NodeTable::~NodeTable() = default;

// ---- names and the path index -----------------------------------------------------------------

std::uint32_t NodeTable::storeName(std::string_view name) {
    if (m_names.size() + name.size() > UINT32_MAX)
        throw std::length_error("The scan's names exceed 4 GiB.");
    const auto offset = static_cast<std::uint32_t>(m_names.size());
    m_names.insert(m_names.end(), name.begin(), name.end());
    return offset;
}

std::size_t NodeTable::hashOf(NodeIndex parent, std::string_view name) const {
    const std::size_t h = std::hash<std::string_view>{}(name);
    return h ^ (std::size_t(parent) * 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

std::string_view NodeTable::name(NodeIndex i) const {
    const Record& r = m_records[i];
    std::string_view stored(m_names.data() + r.nameOffset, r.nameLength);
    if (r.flags & kDetached)
        return PathText::name(stored);
    if (i == 0)
        return "/";
    return stored;
}

NodeIndex NodeTable::findChild(NodeIndex parent, std::string_view name) const {
    if (m_indexDeferred) {
        // No index yet: a plain search, correct but slow (builders that defer look nothing up).
        for (NodeIndex i = 1; i < m_records.size(); ++i) {
            const Record& r = m_records[i];
            if (r.parent == parent && !(r.flags & kDetached) && r.nameLength == name.size() &&
                std::memcmp(m_names.data() + r.nameOffset, name.data(), name.size()) == 0)
                return i;
        }
        return kNoNode;
    }
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t s = hashOf(parent, name) & mask;; s = (s + 1) & mask) {
        const NodeIndex candidate = m_slots[s];
        if (candidate == kNoNode)
            return kNoNode;
        const Record& r = m_records[candidate];
        if (r.parent == parent && r.nameLength == name.size() &&
            std::memcmp(m_names.data() + r.nameOffset, name.data(), name.size()) == 0)
            return candidate;
    }
}

void NodeTable::insertIntoIndex(NodeIndex i) {
    const Record& r = m_records[i];
    const std::size_t mask = m_slots.size() - 1;
    std::size_t s = hashOf(r.parent, std::string_view(m_names.data() + r.nameOffset, r.nameLength)) & mask;
    while (m_slots[s] != kNoNode)
        s = (s + 1) & mask;
    m_slots[s] = i;
}

std::size_t NodeTable::indexCapacityFor(std::size_t records) const {
    std::size_t capacity = m_slots.size();
    while (capacity * 7 / 10 < records + 1)
        capacity *= 2;
    return capacity;
}

// Refills the index with `capacity` slots. Records are placed grouped by the leading bits of their home
// slot, so that the writes sweep the table once instead of jumping about it.
void NodeTable::rebuildIndex(std::size_t capacity) {
    m_slots.assign(capacity, kNoNode);
    const std::size_t mask = capacity - 1;
    unsigned shift = 0;
    while ((capacity >> shift) > 4096)
        ++shift;
    std::vector<std::size_t> home(m_records.size(), 0);
    std::vector<NodeIndex> groupStart((capacity >> shift) + 1, 0);
    NodeIndex indexed = 0;
    for (NodeIndex i = 1; i < m_records.size(); ++i) {
        const Record& r = m_records[i];
        if (r.flags & kDetached)
            continue;
        home[i] = hashOf(r.parent, std::string_view(m_names.data() + r.nameOffset, r.nameLength)) & mask;
        ++groupStart[(home[i] >> shift) + 1];
        ++indexed;
    }
    for (std::size_t g = 1; g < groupStart.size(); ++g)
        groupStart[g] += groupStart[g - 1];
    std::vector<NodeIndex> order(indexed);
    for (NodeIndex i = 1; i < m_records.size(); ++i)
        if (!(m_records[i].flags & kDetached))
            order[groupStart[home[i] >> shift]++] = i;
    for (const NodeIndex i : order) {
        std::size_t s = home[i];
        while (m_slots[s] != kNoNode)
            s = (s + 1) & mask;
        m_slots[s] = i;
    }
}

void NodeTable::growIndex() {
    if (const std::size_t capacity = indexCapacityFor(m_records.size()); capacity != m_slots.size())
        rebuildIndex(capacity);
}

void NodeTable::deferIndex() {
    m_indexDeferred = m_building;
}

void NodeTable::completeIndex() {
    if (!m_indexDeferred)
        return;
    m_indexDeferred = false;
    rebuildIndex(indexCapacityFor(m_records.size()));
}

void NodeTable::reserve(std::size_t n) {
    m_records.reserve(n + 1);
    if (m_building) {
        m_nextSibling.reserve(n + 1);
        m_lastChild.reserve(n + 1);
    }
    m_names.reserve(n * 12);
    if (const std::size_t capacity = indexCapacityFor(n); capacity != m_slots.size() && !m_indexDeferred)
        rebuildIndex(capacity);
}

NodeIndex NodeTable::addRecord(NodeIndex parent, std::string_view name) {
    if (m_records.size() >= kNoNode - 1)
        throw std::length_error("The scan has too many entries.");
    if (!m_indexDeferred)
        growIndex();
    Record r;
    r.parent = parent;
    r.nameOffset = storeName(name);
    r.nameLength = static_cast<std::uint32_t>(name.size());
    r.childStart = kNoNode;
    const auto index = static_cast<NodeIndex>(m_records.size());
    m_records.push_back(r);
    if (m_building) {
        m_nextSibling.push_back(kNoNode);
        m_lastChild.push_back(kNoNode);
    }
    if (!m_indexDeferred)
        insertIntoIndex(index);
    return index;
}

NodeIndex NodeTable::ensurePath(std::string_view path) {
    if (!isPlainAbsolutePath(path)) {
        if (auto it = m_detached.find(std::string(path)); it != m_detached.end())
            return it->second;
        if (m_records.size() >= kNoNode - 1)
            throw std::length_error("The scan has too many entries.");
        Record r;
        r.flags = kDetached;
        r.nameOffset = storeName(path);
        r.nameLength = static_cast<std::uint32_t>(path.size());
        r.childStart = kNoNode;
        const auto index = static_cast<NodeIndex>(m_records.size());
        m_records.push_back(r);
        if (m_building) {
            m_nextSibling.push_back(kNoNode);
            m_lastChild.push_back(kNoNode);
        }
        m_detached.emplace(std::string(path), index);
        return index;
    }
    NodeIndex current = 0;
    std::size_t pos = 1;
    while (pos < path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view component = path.substr(pos, end - pos);
        NodeIndex next = findChild(current, component);
        if (next == kNoNode)
            next = addRecord(current, component);
        current = next;
        pos = end + 1;
    }
    return current;
}

NodeIndex NodeTable::find(std::string_view path) const {
    NodeIndex current = kNoNode;
    if (!isPlainAbsolutePath(path)) {
        if (m_detached.empty())
            return kNoNode;
        auto it = m_detached.find(std::string(path));
        current = it == m_detached.end() ? kNoNode : it->second;
    } else {
        current = 0;
        std::size_t pos = 1;
        while (pos < path.size() && current != kNoNode) {
            std::size_t end = path.find('/', pos);
            if (end == std::string_view::npos)
                end = path.size();
            current = findChild(current, path.substr(pos, end - pos));
            pos = end + 1;
        }
    }
    return current != kNoNode && m_records[current].isNode() ? current : kNoNode;
}

// ---- paths -------------------------------------------------------------------------------------

void NodeTable::appendPath(NodeIndex i, std::string& out) const {
    const Record& r = m_records[i];
    if (r.flags & kDetached) {
        out.append(m_names.data() + r.nameOffset, r.nameLength);
        return;
    }
    if (i == 0) {
        out.push_back('/');
        return;
    }
    NodeIndex chain[256];
    std::size_t depth = 0;
    std::vector<NodeIndex> deep; // paths deeper than the fixed chain
    for (NodeIndex c = i; c != 0; c = m_records[c].parent) {
        if (depth < 256)
            chain[depth++] = c;
        else
            deep.push_back(c);
    }
    for (auto it = deep.rbegin(); it != deep.rend(); ++it) {
        out.push_back('/');
        out.append(m_names.data() + m_records[*it].nameOffset, m_records[*it].nameLength);
    }
    while (depth > 0) {
        const Record& c = m_records[chain[--depth]];
        out.push_back('/');
        out.append(m_names.data() + c.nameOffset, c.nameLength);
    }
}

std::string NodeTable::path(NodeIndex i) const {
    std::string out;
    appendPath(i, out);
    return out;
}

// ---- node values -------------------------------------------------------------------------------

const NodeTable::Extras* NodeTable::extras(NodeIndex i) const {
    if (!(m_records[i].flags & kHasExtras) || !m_extras)
        return nullptr;
    auto it = m_extras->find(i);
    return it == m_extras->end() ? nullptr : &it->second;
}

NodeTable::Extras& NodeTable::mutableExtras(NodeIndex i) {
    if (!m_extras)
        m_extras = std::make_unique<std::unordered_map<NodeIndex, Extras>>();
    m_records[i].flags |= kHasExtras;
    return (*m_extras)[i];
}

bool NodeTable::hasParent(NodeIndex i) const {
    if (const Extras* e = extras(i); e && e->parentOverridden)
        return e->parentField.has_value();
    return m_records[i].flags & kHasParent;
}

NodeIndex NodeTable::parentNode(NodeIndex i) const {
    if (const Extras* e = extras(i); e && e->parentOverridden)
        return e->parentField ? find(*e->parentField) : kNoNode;
    const Record& r = m_records[i];
    if (!(r.flags & kHasParent) || r.parent == kNoNode)
        return kNoNode;
    return m_records[r.parent].isNode() ? r.parent : kNoNode;
}

std::span<const NodeIndex> NodeTable::children(NodeIndex i) const {
    const Record& r = m_records[i];
    if (m_building || r.childCount == 0)
        return {};
    return {m_childList.data() + r.childStart, r.childCount};
}

FileIdentity NodeTable::identity(NodeIndex i) const {
    if (const Extras* e = extras(i); e && e->identity)
        return *e->identity;
    const Record& r = m_records[i];
    FileIdentity id;
    id.device = r.device;
    id.inode = r.inode;
    id.size = r.size;
    // The modification date is the identity's seconds unless the identity is kept aside.
    id.modifiedSeconds = static_cast<std::int64_t>(r.modified) + Date::kUnixOffset;
    id.modifiedNanos = r.modifiedNanos;
    id.changedSeconds = r.changedSeconds;
    id.changedNanos = r.changedNanos;
    id.mode = r.mode;
    id.linkCount = r.linkCount;
    return id;
}

NodeData NodeTable::data(NodeIndex i) const {
    const Record& r = m_records[i];
    const Extras* e = extras(i);
    NodeData d;
    d.isDirectory = r.isDirectory();
    d.isSymbolicLink = r.isSymbolicLink();
    d.isCloudPlaceholder = r.isCloudPlaceholder();
    d.logicalSize = r.logicalSize;
    d.allocatedSize = r.allocatedSize;
    d.ownLogicalSize = (e && e->ownLogical) ? *e->ownLogical : (r.isDirectory() ? 0 : r.logicalSize);
    d.ownAllocatedSize = (e && e->ownAllocated) ? *e->ownAllocated : (r.isDirectory() ? 0 : r.allocatedSize);
    d.compressedSavings = r.compressedSavings;
    d.fileCount = r.fileCount;
    d.folderCount = r.folderCount;
    d.created = Date{r.created};
    d.modified = Date{r.modified};
    d.accessed = Date{r.accessed};
    d.identity = identity(i);
    return d;
}

std::string NodeTable::nodePath(NodeIndex i) const {
    if (const Extras* e = extras(i); e && e->pathField)
        return *e->pathField;
    return path(i);
}

bool NodeTable::nodePathIsKey(NodeIndex i) const {
    const Extras* e = extras(i);
    return !e || !e->pathField;
}

DiskNode NodeTable::makeNode(NodeIndex i, bool withChildren) const {
    DiskNode n;
    static_cast<NodeData&>(n) = data(i);
    n.path = nodePath(i);
    const Extras* e = extras(i);
    if (e && e->parentOverridden)
        n.parent = e->parentField;
    else if (m_records[i].flags & kHasParent)
        n.parent = path(m_records[i].parent);
    if (!withChildren)
        return n;
    n.children.reserve(m_records[i].childCount);
    forEachChild(i, [&](NodeIndex c) { n.children.push_back(path(c)); });
    return n;
}

std::optional<DiskNode> NodeTable::node(std::string_view path) const {
    const NodeIndex i = find(path);
    if (i == kNoNode)
        return std::nullopt;
    return makeNode(i);
}

void NodeTable::setNode(NodeIndex i, const NodeData& d, bool hasParent) {
    Record& r = m_records[i];
    if (!r.isNode())
        ++m_nodeCount;
    std::uint16_t flags = static_cast<std::uint16_t>(r.flags & kDetached) | kIsNode;
    if (d.isDirectory)
        flags |= kDirectory;
    if (d.isSymbolicLink)
        flags |= kSymbolicLink;
    if (d.isCloudPlaceholder)
        flags |= kCloudPlaceholder;
    if (hasParent && r.parent != kNoNode)
        flags |= kHasParent;
    r.flags = flags;
    if (m_extras)
        m_extras->erase(i);
    r.logicalSize = d.logicalSize;
    r.allocatedSize = d.allocatedSize;
    r.compressedSavings = d.compressedSavings;
    r.fileCount = d.fileCount;
    r.folderCount = d.folderCount;
    r.created = d.created.sinceReferenceDate;
    r.modified = d.modified.sinceReferenceDate;
    r.accessed = d.accessed.sinceReferenceDate;
    const FileIdentity& id = d.identity;
    r.device = id.device;
    r.inode = id.inode;
    r.size = id.size;
    r.changedSeconds = id.changedSeconds;
    r.mode = id.mode;
    r.linkCount = id.linkCount;
    const bool nanosFit = id.modifiedNanos >= 0 && id.modifiedNanos <= UINT32_MAX && id.changedNanos >= 0 &&
                          id.changedNanos <= UINT32_MAX;
    r.modifiedNanos = nanosFit ? static_cast<std::uint32_t>(id.modifiedNanos) : 0;
    r.changedNanos = nanosFit ? static_cast<std::uint32_t>(id.changedNanos) : 0;
    // A scanned node's modification date is its identity's seconds, so the record keeps them once.
    std::int64_t sinceReference = 0;
    const bool secondsDerive =
        !__builtin_sub_overflow(id.modifiedSeconds, Date::kUnixOffset, &sinceReference) &&
        sinceReference > -(std::int64_t(1) << 53) && sinceReference < (std::int64_t(1) << 53) &&
        double(sinceReference) == d.modified.sinceReferenceDate;
    if (!nanosFit || !secondsDerive)
        mutableExtras(i).identity = id;
    const std::int64_t derivedLogical = d.isDirectory ? 0 : d.logicalSize;
    const std::int64_t derivedAllocated = d.isDirectory ? 0 : d.allocatedSize;
    if (d.ownLogicalSize != derivedLogical || d.ownAllocatedSize != derivedAllocated) {
        Extras& e = mutableExtras(i);
        e.ownLogical = d.ownLogicalSize;
        e.ownAllocated = d.ownAllocatedSize;
    }
}

void NodeTable::setNode(NodeIndex i, const NodeData& data, const std::optional<std::string>& parent,
                        std::string_view nodePath) {
    const NodeIndex treeParent = m_records[i].parent;
    bool parentMatches = false;
    if (parent.has_value() && treeParent != kNoNode) {
        std::string treeParentPath;
        appendPath(treeParent, treeParentPath);
        parentMatches = *parent == treeParentPath;
    }
    setNode(i, data, parentMatches);
    if (parent.has_value() && !parentMatches) {
        Extras& e = mutableExtras(i);
        e.parentOverridden = true;
        e.parentField = parent;
    }
    std::string key;
    appendPath(i, key);
    if (nodePath != key)
        mutableExtras(i).pathField = std::string(nodePath);
}

// ---- children ----------------------------------------------------------------------------------

void NodeTable::appendChild(NodeIndex parent, NodeIndex child) {
    Record& p = m_records[parent];
    if (p.childCount == 0)
        p.childStart = child;
    else
        m_nextSibling[m_lastChild[parent]] = child;
    m_lastChild[parent] = child;
    m_nextSibling[child] = kNoNode;
    ++p.childCount;
}

NodeIndex NodeTable::appendScanned(NodeIndex parent, std::string_view name, const FileStatus& status,
                                   bool repeat) {
    const NodeIndex index = addRecord(parent, name);
    setNode(index,
            NodeData::fromStatus(FileIdentity::fromStatus(status), status,
                                 repeat ? std::optional<std::int64_t>(0) : std::nullopt),
            true);
    appendChild(parent, index);
    return index;
}

void NodeTable::finish() {
    if (!m_building)
        return;
    completeIndex();
    std::size_t total = 0;
    for (const Record& r : m_records)
        total += r.childCount;
    m_childList.clear();
    m_childList.reserve(total);
    for (Record& r : m_records) {
        const auto start = static_cast<std::uint32_t>(m_childList.size());
        if (r.childCount)
            for (NodeIndex c = r.childStart; c != kNoNode; c = m_nextSibling[c])
                m_childList.push_back(c);
        r.childStart = start;
    }
    m_building = false;
    std::vector<NodeIndex>().swap(m_nextSibling);
    std::vector<NodeIndex>().swap(m_lastChild);
    m_records.shrink_to_fit();
    m_names.shrink_to_fit();
}

void NodeTable::finish(std::vector<std::pair<NodeIndex, NodeIndex>> childPairs) {
    completeIndex();
    for (Record& r : m_records)
        r.childCount = 0;
    for (const auto& [owner, child] : childPairs)
        ++m_records[owner].childCount;
    std::uint32_t offset = 0;
    for (Record& r : m_records) {
        r.childStart = offset;
        offset += r.childCount;
    }
    m_childList.assign(childPairs.size(), kNoNode);
    std::vector<std::uint32_t> fill(m_records.size(), 0);
    for (const auto& [owner, child] : childPairs)
        m_childList[m_records[owner].childStart + fill[owner]++] = child;
    childPairs.clear();
    childPairs.shrink_to_fit();
    m_building = false;
    std::vector<NodeIndex>().swap(m_nextSibling);
    std::vector<NodeIndex>().swap(m_lastChild);
    m_records.shrink_to_fit();
    m_names.shrink_to_fit();
}

// ---- comparison and accounting -----------------------------------------------------------------

bool NodeTable::sameNodes(const NodeTable& other) const {
    if (size() != other.size())
        return false;
    for (NodeIndex i = 0; i < m_records.size(); ++i) {
        if (!m_records[i].isNode())
            continue;
        const NodeIndex j = other.find(path(i));
        if (j == kNoNode || !(makeNode(i) == other.makeNode(j)))
            return false;
    }
    return true;
}

std::size_t NodeTable::memoryBytes() const {
    std::size_t bytes = m_records.capacity() * sizeof(Record) + m_names.capacity() +
                        m_childList.capacity() * sizeof(NodeIndex) + m_slots.capacity() * sizeof(NodeIndex) +
                        (m_nextSibling.capacity() + m_lastChild.capacity()) * sizeof(NodeIndex);
    for (const auto& [path, index] : m_detached)
        bytes += path.capacity() + 48;
    if (m_extras)
        bytes += m_extras->size() * (sizeof(Extras) + 32);
    return bytes;
}

} // namespace ambertrove
