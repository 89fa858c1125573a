#include "cleanup/CleanupJson.hpp"

#include "base/AmbertroveError.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sys/mman.h>
#include <utility>

namespace ambertrove::CleanupJson {

namespace {

// The fewest bytes a record is written in: its keys alone take more (a node's about 300 bytes, an
// identity's about 100).
constexpr std::size_t kSmallestEntry = 512;
constexpr std::size_t kSmallestReceipt = 192;

void writeIdentityTable(JsonWriter& w, const std::map<std::string, FileIdentity>& table) {
    w.StartObject();
    for (const auto& [path, identity] : table) {
        writeJsonPathKey(w, path);
        writeFileIdentity(w, identity);
    }
    w.EndObject();
}

std::map<std::string, FileIdentity> readIdentityTable(const rapidjson::Value& object, const char* key) {
    const rapidjson::Value& table = jsonMember(object, key);
    if (!table.IsObject())
        throw DecodingError(std::string("\"") + key + "\" is not an object");
    std::map<std::string, FileIdentity> out;
    for (const auto& member : table.GetObject()) {
        // The identity is judged before its path (the queue's stream reader judges them alike).
        const FileIdentity identity = readFileIdentity(member.value);
        out.emplace(jsonPathOfKey(member.name), identity);
    }
    return out;
}

} // namespace

void writeEntry(JsonWriter& w, const CleanupEntry& e) {
    w.StartObject();
    writeJsonKey(w, "node");
    writeDiskNode(w, e.node);
    writeJsonKey(w, "identities");
    writeIdentityTable(w, e.identities);
    writeJsonKey(w, "stagedAt");
    writeJsonDate(w, e.stagedAt);
    writeJsonExactText(w, "reason", e.reason);
    writeJsonKey(w, "retainedCopies");
    writeIdentityTable(w, e.retainedCopies);
    w.EndObject();
}

CleanupEntry readEntry(const rapidjson::Value& o) {
    if (!o.IsObject())
        throw DecodingError("cleanup entry is not an object");
    CleanupEntry e;
    e.node = readDiskNode(jsonMember(o, "node"));
    e.identities = readIdentityTable(o, "identities");
    e.stagedAt = jsonDate(o, "stagedAt");
    e.reason = jsonExactText(o, "reason");
    e.retainedCopies = readIdentityTable(o, "retainedCopies");
    return e;
}

std::string encodeEntries(const std::vector<CleanupEntry>& entries) {
    return jsonArrayText(entries, writeEntry);
}

namespace {

// ---- the queue read as a stream --------------------------------------------------------------------------
//
// A queue can hold a million entries, so it is read straight from the reader's events into the entries,
// without a document for each. What each value was is kept until its entry ends, and the entry is then
// judged exactly as readEntry() judges a document: the same checks in the same order, with the same words
// (the first of several members of one name counts, and a null value counts as missing).

enum class Kind : unsigned char { missing, null, boolean, number, string, object, array };

// A value as read: its kind, and a Boolean's or a number's value.
struct Scalar {
    Kind kind = Kind::missing;
    bool boolean = false;
    JsonNumber number;
};

// A text value, kept whole.
struct Text {
    Kind kind = Kind::missing;
    std::string text;
};

// An identity as read, its members in the order of FileIdentity.
struct IdentityRead {
    static constexpr std::size_t kFields = 9;
    Kind kind = Kind::missing;
    std::array<Scalar, kFields> fields;
};

// A table of paths and identities as read, its members in the order written.
struct TableRead {
    Kind kind = Kind::missing;
    std::vector<std::pair<std::string, IdentityRead>> members;
};

struct NodeRead {
    Kind kind = Kind::missing;
    Text path;
    Text pathBytes;
    Text parent;
    Text parentBytes;
    Scalar isDirectory;
    Scalar isSymbolicLink;
    Scalar isCloudPlaceholder;
    Scalar logicalSize;
    Scalar allocatedSize;
    Scalar ownLogicalSize;
    Scalar ownAllocatedSize;
    Scalar compressedSavings;
    Scalar fileCount;
    Scalar folderCount;
    Kind childrenKind = Kind::missing;
    std::vector<Text> children;
    Scalar created;
    Scalar modified;
    Scalar accessed;
    IdentityRead identity;
};

struct EntryRead {
    Kind kind = Kind::missing;
    NodeRead node;
    TableRead identities;
    Scalar stagedAt;
    Text reason;
    Text reasonBytes;
    TableRead retainedCopies;

    // Ready for the next entry; the lists keep their room.
    void clear() {
        kind = Kind::missing;
        std::vector<Text> children = std::move(node.children);
        children.clear();
        node = NodeRead();
        node.children = std::move(children);
        identities.kind = Kind::missing;
        identities.members.clear();
        stagedAt = Scalar();
        reason = Text();
        reasonBytes = Text();
        retainedCopies.kind = Kind::missing;
        retainedCopies.members.clear();
    }
};

// The keys of each record in the order they are written; the "…Bytes" keys, written only now and then,
// come last.
constexpr std::array<std::string_view, 6> kEntryKeys = {"node",   "identities",     "stagedAt",
                                                        "reason", "retainedCopies", "reasonBytes"};
constexpr std::array<std::string_view, 19> kNodeKeys = {
    "path",        "parent",        "isDirectory",    "isSymbolicLink",   "isCloudPlaceholder",
    "logicalSize", "allocatedSize", "ownLogicalSize", "ownAllocatedSize", "compressedSavings",
    "fileCount",   "folderCount",   "children",       "created",          "modified",
    "accessed",    "identity",      "pathBytes",      "parentBytes"};
constexpr std::array<std::string_view, IdentityRead::kFields> kIdentityKeys = {
    "device",         "inode",        "size", "modifiedSeconds", "modifiedNanos",
    "changedSeconds", "changedNanos", "mode", "linkCount"};

// The place of `key` among `keys` (their count when it is none of them), tried first where the key after
// the last one found is expected.
template <std::size_t N>
std::size_t keyIndex(const std::array<std::string_view, N>& keys, std::string_view key,
                     std::uint8_t& expected) {
    if (expected < N && keys[expected] == key)
        return expected++;
    for (std::size_t k = 0; k < N; ++k)
        if (keys[k] == key) {
            expected = static_cast<std::uint8_t>(k + 1);
            return k;
        }
    return N;
}

// ---- judging what was read, as readEntry() judges a document

[[noreturn]] void refuse(std::string detail) {
    throw DecodingError(std::move(detail));
}

bool isAbsent(Kind kind) {
    return kind == Kind::missing || kind == Kind::null;
}

void require(Kind kind, const char* key) {
    if (isAbsent(kind))
        refuse(std::string("missing key \"") + key + "\"");
}

bool boolean(const Scalar& v, const char* key) {
    require(v.kind, key);
    if (v.kind != Kind::boolean)
        refuse(std::string("\"") + key + "\" is not a Boolean");
    return v.boolean;
}

std::int64_t int64(const Scalar& v, const char* key) {
    require(v.kind, key);
    const std::optional<std::int64_t> value =
        v.kind == Kind::number ? v.number.asInt64() : std::optional<std::int64_t>();
    if (!value)
        refuse(std::string("\"") + key + "\" is not a 64-bit integer");
    return *value;
}

std::uint64_t uint64(const Scalar& v, const char* key) {
    require(v.kind, key);
    const std::optional<std::uint64_t> value =
        v.kind == Kind::number ? v.number.asUInt64() : std::optional<std::uint64_t>();
    if (!value)
        refuse(std::string("\"") + key + "\" is not an unsigned 64-bit integer");
    return *value;
}

std::int64_t intInRange(const Scalar& v, const char* key, std::int64_t min, std::int64_t max) {
    const std::int64_t value = int64(v, key);
    if (value < min || value > max)
        refuse(std::string("\"") + key + "\" is out of range");
    return value;
}

Date date(const Scalar& v, const char* key) {
    require(v.kind, key);
    if (v.kind != Kind::number)
        refuse(std::string("\"") + key + "\" is not a number");
    const double value = v.number.asDouble();
    if (!std::isfinite(value))
        refuse(std::string("\"") + key + "\" is out of range");
    return Date{value};
}

// A text written by writeJsonExactText() or writeJsonPath(), with its exact bytes when they are beside it.
std::string exactText(Text& v, Text& bytes, const char* key, bool isPath) {
    require(v.kind, key);
    if (v.kind != Kind::string)
        refuse(std::string("\"") + key + "\" is not a string");
    if (bytes.kind == Kind::missing) {
        if (isPath && holdsNul(v.text))
            refuse(std::string("\"") + key + "\": a path holds a NUL character");
        return std::move(v.text);
    }
    if (bytes.kind != Kind::string)
        refuse(std::string("\"") + key + "Bytes\" is not a string");
    const std::string_view hex = bytes.text;
    ExactText exact = exactJsonText(v.text, &hex, isPath);
    if (exact.error)
        refuse(std::string("\"") + key + "\": " + exact.error);
    return std::move(exact.text);
}

// A path written by writeJsonPathKey() or writeJsonPathValue().
std::string pathOfKey(std::string& text) {
    if (!holdsNul(text))
        return std::move(text);
    ExactText exact = pathOfJsonKey(text);
    if (exact.error)
        refuse(exact.error);
    return std::move(exact.text);
}

FileIdentity identity(const IdentityRead& v) {
    if (v.kind != Kind::object)
        refuse("identity is not an object");
    const auto& f = v.fields;
    FileIdentity id;
    id.device = static_cast<std::int32_t>(intInRange(f[0], kIdentityKeys[0].data(), INT32_MIN, INT32_MAX));
    id.inode = uint64(f[1], kIdentityKeys[1].data());
    id.size = int64(f[2], kIdentityKeys[2].data());
    id.modifiedSeconds = int64(f[3], kIdentityKeys[3].data());
    id.modifiedNanos = int64(f[4], kIdentityKeys[4].data());
    id.changedSeconds = int64(f[5], kIdentityKeys[5].data());
    id.changedNanos = int64(f[6], kIdentityKeys[6].data());
    id.mode = static_cast<std::uint16_t>(intInRange(f[7], kIdentityKeys[7].data(), 0, 65535));
    id.linkCount = static_cast<std::uint16_t>(intInRange(f[8], kIdentityKeys[8].data(), 0, 65535));
    return id;
}

void identityTable(TableRead& v, const char* key, std::map<std::string, FileIdentity>& out) {
    require(v.kind, key);
    if (v.kind != Kind::object)
        refuse(std::string("\"") + key + "\" is not an object");
    for (auto& [name, read] : v.members) {
        // The identity is judged before its path, as readEntry() judges them; of two members naming one path,
        // the first is kept. They are written in order, so each goes at the end.
        const FileIdentity id = identity(read);
        out.emplace_hint(out.end(), pathOfKey(name), id);
    }
}

void node(NodeRead& v, DiskNode& n) {
    if (v.kind != Kind::object)
        refuse("node is not an object");
    n.path = exactText(v.path, v.pathBytes, "path", true);
    if (isAbsent(v.parent.kind)) {
        if (v.parentBytes.kind != Kind::missing)
            refuse("\"parentBytes\" without \"parent\"");
    } else {
        n.parent = exactText(v.parent, v.parentBytes, "parent", true);
    }
    n.isDirectory = boolean(v.isDirectory, "isDirectory");
    n.isSymbolicLink = boolean(v.isSymbolicLink, "isSymbolicLink");
    n.isCloudPlaceholder = boolean(v.isCloudPlaceholder, "isCloudPlaceholder");
    n.logicalSize = int64(v.logicalSize, "logicalSize");
    n.allocatedSize = int64(v.allocatedSize, "allocatedSize");
    n.ownLogicalSize = int64(v.ownLogicalSize, "ownLogicalSize");
    n.ownAllocatedSize = int64(v.ownAllocatedSize, "ownAllocatedSize");
    n.compressedSavings = int64(v.compressedSavings, "compressedSavings");
    n.fileCount = int64(v.fileCount, "fileCount");
    n.folderCount = int64(v.folderCount, "folderCount");
    require(v.childrenKind, "children");
    if (v.childrenKind != Kind::array)
        refuse("\"children\" is not an array");
    n.children.reserve(v.children.size());
    for (Text& child : v.children) {
        if (child.kind != Kind::string)
            refuse("a path is not a string");
        n.children.push_back(pathOfKey(child.text));
    }
    n.created = date(v.created, "created");
    n.modified = date(v.modified, "modified");
    n.accessed = date(v.accessed, "accessed");
    require(v.identity.kind, "identity");
    n.identity = identity(v.identity);
}

void entry(EntryRead& v, CleanupEntry& e) {
    if (v.kind != Kind::object)
        refuse("cleanup entry is not an object");
    require(v.node.kind, "node");
    node(v.node, e.node);
    identityTable(v.identities, "identities", e.identities);
    e.stagedAt = date(v.stagedAt, "stagedAt");
    e.reason = exactText(v.reason, v.reasonBytes, "reason", false);
    identityTable(v.retainedCopies, "retainedCopies", e.retainedCopies);
}

// ---- the reader's events

// Takes the reader's events of one entry into an EntryRead, with the checks every reader here makes of
// every text and number (see the document readers); what belongs to no field is passed over.
class EntryHandler {
public:
    std::string error;

    // Starts an entry: the next value is the entry itself.
    void begin() {
        m_read.clear();
        m_levels.clear();
        m_next = {Slot::entry, &m_read};
    }
    // The entry read, judged and stored into `e`. Throws DecodingError.
    void finish(CleanupEntry& e) { entry(m_read, e); }

    bool Null() { return scalar(Kind::null); }
    bool Bool(bool b) {
        if (m_next.slot == Slot::scalar)
            static_cast<Scalar*>(m_next.target)->boolean = b;
        return scalar(Kind::boolean);
    }
    // With numbers read as text, the reader hands every number over in RawNumber().
    bool Int(int) { return scalar(Kind::number); }
    bool Uint(unsigned) { return scalar(Kind::number); }
    bool Int64(std::int64_t) { return scalar(Kind::number); }
    bool Uint64(std::uint64_t) { return scalar(Kind::number); }
    bool Double(double) { return scalar(Kind::number); }
    bool RawNumber(const char* s, rapidjson::SizeType length, bool) {
        const char* why = nullptr;
        const std::optional<JsonNumber> n = keptJsonNumber(s, length, why);
        if (!n)
            return fail(why);
        if (m_next.slot == Slot::scalar)
            static_cast<Scalar*>(m_next.target)->number = *n;
        return scalar(Kind::number);
    }
    bool String(const char* s, rapidjson::SizeType length, bool) {
        if (!isValidUtf8(std::string_view(s, length)))
            return fail(kJsonTextNotUtf8);
        if (m_next.slot == Slot::text)
            static_cast<Text*>(m_next.target)->text.assign(s, length);
        return scalar(Kind::string);
    }
    bool StartObject() { return open(Kind::object); }
    bool StartArray() { return open(Kind::array); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool EndArray(rapidjson::SizeType) { return close(); }
    bool Key(const char* s, rapidjson::SizeType length, bool) {
        if (!isValidUtf8(std::string_view(s, length)))
            return fail(kJsonKeyNotUtf8);
        const std::string_view key(s, length);
        Level& level = m_levels.back();
        m_next = {Slot::none, nullptr};
        switch (level.slot) {
        case Slot::entry:
            entryKey(*static_cast<EntryRead*>(level.target), key, level.expected);
            break;
        case Slot::node:
            nodeKey(*static_cast<NodeRead*>(level.target), key, level.expected);
            break;
        case Slot::identity:
            identityKey(*static_cast<IdentityRead*>(level.target), key, level.expected);
            break;
        case Slot::table: {
            auto& members = static_cast<TableRead*>(level.target)->members;
            members.emplace_back(std::string(key), IdentityRead());
            m_next = {Slot::identity, &members.back().second};
            break;
        }
        default:
            break;
        }
        return true;
    }

private:
    // What the next value goes into.
    enum class Slot : unsigned char { none, scalar, text, identity, table, children, node, entry };
    struct Next {
        Slot slot = Slot::none;
        void* target = nullptr;
    };
    // An object or array being read, and what its members go into (none: passed over).
    struct Level {
        Slot slot = Slot::none;
        void* target = nullptr;
        // Where the next key is looked for first among its record's keys.
        std::uint8_t expected = 0;
    };

    bool fail(const char* why) {
        error = why;
        return false;
    }

    // Where the next value goes unless one of that name came first.
    template <class Target> void to(Slot slot, Target& target) {
        if (target.kind == Kind::missing)
            m_next = {slot, &target};
    }

    // Where the kind of the next value is kept (a text slot that gets something else keeps only its kind);
    // nothing when the value is passed over.
    Kind* nextKind() const {
        switch (m_next.slot) {
        case Slot::scalar:
            return &static_cast<Scalar*>(m_next.target)->kind;
        case Slot::text:
            return &static_cast<Text*>(m_next.target)->kind;
        case Slot::identity:
            return &static_cast<IdentityRead*>(m_next.target)->kind;
        case Slot::table:
            return &static_cast<TableRead*>(m_next.target)->kind;
        case Slot::children:
            return &static_cast<NodeRead*>(m_next.target)->childrenKind;
        case Slot::node:
            return &static_cast<NodeRead*>(m_next.target)->kind;
        case Slot::entry:
            return &static_cast<EntryRead*>(m_next.target)->kind;
        case Slot::none:
            break;
        }
        return nullptr;
    }

    // A value that is not an object or an array has come.
    bool scalar(Kind kind) {
        if (Kind* at = nextKind())
            *at = kind;
        afterValue();
        return true;
    }

    bool open(Kind kind) {
        Level level;
        if (Kind* at = nextKind()) {
            *at = kind;
            // Only an object of its kind is read into a record, and only an array into the children.
            const bool objectSlot = m_next.slot == Slot::identity || m_next.slot == Slot::table ||
                                    m_next.slot == Slot::node || m_next.slot == Slot::entry;
            if ((kind == Kind::object && objectSlot) ||
                (kind == Kind::array && m_next.slot == Slot::children))
                level = {m_next.slot, m_next.target, 0};
        }
        m_levels.push_back(level);
        m_next = {Slot::none, nullptr};
        if (level.slot == Slot::children)
            nextChild();
        return true;
    }

    bool close() {
        // The children end: no value came for the child set up last.
        if (m_levels.back().slot == Slot::children)
            static_cast<NodeRead*>(m_levels.back().target)->children.pop_back();
        m_levels.pop_back();
        afterValue();
        return true;
    }

    // Inside the children, every value is the next child; elsewhere a value waits for its key.
    void afterValue() {
        m_next = {Slot::none, nullptr};
        if (!m_levels.empty() && m_levels.back().slot == Slot::children)
            nextChild();
    }
    void nextChild() {
        auto& children = static_cast<NodeRead*>(m_levels.back().target)->children;
        children.emplace_back();
        m_next = {Slot::text, &children.back()};
    }

    void entryKey(EntryRead& e, std::string_view key, std::uint8_t& expected) {
        switch (keyIndex(kEntryKeys, key, expected)) {
        case 0:
            return to(Slot::node, e.node);
        case 1:
            return to(Slot::table, e.identities);
        case 2:
            return to(Slot::scalar, e.stagedAt);
        case 3:
            return to(Slot::text, e.reason);
        case 4:
            return to(Slot::table, e.retainedCopies);
        case 5:
            return to(Slot::text, e.reasonBytes);
        default:
            return;
        }
    }

    void nodeKey(NodeRead& n, std::string_view key, std::uint8_t& expected) {
        switch (keyIndex(kNodeKeys, key, expected)) {
        case 0:
            return to(Slot::text, n.path);
        case 1:
            return to(Slot::text, n.parent);
        case 2:
            return to(Slot::scalar, n.isDirectory);
        case 3:
            return to(Slot::scalar, n.isSymbolicLink);
        case 4:
            return to(Slot::scalar, n.isCloudPlaceholder);
        case 5:
            return to(Slot::scalar, n.logicalSize);
        case 6:
            return to(Slot::scalar, n.allocatedSize);
        case 7:
            return to(Slot::scalar, n.ownLogicalSize);
        case 8:
            return to(Slot::scalar, n.ownAllocatedSize);
        case 9:
            return to(Slot::scalar, n.compressedSavings);
        case 10:
            return to(Slot::scalar, n.fileCount);
        case 11:
            return to(Slot::scalar, n.folderCount);
        case 12:
            if (n.childrenKind == Kind::missing)
                m_next = {Slot::children, &n};
            return;
        case 13:
            return to(Slot::scalar, n.created);
        case 14:
            return to(Slot::scalar, n.modified);
        case 15:
            return to(Slot::scalar, n.accessed);
        case 16:
            return to(Slot::identity, n.identity);
        case 17:
            return to(Slot::text, n.pathBytes);
        case 18:
            return to(Slot::text, n.parentBytes);
        default:
            return;
        }
    }

    void identityKey(IdentityRead& id, std::string_view key, std::uint8_t& expected) {
        if (const std::size_t k = keyIndex(kIdentityKeys, key, expected); k < IdentityRead::kFields)
            to(Slot::scalar, id.fields[k]);
    }

    EntryRead m_read;
    std::vector<Level> m_levels;
    Next m_next;
};

// A queue of many entries is many first touches of fresh memory: in large pages they cost a fraction of the
// page faults. Only whole large pages inside the list's room are marked.
void preferLargePages(const void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (at + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (at + bytes) & ~(kLargePage - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

template <class Source> std::vector<CleanupEntry> decodeEntriesFrom(Source&& source) {
    std::vector<CleanupEntry> out;
    out.reserve(jsonTextSize(source) / kSmallestEntry);
    preferLargePages(out.data(), out.capacity() * sizeof(CleanupEntry));
    EntryHandler handler;
    rapidjson::Reader reader;
    parseJsonArrayElements(
        std::forward<Source>(source), "expected an array",
        [&](auto& stream) {
            handler.begin();
            parseJsonValue(reader, stream, handler);
        },
        [&] { handler.finish(out.emplace_back()); });
    return out;
}

} // namespace

std::vector<CleanupEntry> decodeEntries(std::string_view text) {
    return decodeEntriesFrom(text);
}

std::vector<CleanupEntry> decodeEntries(std::FILE* file) {
    return decodeEntriesFrom(file);
}

void writeReceipt(JsonWriter& w, const TrashReceipt& r) {
    w.StartObject();
    writeJsonKey(w, "id");
    writeJsonUuid(w, r.id);
    writeJsonPath(w, "originalPath", r.originalPath);
    writeJsonPath(w, "trashPath", r.trashPath);
    writeJsonKey(w, "date");
    writeJsonDate(w, r.date);
    writeJsonKey(w, "bytes");
    w.Int64(r.bytes);
    writeJsonKey(w, "identity");
    writeFileIdentity(w, r.identity);
    w.EndObject();
}

TrashReceipt readReceipt(const rapidjson::Value& o) {
    if (!o.IsObject())
        throw DecodingError("receipt is not an object");
    TrashReceipt r;
    r.id = jsonUuid(o, "id");
    r.originalPath = jsonPath(o, "originalPath");
    r.trashPath = jsonPath(o, "trashPath");
    r.date = jsonDate(o, "date");
    r.bytes = jsonInt64(o, "bytes");
    r.identity = readFileIdentity(jsonMember(o, "identity"));
    return r;
}

std::string encodeReceipts(const std::vector<TrashReceipt>& receipts) {
    return jsonArrayText(receipts, writeReceipt);
}

std::vector<TrashReceipt> decodeReceipts(std::string_view text) {
    return readJsonList(text, "expected an array", kSmallestReceipt, readReceipt);
}

std::vector<TrashReceipt> decodeReceipts(std::FILE* file) {
    return readJsonList(file, "expected an array", kSmallestReceipt, readReceipt);
}

} // namespace ambertrove::CleanupJson
