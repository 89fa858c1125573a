#include "snapshots/SnapshotRecord.hpp"

#include "base/AmbertroveError.hpp"
#include "model/JsonCoding.hpp"

namespace ambertrove {

std::string SnapshotRecord::filename() const {
    return id.text() + ".json";
}

std::string SnapshotRecord::encode() const {
    return jsonText([this](JsonWriter& w) {
        w.StartObject();
        w.Key("id");
        writeJsonUuid(w, id);
        writeJsonExactText(w, "title", title);
        w.Key("createdAt");
        writeJsonDate(w, createdAt);
        writeJsonPath(w, "rootPath", rootPath);
        w.Key("bytes");
        w.Int64(bytes);
        w.Key("fileCount");
        w.Int64(fileCount);
        w.EndObject();
    });
}

SnapshotRecord SnapshotRecord::decode(std::string_view text) {
    const rapidjson::Document document = parseJsonDocument(text);
    if (!document.IsObject())
        throw DecodingError("a snapshot record is not an object");
    SnapshotRecord record;
    record.id = jsonUuid(document, "id");
    record.title = jsonExactText(document, "title");
    record.createdAt = jsonDate(document, "createdAt");
    record.rootPath = jsonPath(document, "rootPath");
    record.bytes = jsonInt64(document, "bytes");
    record.fileCount = jsonInt64(document, "fileCount");
    return record;
}

} // namespace ambertrove
