#pragma once

#include "cleanup/CleanupEntry.hpp"
#include "cleanup/TrashReceipt.hpp"
#include "model/JsonCoding.hpp"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove::CleanupJson {

// The stored forms of the cleanup queue ("cleanup.json") and the receipts ("receipts.json"): JSON arrays of
// entry and receipt objects. Reading throws DecodingError for a missing key or a value of the wrong type;
// it holds one element of the list at a time besides the records read (a file is streamed).
void writeEntry(JsonWriter& writer, const CleanupEntry& entry);
CleanupEntry readEntry(const rapidjson::Value& object);
std::string encodeEntries(const std::vector<CleanupEntry>& entries);
std::vector<CleanupEntry> decodeEntries(std::string_view text);
std::vector<CleanupEntry> decodeEntries(std::FILE* file);

void writeReceipt(JsonWriter& writer, const TrashReceipt& receipt);
TrashReceipt readReceipt(const rapidjson::Value& object);
std::string encodeReceipts(const std::vector<TrashReceipt>& receipts);
std::vector<TrashReceipt> decodeReceipts(std::string_view text);
std::vector<TrashReceipt> decodeReceipts(std::FILE* file);

} // namespace ambertrove::CleanupJson
