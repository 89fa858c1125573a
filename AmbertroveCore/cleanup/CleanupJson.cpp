#include "cleanup/CleanupJson.hpp"

#include "base/AmbertroveError.hpp"

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
    for (const auto& member : table.GetObject())
        out.emplace(jsonPathOfKey(member.name), readFileIdentity(member.value));
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

std::vector<CleanupEntry> decodeEntries(std::string_view text) {
    return readJsonList(text, "expected an array", kSmallestEntry, readEntry);
}

std::vector<CleanupEntry> decodeEntries(std::FILE* file) {
    return readJsonList(file, "expected an array", kSmallestEntry, readEntry);
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
