#pragma once

#include "base/AmbertroveError.hpp"
#include "base/Date.hpp"
#include "base/Uuid.hpp"
#include "model/DiskNode.hpp"
#include "model/FileIdentity.hpp"

#include <rapidjson/document.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace ambertrove {

// A RapidJSON output stream into a string, or buffered into a file.
class JsonOutput {
public:
    using Ch = char;
    explicit JsonOutput(std::string& target)
        : m_string(&target) {}
    explicit JsonOutput(std::FILE* file)
        : m_file(file) {}
    JsonOutput(const JsonOutput&) = delete;
    JsonOutput& operator=(const JsonOutput&) = delete;
    ~JsonOutput() {
        if (m_string)
            drain();
    }

    void Put(char c) {
        if (m_used == kBufferSize)
            drain();
        m_buffer[m_used++] = c;
    }
    // Hands what is buffered to the string or the file; throws std::system_error when a write fails.
    void Flush() { drain(); }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;
    void drain();

    std::string* m_string = nullptr;
    std::FILE* m_file = nullptr;
    std::size_t m_used = 0;
    char m_buffer[kBufferSize];
};

using JsonWriter = rapidjson::Writer<JsonOutput>;

// The compact JSON text that `write` produces.
std::string jsonText(const std::function<void(JsonWriter&)>& write);

// Whether `text` is valid UTF-8.
bool isValidUtf8(std::string_view text);
// Text is written as UTF-8; byte sequences that are not UTF-8 become U+FFFD.
void writeJsonString(JsonWriter& writer, std::string_view text);
void writeJsonKey(JsonWriter& writer, std::string_view key);
void writeJsonDate(JsonWriter& writer, Date date);
void writeJsonUuid(JsonWriter& writer, const Uuid& uuid);
void writeFileIdentity(JsonWriter& writer, const FileIdentity& identity);
void writeDiskNode(JsonWriter& writer, const DiskNode& node);
// `text` when it is valid UTF-8, else a copy in `scratch` with U+FFFD for every bad sequence.
std::string_view validUtf8(std::string_view text, std::string& scratch);

// An array of `items`, each written by `write(writer, item)`.
template <class Items, class Write>
void writeJsonArray(JsonWriter& writer, const Items& items, Write&& write) {
    writer.StartArray();
    for (const auto& item : items)
        write(writer, item);
    writer.EndArray();
}
// The compact JSON text of such an array.
template <class Items, class Write> std::string jsonArrayText(const Items& items, Write&& write) {
    return jsonText([&](JsonWriter& writer) { writeJsonArray(writer, items, write); });
}

// Reading from a parsed document. Each throws DecodingError naming the key when it is missing or of the
// wrong type; integers must fit their field.
rapidjson::Document parseJsonDocument(std::string_view text);
const rapidjson::Value& jsonMember(const rapidjson::Value& object, const char* key);
const rapidjson::Value* optionalJsonMember(const rapidjson::Value& object, const char* key);
std::string jsonString(const rapidjson::Value& object, const char* key);
std::optional<std::string> optionalJsonString(const rapidjson::Value& object, const char* key);
bool jsonBool(const rapidjson::Value& object, const char* key);
std::int64_t jsonInt64(const rapidjson::Value& object, const char* key);
std::uint64_t jsonUInt64(const rapidjson::Value& object, const char* key);
std::int64_t jsonIntInRange(const rapidjson::Value& object, const char* key, std::int64_t min,
                            std::int64_t max);
double jsonDouble(const rapidjson::Value& object, const char* key);
Date jsonDate(const rapidjson::Value& object, const char* key);
Uuid jsonUuid(const rapidjson::Value& object, const char* key);
FileIdentity readFileIdentity(const rapidjson::Value& object);
DiskNode readDiskNode(const rapidjson::Value& object);

// Each element of `array` read by `read(element)`, in order. Throws DecodingError(`notAnArray`) when
// `array` is not an array, and whatever `read` throws.
template <class Read>
auto readJsonArray(const rapidjson::Value& array, const char* notAnArray, Read&& read)
    -> std::vector<std::decay_t<std::invoke_result_t<Read&, const rapidjson::Value&>>> {
    if (!array.IsArray())
        throw DecodingError(notAnArray);
    std::vector<std::decay_t<std::invoke_result_t<Read&, const rapidjson::Value&>>> out;
    out.reserve(array.Size());
    for (const rapidjson::Value& element : array.GetArray())
        out.push_back(read(element));
    return out;
}

// Number conversions shared with the streaming scan reader.
std::optional<std::int64_t> jsonNumberAsInt64(const rapidjson::Value& value);
std::optional<std::uint64_t> jsonNumberAsUInt64(const rapidjson::Value& value);

} // namespace ambertrove
