#include "cleanup/BackupReceipt.hpp"

#include "base/AmbertroveError.hpp"

namespace ambertrove {

namespace {

// The fewest bytes a backup is written in: its keys and identifier alone take more.
constexpr std::size_t kSmallestReceipt = 64;

void writeItem(JsonWriter& w, const BackupItem& item) {
    w.StartObject();
    writeJsonPath(w, "originalPath", item.originalPath);
    writeJsonPath(w, "relativePath", item.relativePath);
    writeJsonKey(w, "bytes");
    w.Int64(item.bytes);
    w.EndObject();
}

BackupItem readItem(const rapidjson::Value& object) {
    if (!object.IsObject())
        throw DecodingError("a backup item is not an object");
    BackupItem item;
    item.originalPath = jsonPath(object, "originalPath");
    item.relativePath = jsonPath(object, "relativePath");
    item.bytes = jsonInt64(object, "bytes");
    return item;
}

} // namespace

void BackupReceipt::write(JsonWriter& w) const {
    w.StartObject();
    writeJsonKey(w, "id");
    writeJsonUuid(w, id);
    writeJsonPath(w, "directory", directory);
    writeJsonKey(w, "createdAt");
    writeJsonDate(w, createdAt);
    writeJsonKey(w, "items");
    writeJsonArray(w, items, writeItem);
    w.EndObject();
}

BackupReceipt BackupReceipt::read(const rapidjson::Value& object) {
    if (!object.IsObject())
        throw DecodingError("a backup receipt is not an object");
    BackupReceipt receipt;
    receipt.id = jsonUuid(object, "id");
    receipt.directory = jsonPath(object, "directory");
    receipt.createdAt = jsonDate(object, "createdAt");
    receipt.items = readJsonArray(jsonMember(object, "items"), "\"items\" is not an array", readItem);
    return receipt;
}

std::string BackupReceipt::encode() const {
    return jsonText([this](JsonWriter& w) { write(w); });
}

BackupReceipt BackupReceipt::decode(std::string_view text) {
    return read(parseJsonDocument(text));
}

std::string BackupReceipt::encodeList(const std::vector<BackupReceipt>& receipts) {
    return jsonArrayText(receipts, [](JsonWriter& w, const BackupReceipt& receipt) { receipt.write(w); });
}

std::vector<BackupReceipt> BackupReceipt::decodeList(std::string_view text) {
    return readJsonList(text, "the backups are not an array", kSmallestReceipt, read);
}

std::vector<BackupReceipt> BackupReceipt::decodeList(std::FILE* file) {
    return readJsonList(file, "the backups are not an array", kSmallestReceipt, read);
}

} // namespace ambertrove
