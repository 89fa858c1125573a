#pragma once

#include "base/Date.hpp"
#include "base/Uuid.hpp"
#include "model/JsonCoding.hpp"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// One item copied into a backup folder.
struct BackupItem {
    // The item's path as staged.
    std::string originalPath;
    // Where its copy lies inside the backup folder: "Files/0001/NAME".
    std::string relativePath;
    // The staged node's logical size.
    std::int64_t bytes = 0;

    friend bool operator==(const BackupItem&, const BackupItem&) = default;
};

// One finished backup: the content of its folder's "Manifest.json", and what the application keeps in
// "backups.json".
struct BackupReceipt {
    // Also names the work folder and, by its first 8 characters, the finished folder.
    Uuid id;
    // The absolute path of the finished backup folder.
    std::string directory;
    Date createdAt;
    // In entry order.
    std::vector<BackupItem> items;

    void write(JsonWriter& writer) const;
    // Every key is required. Throws DecodingError.
    static BackupReceipt read(const rapidjson::Value& object);

    // Compact JSON, keys in field order.
    [[nodiscard]] std::string encode() const;
    static BackupReceipt decode(std::string_view text);
    // A JSON array of receipts, read one at a time (a file is streamed).
    [[nodiscard]] static std::string encodeList(const std::vector<BackupReceipt>& receipts);
    static std::vector<BackupReceipt> decodeList(std::string_view text);
    static std::vector<BackupReceipt> decodeList(std::FILE* file);

    friend bool operator==(const BackupReceipt&, const BackupReceipt&) = default;
};

} // namespace ambertrove
