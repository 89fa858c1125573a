#include "model/NodeTable.hpp"

#include "base/PathText.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace ambertrove {

struct NodeTable::Extras {
    std::optional<std::string> pathField;
    bool parentOverridden = false;
    std::optional<std::string> parentField;
    std::optional<std::int64_t> ownLogical;
    std::optional<std::int64_t> ownAllocated;
    std::optional<FileIdentity> identity;
    std::optional<Date> created;
    std::optional<Date> modified;
    std::optional<Date> accessed;
    std::uint32_t nameLength = 0; // of a name too long for the record

    // Whether anything but the name's length is kept.
    [[nodiscard]] bool holdsFigures() const {
        return pathField || parentOverridden || ownLogical || ownAllocated || identity || created ||
               modified || accessed;
    }
    void clearFigures() {
        const std::uint32_t length = nameLength;
        *this = Extras{};
        nameLength = length;
    }
};

namespace {

// A time as one number: Unix seconds in the high 34 bits (signed, about 272 years either side of 1970)
// and nanoseconds in the low 30.
constexpr int kNanoBits = 30;
constexpr std::int64_t kStampSecondsLimit = std::int64_t(1) << 33;

bool packStamp(std::int64_t seconds, std::int64_t nanos, std::int64_t& out) {
    if (nanos < 0 || nanos >= (std::int64_t(1) << kNanoBits) || seconds < -kStampSecondsLimit ||
        seconds >= kStampSecondsLimit)
        return false;
    out = seconds * (std::int64_t(1) << kNanoBits) + nanos;
    return true;
}
std::int64_t stampSeconds(std::int64_t stamp) {
    return stamp >> kNanoBits;
}
std::int64_t stampNanos(std::int64_t stamp) {
    return stamp & ((std::int64_t(1) << kNanoBits) - 1);
}

// A whole-second date from 1970 to 2106 fits a record's 32 bits.
bool packSeconds(Date date, std::uint32_t& out) {
    const double unix = date.sinceReferenceDate + double(Date::kUnixOffset);
    if (!(unix >= 0 && unix < 4294967296.0))
        return false;
    const auto seconds = static_cast<std::uint32_t>(unix);
    if (double(std::int64_t(seconds) - Date::kUnixOffset) != date.sinceReferenceDate)
        return false;
    out = seconds;
    return true;
}
bool packUnixSeconds(std::int64_t unix, std::uint32_t& out) {
    if (unix < 0 || unix > std::int64_t(UINT32_MAX))
        return false;
    out = static_cast<std::uint32_t>(unix);
    return true;
}
Date dateOfSeconds(std::uint32_t seconds) {
    return Date{double(std::int64_t(seconds) - Date::kUnixOffset)};
}

} // namespace

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
    m_slots.assign(16, kNoNode);
}

NodeTable::NodeTable(const NodeTable& o)
    : m_records(o.m_records)
    , m_aggregates(o.m_aggregates)
    , m_names(o.m_names)
    , m_childList(o.m_childList)
    , m_slots(o.m_slots)
    , m_nodeCount(o.m_nodeCount)
    , m_building(o.m_building)
    , m_indexDeferred(o.m_indexDeferred)
    , m_linked(o.m_linked)
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
    m_names.append(name.data(), name.size());
    return offset;
}

void NodeTable::setName(Record& r, NodeIndex i, std::string_view name) {
    r.nameOffset = storeName(name);
    if (name.size() < kLongName) {
        r.nameLength = static_cast<std::uint16_t>(name.size());
        return;
    }
    r.nameLength = kLongName;
    if (!m_extras)
        m_extras = std::make_unique<std::unordered_map<NodeIndex, Extras>>();
    (*m_extras)[i].nameLength = static_cast<std::uint32_t>(name.size());
}

std::string_view NodeTable::storedName(NodeIndex i) const {
    const Record& r = m_records[i];
    std::size_t length = r.nameLength;
    if (length == kLongName)
        length = m_extras->at(i).nameLength;
    return {m_names.data() + r.nameOffset, length};
}

std::size_t NodeTable::hashOf(NodeIndex parent, std::string_view name) const {
    const std::size_t h = std::hash<std::string_view>{}(name);
    return h ^ (std::size_t(parent) * 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

// Any number of slots, not only powers of two: the index is sized to its records.
std::size_t NodeTable::slotOf(std::size_t hash) const {
    __extension__ using Wide = unsigned __int128;
    const std::uint64_t mixed = std::uint64_t(hash) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>((static_cast<Wide>(mixed) * m_slots.size()) >> 64);
}

std::string_view NodeTable::name(NodeIndex i) const {
    const std::string_view stored = storedName(i);
    if (m_records[i].flags & kDetached)
        return PathText::name(stored);
    if (i == 0)
        return "/";
    return stored;
}

NodeIndex NodeTable::findChild(NodeIndex parent, std::string_view name) const {
    if (m_indexDeferred) {
        // No index yet: a search of the parent's children, or of every record when the lists are linked
        // (correct but slow; builders that defer look nothing up).
        const auto matches = [&](NodeIndex i) {
            const Record& r = m_records[i];
            return r.parent == parent && !(r.flags & kDetached) && storedName(i) == name;
        };
        if (!m_linked) {
            NodeIndex found = kNoNode;
            if (parent < m_records.size())
                forEachChild(parent, [&](NodeIndex c) {
                    if (found == kNoNode && matches(c))
                        found = c;
                });
            if (found != kNoNode)
                return found;
        }
        for (NodeIndex i = 1; i < m_records.size(); ++i)
            if (matches(i))
                return i;
        return kNoNode;
    }
    const std::size_t capacity = m_slots.size();
    for (std::size_t s = slotOf(hashOf(parent, name));; s = s + 1 == capacity ? 0 : s + 1) {
        const NodeIndex candidate = m_slots[s];
        if (candidate == kNoNode)
            return kNoNode;
        const Record& r = m_records[candidate];
        if (r.parent == parent && !(r.flags & kDetached) && storedName(candidate) == name)
            return candidate;
    }
}

void NodeTable::insertIntoIndex(NodeIndex i) {
    const Record& r = m_records[i];
    const std::size_t capacity = m_slots.size();
    std::size_t s = slotOf(hashOf(r.parent, storedName(i)));
    while (m_slots[s] != kNoNode)
        s = s + 1 == capacity ? 0 : s + 1;
    m_slots[s] = i;
}

// Slots for `records` at three quarters full.
std::size_t NodeTable::indexCapacityFor(std::size_t records) const {
    return std::max<std::size_t>(16, records + records / 3 + 1);
}

// Refills the index with `capacity` slots. Records are placed grouped by their home slot, so that the
// writes sweep the table once instead of jumping about it.
void NodeTable::rebuildIndex(std::size_t capacity) {
    m_slots.assign(capacity, kNoNode);
    unsigned shift = 0;
    while ((capacity >> shift) > 4096)
        ++shift;
    std::vector<std::uint32_t> home(m_records.size(), 0);
    std::vector<NodeIndex> groupStart((capacity >> shift) + 2, 0);
    NodeIndex indexed = 0;
    for (NodeIndex i = 1; i < m_records.size(); ++i) {
        const Record& r = m_records[i];
        if (r.flags & kDetached)
            continue;
        home[i] = static_cast<std::uint32_t>(slotOf(hashOf(r.parent, storedName(i))));
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
            s = s + 1 == capacity ? 0 : s + 1;
        m_slots[s] = i;
    }
}

void NodeTable::growIndex() {
    if ((m_records.size() + 1) * 4 > m_slots.size() * 3)
        rebuildIndex(indexCapacityFor(2 * m_records.size()));
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
    if (m_building && m_linked) {
        m_nextSibling.reserve(n + 1);
        m_lastChild.reserve(n + 1);
    }
    m_names.reserve(n * 12);
    if (!m_indexDeferred && (n + 1) * 4 > m_slots.size() * 3)
        rebuildIndex(indexCapacityFor(n));
}

NodeIndex NodeTable::pushRecord(const Record& r) {
    if (m_records.size() >= kNoNode - 1)
        throw std::length_error("The scan has too many entries.");
    const auto index = static_cast<NodeIndex>(m_records.size());
    m_records.push_back(r);
    if (m_building && m_linked) {
        m_nextSibling.push_back(kNoNode);
        m_lastChild.push_back(kNoNode);
    }
    return index;
}

NodeIndex NodeTable::addRecord(NodeIndex parent, std::string_view name) {
    if (!m_indexDeferred)
        growIndex();
    Record r;
    r.parent = parent;
    const NodeIndex index = pushRecord(r);
    setName(m_records[index], index, name);
    if (!m_indexDeferred)
        insertIntoIndex(index);
    return index;
}

NodeIndex NodeTable::ensurePath(std::string_view path) {
    if (!isPlainAbsolutePath(path)) {
        if (auto it = m_detached.find(std::string(path)); it != m_detached.end())
            return it->second;
        Record r;
        r.flags = kDetached;
        const NodeIndex index = pushRecord(r);
        setName(m_records[index], index, path);
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
    return current != kNoNode && (m_records[current].flags & kIsNode) ? current : kNoNode;
}

// ---- paths -------------------------------------------------------------------------------------

void NodeTable::appendPath(NodeIndex i, std::string& out) const {
    const Record& r = m_records[i];
    if (r.flags & kDetached) {
        out.append(storedName(i));
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
        out.append(storedName(*it));
    }
    while (depth > 0) {
        out.push_back('/');
        out.append(storedName(chain[--depth]));
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

NodeTable::Aggregate& NodeTable::aggregateOf(NodeIndex i) {
    Record& r = m_records[i];
    if (r.aggregate == kNoAggregate) {
        if (m_aggregates.size() >= kNoAggregate)
            throw std::length_error("The scan has too many entries.");
        Aggregate a;
        // What the record derived so far.
        a.size = r.logicalSize;
        a.fileCount = (r.flags & (kIsNode | kDirectory)) == kIsNode ? 1 : 0;
        r.aggregate = static_cast<std::uint32_t>(m_aggregates.size());
        m_aggregates.push_back(a);
    }
    return m_aggregates[r.aggregate];
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
    return (m_records[r.parent].flags & kIsNode) ? r.parent : kNoNode;
}

NodeTable::ChildRange NodeTable::children(NodeIndex i) const {
    const Aggregate* a = aggregate(i);
    if (m_building || !a || a->childCount == 0)
        return {};
    if (m_childList.empty())
        return {nullptr, a->childStart, a->childCount};
    return {m_childList.data() + a->childStart, 0, a->childCount};
}

FileIdentity NodeTable::identity(NodeIndex i) const {
    if (const Extras* e = extras(i); e && e->identity)
        return *e->identity;
    const Record& r = m_records[i];
    FileIdentity id;
    id.device = r.device;
    id.inode = r.inode;
    const Aggregate* a = aggregate(i);
    id.size = a ? a->size : r.logicalSize;
    id.modifiedSeconds = stampSeconds(r.modifiedStamp);
    id.modifiedNanos = stampNanos(r.modifiedStamp);
    id.changedSeconds = stampSeconds(r.changedStamp);
    id.changedNanos = stampNanos(r.changedStamp);
    id.mode = r.mode;
    id.linkCount = r.linkCount;
    return id;
}

Date NodeTable::NodeRef::createdDate() const {
    if (m_record->flags & kHasExtras)
        if (const Extras* e = m_table->extras(m_index); e && e->created)
            return *e->created;
    return dateOfSeconds(m_record->createdSeconds);
}

Date NodeTable::NodeRef::accessedDate() const {
    if (m_record->flags & kHasExtras)
        if (const Extras* e = m_table->extras(m_index); e && e->accessed)
            return *e->accessed;
    return dateOfSeconds(m_record->accessedSeconds);
}

// A node's modification date is its identity's seconds unless it is kept aside.
Date NodeTable::NodeRef::modifiedDate() const {
    if (m_record->flags & kHasExtras)
        if (const Extras* e = m_table->extras(m_index)) {
            if (e->modified)
                return *e->modified;
            if (e->identity)
                return Date::fromUnixSeconds(e->identity->modifiedSeconds);
        }
    return Date::fromUnixSeconds(stampSeconds(m_record->modifiedStamp));
}

NodeData NodeTable::data(NodeIndex i) const {
    const Record& r = m_records[i];
    const Extras* e = extras(i);
    const Aggregate* a = aggregate(i);
    const NodeRef ref(*this, i);
    NodeData d;
    d.isDirectory = r.flags & kDirectory;
    d.isSymbolicLink = r.flags & kSymbolicLink;
    d.isCloudPlaceholder = r.flags & kCloudPlaceholder;
    d.logicalSize = r.logicalSize;
    d.allocatedSize = r.allocatedSize;
    d.ownLogicalSize = (e && e->ownLogical) ? *e->ownLogical : (d.isDirectory ? 0 : r.logicalSize);
    d.ownAllocatedSize = (e && e->ownAllocated) ? *e->ownAllocated : (d.isDirectory ? 0 : r.allocatedSize);
    d.compressedSavings = a ? a->compressedSavings : 0;
    d.fileCount = ref.fileCount();
    d.folderCount = a ? a->folderCount : 0;
    d.created = ref.createdDate();
    d.modified = ref.modifiedDate();
    d.accessed = ref.accessedDate();
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
    n.children.reserve(childCount(i));
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
    if (!(m_records[i].flags & kIsNode))
        ++m_nodeCount;
    {
        Record& r = m_records[i];
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
        r.logicalSize = d.logicalSize;
        r.allocatedSize = d.allocatedSize;
        const FileIdentity& id = d.identity;
        r.device = id.device;
        r.inode = id.inode;
        r.mode = id.mode;
        r.linkCount = id.linkCount;
    }
    if (m_extras)
        if (auto it = m_extras->find(i); it != m_extras->end()) {
            it->second.clearFigures();
            if (it->second.nameLength == 0)
                m_extras->erase(it);
        }

    const FileIdentity& id = d.identity;
    std::int64_t modifiedStamp = 0, changedStamp = 0;
    const bool identityFits = packStamp(id.modifiedSeconds, id.modifiedNanos, modifiedStamp) &&
                              packStamp(id.changedSeconds, id.changedNanos, changedStamp);
    m_records[i].modifiedStamp = identityFits ? modifiedStamp : 0;
    m_records[i].changedStamp = identityFits ? changedStamp : 0;
    if (!identityFits)
        mutableExtras(i).identity = id;
    // A scanned node's modification date is its identity's seconds, so the record keeps them once.
    std::int64_t sinceReference = 0;
    const bool modifiedDerives =
        !__builtin_sub_overflow(id.modifiedSeconds, Date::kUnixOffset, &sinceReference) &&
        double(sinceReference) == d.modified.sinceReferenceDate;
    if (!modifiedDerives)
        mutableExtras(i).modified = d.modified;
    std::uint32_t seconds = 0;
    if (packSeconds(d.created, seconds))
        m_records[i].createdSeconds = seconds;
    else
        mutableExtras(i).created = d.created;
    if (packSeconds(d.accessed, seconds))
        m_records[i].accessedSeconds = seconds;
    else
        mutableExtras(i).accessed = d.accessed;

    const std::int64_t derivedLogical = d.isDirectory ? 0 : d.logicalSize;
    const std::int64_t derivedAllocated = d.isDirectory ? 0 : d.allocatedSize;
    if (d.ownLogicalSize != derivedLogical || d.ownAllocatedSize != derivedAllocated) {
        Extras& e = mutableExtras(i);
        e.ownLogical = d.ownLogicalSize;
        e.ownAllocated = d.ownAllocatedSize;
    }
    if (const Extras* e = m_extras ? [&]() -> const Extras* {
            auto it = m_extras->find(i);
            return it == m_extras->end() ? nullptr : &it->second;
        }()
        : nullptr;
        !e || !e->holdsFigures())
        m_records[i].flags &= static_cast<std::uint16_t>(~kHasExtras);

    // Figures a file derives need no aggregate; a folder always has one.
    const std::int64_t derivedFiles = d.isDirectory ? 0 : 1;
    if (d.isDirectory || m_records[i].aggregate != kNoAggregate || id.size != d.logicalSize ||
        d.fileCount != derivedFiles || d.folderCount != 0 || d.compressedSavings != 0) {
        Aggregate& a = aggregateOf(i);
        a.size = id.size;
        a.fileCount = d.fileCount;
        a.folderCount = d.folderCount;
        a.compressedSavings = d.compressedSavings;
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

NodeIndex NodeTable::appendScanned(NodeIndex parent, std::string_view name, const FileStatus& status,
                                   bool repeat) {
    Record r;
    r.parent = parent;
    const bool isDirectory = status.isDirectory();
    const std::int64_t logical = isDirectory ? 0 : std::max<std::int64_t>(status.size, 0);
    std::int64_t allocated = 0;
    if (!isDirectory && !repeat && status.blocks > 0)
        allocated = status.blocks > INT64_MAX / 512 ? INT64_MAX : status.blocks * 512;
    const bool odd = name.size() >= kLongName || status.isDataless ||
                     (!isDirectory && logical != status.size) ||
                     (!isDirectory && status.isCompressed && logical > allocated) ||
                     !packStamp(status.modifiedSeconds, status.modifiedNanos, r.modifiedStamp) ||
                     !packStamp(status.changedSeconds, status.changedNanos, r.changedStamp) ||
                     !packUnixSeconds(status.birthSeconds, r.createdSeconds) ||
                     !packUnixSeconds(status.accessedSeconds, r.accessedSeconds);
    if (odd) [[unlikely]] {
        // The general way, for what the record does not derive.
        const NodeIndex index = addRecord(parent, name);
        setNode(index,
                NodeData::fromStatus(FileIdentity::fromStatus(status), status,
                                     repeat ? std::optional<std::int64_t>(0) : std::nullopt),
                true);
        appendChild(parent, index);
        return index;
    }
    if (!m_indexDeferred)
        growIndex();
    r.flags = kIsNode | (parent != kNoNode ? kHasParent : 0) | (isDirectory ? kDirectory : 0) |
              (status.isSymbolicLink() ? kSymbolicLink : 0);
    r.mode = static_cast<std::uint16_t>(status.mode);
    r.linkCount = static_cast<std::uint16_t>(status.linkCount > 65535u ? 65535u : status.linkCount);
    r.device = status.device;
    r.inode = status.inode;
    r.logicalSize = logical;
    r.allocatedSize = allocated;
    r.nameOffset = storeName(name);
    r.nameLength = static_cast<std::uint16_t>(name.size());
    const NodeIndex index = pushRecord(r);
    ++m_nodeCount;
    if (isDirectory)
        aggregateOf(index).size = status.size;
    if (!m_indexDeferred)
        insertIntoIndex(index);
    appendChild(parent, index);
    return index;
}

// ---- totals and children -----------------------------------------------------------------------

void NodeTable::addToTotals(NodeIndex folder, NodeIndex child) {
    const NodeRef c(*this, child);
    addToTotals(folder, c.logicalSize(), c.allocatedSize(), c.compressedSavings(), c.fileCount(),
                c.folderCount() + (c.isDirectory() ? 1 : 0));
}

void NodeTable::addToTotals(NodeIndex folder, std::int64_t logical, std::int64_t allocated,
                            std::int64_t savings, std::int64_t files, std::int64_t folders) {
    Aggregate& a = aggregateOf(folder);
    Record& f = m_records[folder];
    f.logicalSize = saturatingAdd(f.logicalSize, logical);
    f.allocatedSize = saturatingAdd(f.allocatedSize, allocated);
    a.compressedSavings = saturatingAdd(a.compressedSavings, savings);
    a.fileCount += files;
    a.folderCount += folders;
}

void NodeTable::rollUpTotals(NodeIndex first) {
    for (NodeIndex i = static_cast<NodeIndex>(m_records.size()); i-- > first + 1;) {
        const Record& r = m_records[i];
        if ((r.flags & (kIsNode | kHasParent)) == (kIsNode | kHasParent))
            addToTotals(r.parent, i);
    }
}

void NodeTable::linkChildren() {
    m_linked = true;
    m_nextSibling.assign(m_records.size(), kNoNode);
    m_lastChild.assign(m_records.size(), kNoNode);
    for (NodeIndex i = 0; i < m_records.size(); ++i) {
        const Aggregate* a = aggregate(i);
        if (!a || a->childCount == 0)
            continue;
        for (std::uint32_t k = 0; k + 1 < a->childCount; ++k)
            m_nextSibling[a->childStart + k] = a->childStart + k + 1;
        m_lastChild[i] = a->childStart + a->childCount - 1;
    }
}

void NodeTable::appendChild(NodeIndex parent, NodeIndex child) {
    Aggregate& a = aggregateOf(parent);
    if (!m_linked) {
        if (a.childCount == 0) {
            a.childStart = child;
            a.childCount = 1;
            return;
        }
        if (child == a.childStart + a.childCount) {
            ++a.childCount;
            return;
        }
        linkChildren();
    }
    if (a.childCount == 0)
        a.childStart = child;
    else
        m_nextSibling[m_lastChild[parent]] = child;
    m_lastChild[parent] = child;
    m_nextSibling[child] = kNoNode;
    ++a.childCount;
}

void NodeTable::releaseBuildingState() {
    m_building = false;
    m_linked = false;
    std::vector<NodeIndex>().swap(m_nextSibling);
    std::vector<NodeIndex>().swap(m_lastChild);
    m_records.shrink_to_fit();
    m_aggregates.shrink_to_fit();
    m_names.shrink_to_fit();
}

void NodeTable::finish() {
    if (!m_building)
        return;
    completeIndex();
    m_childList.clear();
    if (m_linked) {
        std::size_t total = 0;
        for (const Aggregate& a : m_aggregates)
            total += a.childCount;
        m_childList.reserve(total);
        for (NodeIndex i = 0; i < m_records.size(); ++i) {
            if (m_records[i].aggregate == kNoAggregate)
                continue;
            Aggregate& a = m_aggregates[m_records[i].aggregate];
            const auto start = static_cast<std::uint32_t>(m_childList.size());
            if (a.childCount)
                for (NodeIndex c = a.childStart; c != kNoNode; c = m_nextSibling[c])
                    m_childList.push_back(c);
            a.childStart = start;
        }
    }
    m_childList.shrink_to_fit();
    releaseBuildingState();
}

void NodeTable::finish(std::vector<std::pair<NodeIndex, NodeIndex>> childPairs) {
    completeIndex();
    for (Aggregate& a : m_aggregates)
        a.childCount = 0;
    // Lists that are each a run of consecutive records need no list of their own.
    bool runs = true;
    for (const auto& [owner, child] : childPairs) {
        Aggregate& a = aggregateOf(owner);
        if (a.childCount == 0)
            a.childStart = child;
        else if (child != a.childStart + a.childCount)
            runs = false;
        ++a.childCount;
    }
    m_childList.clear();
    if (!runs) {
        std::uint32_t offset = 0;
        for (Aggregate& a : m_aggregates) {
            a.childStart = offset;
            offset += a.childCount;
        }
        m_childList.assign(childPairs.size(), kNoNode);
        std::vector<std::uint32_t> fill(m_aggregates.size(), 0);
        for (const auto& [owner, child] : childPairs) {
            const std::uint32_t a = m_records[owner].aggregate;
            m_childList[m_aggregates[a].childStart + fill[a]++] = child;
        }
    }
    childPairs.clear();
    childPairs.shrink_to_fit();
    m_childList.shrink_to_fit();
    releaseBuildingState();
}

// ---- comparison and accounting -----------------------------------------------------------------

std::optional<std::pair<NodeIndex, NodeIndex>> NodeTable::misplacedChild() const {
    for (NodeIndex i = 0; i < m_records.size(); ++i) {
        const Aggregate* a = aggregate(i);
        if (!a || a->childCount == 0 || !(m_records[i].flags & kIsNode))
            continue;
        for (const NodeIndex c : children(i)) {
            const Record& r = m_records[c];
            // The common case, read off the record: a node whose tree parent, which it names, is the owner.
            if (!(r.flags & kIsNode) ||
                ((r.flags & (kHasParent | kHasExtras)) == kHasParent && r.parent == i))
                continue;
            if (parentNode(c) != i)
                return std::pair{i, c};
        }
    }
    return std::nullopt;
}

bool NodeTable::sameNodes(const NodeTable& other) const {
    if (size() != other.size())
        return false;
    for (NodeIndex i = 0; i < m_records.size(); ++i) {
        if (!(m_records[i].flags & kIsNode))
            continue;
        const NodeIndex j = other.find(path(i));
        if (j == kNoNode || !(makeNode(i) == other.makeNode(j)))
            return false;
    }
    return true;
}

std::size_t NodeTable::memoryBytes() const {
    std::size_t bytes = m_records.capacity() * sizeof(Record) + m_aggregates.capacity() * sizeof(Aggregate) +
                        m_names.capacity() + m_childList.capacity() * sizeof(NodeIndex) +
                        m_slots.capacity() * sizeof(NodeIndex) +
                        (m_nextSibling.capacity() + m_lastChild.capacity()) * sizeof(NodeIndex);
    for (const auto& [path, index] : m_detached)
        bytes += path.capacity() + 48;
    if (m_extras)
        bytes += m_extras->size() * (sizeof(Extras) + 32);
    return bytes;
}

} // namespace ambertrove
