#include "cleanup/BackupReceipt.hpp"

#include "model/AmbertroveError.hpp"

namespace ambertrove {

namespace {

void writeItem(JsonWriter& w, const BackupItem& item) {
    w.StartObject();
    writeJsonKey(w, "originalPath");
    writeJsonString(w, item.originalPath);
    writeJsonKey(w, "relativePath");
    writeJsonString(w, item.relativePath);
    writeJsonKey(w, "bytes");
    w.Int64(item.bytes);
    w.EndObject();
}

BackupItem readItem(const rapidjson::Value& object) {
    if (!object.IsObject())
        throw DecodingError("a backup item is not an object");
    BackupItem item;
    item.originalPath = jsonString(object, "originalPath");
    item.relativePath = jsonString(object, "relativePath");
    item.bytes = jsonInt64(object, "bytes");
    return item;
}

} // namespace

void BackupReceipt::write(JsonWriter& w) const {
    w.StartObject();
    writeJsonKey(w, "id");
    writeJsonUuid(w, id);
    writeJsonKey(w, "directory");
    writeJsonString(w, directory);
    writeJsonKey(w, "createdAt");
    writeJsonDate(w, createdAt);
    writeJsonKey(w, "items");
    w.StartArray();
    for (const BackupItem& item : items)
        writeItem(w, item);
    w.EndArray();
    w.EndObject();
}

BackupReceipt BackupReceipt::read(const rapidjson::Value& object) {
    if (!object.IsObject())
        throw DecodingError("a backup receipt is not an object");
    BackupReceipt receipt;
    receipt.id = jsonUuid(object, "id");
    receipt.directory = jsonString(object, "directory");
    receipt.createdAt = jsonDate(object, "createdAt");
    const rapidjson::Value& items = jsonMember(object, "items");
    if (!items.IsArray())
        throw DecodingError("\"items\" is not an array");
    for (const rapidjson::Value& item : items.GetArray())
        receipt.items.push_back(readItem(item));
    return receipt;
}

std::string BackupReceipt::encode() const {
    return jsonText([this](JsonWriter& w) { write(w); });
}

BackupReceipt BackupReceipt::decode(std::string_view text) {
    return read(parseJsonDocument(text));
}

std::string BackupReceipt::encodeList(const std::vector<BackupReceipt>& receipts) {
    return jsonText([&receipts](JsonWriter& w) {
        w.StartArray();
        for (const BackupReceipt& receipt : receipts)
            receipt.write(w);
        w.EndArray();
    });
}

std::vector<BackupReceipt> BackupReceipt::decodeList(std::string_view text) {
    const rapidjson::Document document = parseJsonDocument(text);
    if (!document.IsArray())
        throw DecodingError("the backups are not an array");
    std::vector<BackupReceipt> receipts;
    for (const rapidjson::Value& receipt : document.GetArray())
        receipts.push_back(read(receipt));
    return receipts;
}

} // namespace ambertrove
