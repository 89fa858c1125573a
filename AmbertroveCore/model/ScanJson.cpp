#include "model/ScanJson.hpp"

#include "base/AmbertroveError.hpp"
#include "model/JsonCoding.hpp"
#include "platform/AtomicFile.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace ambertrove::ScanJson {

// ---- writing -----------------------------------------------------------------------------------

namespace {

void writeScan(const ScanResult& scan, JsonWriter& w) {
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
        const NodeTable::Record& r = t[i];
        if (!r.isNode())
            continue;
        const bool detached = r.flags & NodeTable::kDetached;
        if (detached || i == 0) {
            key = t.path(i);
            stack.clear();
            if (!detached)
                stack.emplace_back(i, key.size());
        } else {
            while (!stack.empty() && stack.back().first != r.parent)
                stack.pop_back();
            if (stack.empty()) {
                key.clear();
                t.appendPath(r.parent, key);
                stack.emplace_back(r.parent, key.size());
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
        if (r.flags & NodeTable::kHasExtras)
            writeJsonPath(w, "path", t.nodePath(i));
        else
            writeJsonPath(w, "path", key);
        if (t.hasParent(i)) {
            if (r.flags & NodeTable::kHasExtras) {
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
            const NodeTable::Record& cr = t[c];
            if (cr.parent == i && !(cr.flags & NodeTable::kDetached) && !detached) {
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

void write(const ScanResult& scan, std::FILE* file) {
    JsonOutput out(file);
    JsonWriter writer(out);
    writeScan(scan, writer);
    out.Flush();
}

std::string encode(const ScanResult& scan) {
    return jsonText([&](JsonWriter& w) { writeScan(scan, w); });
}

void writeFile(const ScanResult& scan, const std::string& path, unsigned mode) {
    writeFileAtomically(
        path, [&](std::FILE* file) { write(scan, file); }, mode);
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

template <std::size_t N> int keyIndex(const char* const (&keys)[N], std::string_view key) {
    for (std::size_t k = 0; k < N; ++k)
        if (key == keys[k])
            return static_cast<int>(k);
    return 63;
}

class ScanHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ScanHandler> {
public:
    ScanResult scan;
    std::string error;
    std::vector<std::pair<NodeIndex, NodeIndex>> childPairs;

    bool finishedTop() const { return m_state == State::Done; }

    // ---- values --------------------------------------------------------------------------------
    bool Null() {
        if (m_skipDepth > 0)
            return skipScalar();
        if (m_state == State::Node && m_key == NParent) { // an explicit null parent means none
            m_seen |= 1ull << NParent;
            return true;
        }
        return fail("unexpected null");
    }
    bool Bool(bool b) {
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
    bool RawNumber(const char* s, rapidjson::SizeType length, bool) {
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

    bool String(const char* s, rapidjson::SizeType length, bool) {
        if (m_skipDepth > 0)
            return skipScalar();
        const std::string_view text(s, length);
        if (!isValidUtf8(text))
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
                if (holdsNul(text))
                    return failNul();
                if (m_key == NPath)
                    m_path.assign(text);
                else
                    m_parent.emplace(text);
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
                if (!pathOfKey(text, m_childPath))
                    return false;
                childPairs.emplace_back(m_nodeIndex, scan.nodes.ensurePath(m_childPath));
                return true;
            }
            childPairs.emplace_back(m_nodeIndex, scan.nodes.ensurePath(text));
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
    bool StartObject() {
        if (m_skipDepth > 0) {
            ++m_skipDepth;
            return true;
        }
        switch (m_state) {
        case State::Start:
            m_state = State::Top;
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
            m_nodeIndex = scan.nodes.ensurePath(m_memberName);
            if (scan.nodes.isNode(m_nodeIndex))
                return fail("the node \"" + m_memberName + "\" appears twice");
            m_state = State::Node;
            m_seen = 0;
            m_data = NodeData{};
            m_parent.reset();
            m_path.clear();
            m_pathBytes.reset();
            m_parentBytes.reset();
            return true;
        case State::Node:
            if (m_key != NIdentity)
                return fail(std::string("\"") + kNodeKeys[m_key] + "\" is not an object");
            m_state = State::Identity;
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

    bool Key(const char* s, rapidjson::SizeType length, bool) {
        if (m_skipDepth > 0)
            return true;
        const std::string_view key(s, length);
        if (!isValidUtf8(key))
            return fail("a key is not UTF-8");
        switch (m_state) {
        case State::Top:
            m_key = keyIndex(kTopKeys, key);
            break;
        case State::Nodes:
            if (holdsNul(key))
                return pathOfKey(key, m_memberName);
            m_memberName.assign(key);
            return true;
        case State::Node:
            m_key = keyIndex(kNodeKeys, key);
            break;
        case State::Identity:
            m_key = keyIndex(kIdentityKeys, key);
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
        if (m_key == 63)
            m_skipNext = true; // unknown keys are ignored, whatever their value
        return true;
    }

    bool EndObject(rapidjson::SizeType) {
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
            for (int k = 0; k < NodeKeyCount; ++k)
                if (k != NParent && !(m_seen & (1ull << k)))
                    return fail("the node \"" + m_memberName + "\" has no \"" + kNodeKeys[k] + "\"");
            if (m_pathBytes && !exact(m_path, &*m_pathBytes, true))
                return false;
            if (m_parentBytes) {
                if (!m_parent)
                    return fail("\"parentBytes\" without \"parent\"");
                if (!exact(*m_parent, &*m_parentBytes, true))
                    return false;
            }
            scan.nodes.setNode(m_nodeIndex, m_data, m_parent, m_path);
            m_state = State::Nodes;
            return true;
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

    bool StartArray() {
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
            m_state = State::Children;
            return true;
        }
        return fail("unexpected array");
    }

    bool EndArray(rapidjson::SizeType) {
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
    NodeIndex m_nodeIndex = kNoNode;
    NodeData m_data;
    std::optional<std::string> m_parent;
    std::string m_path;
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

template <class Stream> ScanResult parse(Stream& stream) {
    ScanHandler handler;
    SkippingHandler router(handler);
    rapidjson::Reader reader;
    const rapidjson::ParseResult ok = reader.Parse<kJsonReaderFlags>(stream, router);
    if (!ok) {
        if (!handler.error.empty())
            throw DecodingError(handler.error);
        throw DecodingError(std::string("JSON error at offset ") + std::to_string(ok.Offset()) + ": " +
                            rapidjson::GetParseError_En(ok.Code()));
    }
    if (!handler.finishedTop())
        throw DecodingError("the text is not a scan object");
    handler.scan.nodes.finish(std::move(handler.childPairs));
    return std::move(handler.scan);
}

} // namespace

ScanResult decode(std::string_view whole) {
    const std::string_view text = withoutByteOrderMark(whole);
    rapidjson::MemoryStream stream(text.data(), text.size());
    ScanResult scan = parse(stream);
    // The reader takes a NUL byte for the end of the text.
    if (stream.Tell() != text.size())
        throw DecodingError(kTextAfterNul);
    return scan;
}

ScanResult read(std::FILE* file) {
    JsonFileInput stream(file);
    try {
        ScanResult scan = parse(stream);
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

ScanResult readFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throwSystemError(errno, EIO);
    try {
        ScanResult scan = read(file);
        std::fclose(file);
        return scan;
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

} // namespace ambertrove::ScanJson
