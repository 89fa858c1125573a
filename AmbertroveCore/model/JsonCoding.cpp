#include "model/JsonCoding.hpp"

#include "base/AmbertroveError.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace ambertrove {

void JsonOutput::drain() {
    if (m_used == 0)
        return;
    if (m_string) {
        m_string->append(m_buffer, m_used);
    } else if (std::fwrite(m_buffer, 1, m_used, m_file) != m_used) {
        m_used = 0;
        throwSystemError(errno, EIO);
    }
    m_used = 0;
}

std::string jsonText(const std::function<void(JsonWriter&)>& write) {
    std::string text;
    JsonOutput out(text);
    JsonWriter writer(out);
    write(writer);
    out.Flush();
    return text;
}

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    // Paths are mostly ASCII: test eight bytes at a time for a high bit first.
    for (; i + 8 <= length; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (i < length) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

std::string_view validUtf8(std::string_view text, std::string& scratch) {
    const auto length = static_cast<std::int32_t>(text.size());
    if (isValidUtf8(text))
        return text;
    // Decode with substitution and encode again; ICU does the replacement.
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t units = 0;
    u_strFromUTF8WithSub(nullptr, 0, &units, text.data(), length, 0xFFFD, nullptr, &status);
    status = U_ZERO_ERROR;
    std::vector<UChar> utf16(static_cast<std::size_t>(units) + 1);
    u_strFromUTF8WithSub(utf16.data(), units + 1, &units, text.data(), length, 0xFFFD, nullptr, &status);
    status = U_ZERO_ERROR;
    std::int32_t outLength = 0;
    u_strToUTF8(nullptr, 0, &outLength, utf16.data(), units, &status);
    status = U_ZERO_ERROR;
    scratch.assign(static_cast<std::size_t>(outLength) + 1, '\0');
    u_strToUTF8(scratch.data(), outLength + 1, &outLength, utf16.data(), units, &status);
    scratch.resize(static_cast<std::size_t>(outLength));
    return scratch;
}

void writeJsonString(JsonWriter& writer, std::string_view text) {
    std::string scratch;
    const std::string_view valid = validUtf8(text, scratch);
    writer.String(valid.data(), static_cast<rapidjson::SizeType>(valid.size()));
}

void writeJsonKey(JsonWriter& writer, std::string_view key) {
    std::string scratch;
    const std::string_view valid = validUtf8(key, scratch);
    writer.Key(valid.data(), static_cast<rapidjson::SizeType>(valid.size()));
}

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string hexOf(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 15]);
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> bytesOfHex(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string out(hex.size() / 2, '\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int high = hexValue(hex[2 * i]);
        const int low = hexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out[i] = static_cast<char>(high << 4 | low);
    }
    return out;
}

void refuseNul(std::string_view path) {
    if (holdsNul(path))
        throw EncodingError("a path holds a NUL character");
}

// The text that stands for `path` where nothing can stand beside it; `path` itself when it is UTF-8.
std::string_view pathKeyText(std::string_view path, std::string& scratch) {
    refuseNul(path);
    if (isValidUtf8(path))
        return path;
    std::string readable;
    scratch = std::string(validUtf8(path, readable));
    scratch.push_back('\0');
    scratch += hexOf(path);
    return scratch;
}

void writeExact(JsonWriter& w, std::string_view key, std::string_view text) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    if (isValidUtf8(text)) {
        w.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
        return;
    }
    std::string scratch;
    const std::string_view readable = validUtf8(text, scratch);
    w.String(readable.data(), static_cast<rapidjson::SizeType>(readable.size()));
    const std::string bytesKey = std::string(key) + "Bytes";
    w.Key(bytesKey.data(), static_cast<rapidjson::SizeType>(bytesKey.size()));
    const std::string hex = hexOf(text);
    w.String(hex.data(), static_cast<rapidjson::SizeType>(hex.size()));
}

} // namespace

void writeJsonExactText(JsonWriter& w, std::string_view key, std::string_view text) {
    writeExact(w, key, text);
}

void writeJsonPath(JsonWriter& w, std::string_view key, std::string_view path) {
    refuseNul(path);
    writeExact(w, key, path);
}

void writeJsonPathKey(JsonWriter& w, std::string_view path) {
    std::string scratch;
    const std::string_view text = pathKeyText(path, scratch);
    w.Key(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

void writeJsonPathValue(JsonWriter& w, std::string_view path) {
    std::string scratch;
    const std::string_view text = pathKeyText(path, scratch);
    w.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

ExactText exactJsonText(std::string_view readable, const std::string_view* hex, bool isPath) {
    if (isPath && holdsNul(readable))
        return {{}, "a path holds a NUL character"};
    if (!hex)
        return {std::string(readable), nullptr};
    std::optional<std::string> bytes = bytesOfHex(*hex);
    if (!bytes)
        return {{}, "the exact bytes of a text are not hexadecimal"};
    if (isPath && holdsNul(*bytes))
        return {{}, "a path holds a NUL character"};
    std::string scratch;
    if (validUtf8(*bytes, scratch) != readable)
        return {{}, "the exact bytes of a text do not match the text"};
    return {std::move(*bytes), nullptr};
}

ExactText pathOfJsonKey(std::string_view keyText) {
    const std::size_t nul = keyText.find('\0');
    if (nul == std::string_view::npos)
        return {std::string(keyText), nullptr};
    const std::string_view hex = keyText.substr(nul + 1);
    return exactJsonText(keyText.substr(0, nul), &hex, true);
}

void writeJsonDouble(JsonWriter& writer, double value, const char* what) {
    // The writer would leave the value out and the text could not be read at all.
    if (!std::isfinite(value) || !writer.Double(value))
        throw EncodingError(std::string(what) + " is not a finite number");
}

void writeJsonDate(JsonWriter& writer, Date date) {
    writeJsonDouble(writer, date.sinceReferenceDate, "a date");
}

void writeJsonUuid(JsonWriter& writer, const Uuid& uuid) {
    const std::string text = uuid.text();
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

void writeFileIdentity(JsonWriter& w, const FileIdentity& id) {
    w.StartObject();
    w.Key("device");
    w.Int(id.device);
    w.Key("inode");
    w.Uint64(id.inode);
    w.Key("size");
    w.Int64(id.size);
    w.Key("modifiedSeconds");
    w.Int64(id.modifiedSeconds);
    w.Key("modifiedNanos");
    w.Int64(id.modifiedNanos);
    w.Key("changedSeconds");
    w.Int64(id.changedSeconds);
    w.Key("changedNanos");
    w.Int64(id.changedNanos);
    w.Key("mode");
    w.Uint(id.mode);
    w.Key("linkCount");
    w.Uint(id.linkCount);
    w.EndObject();
}

void writeDiskNode(JsonWriter& w, const DiskNode& n) {
    w.StartObject();
    writeJsonPath(w, "path", n.path);
    if (n.parent)
        writeJsonPath(w, "parent", *n.parent);
    w.Key("isDirectory");
    w.Bool(n.isDirectory);
    w.Key("isSymbolicLink");
    w.Bool(n.isSymbolicLink);
    w.Key("isCloudPlaceholder");
    w.Bool(n.isCloudPlaceholder);
    w.Key("logicalSize");
    w.Int64(n.logicalSize);
    w.Key("allocatedSize");
    w.Int64(n.allocatedSize);
    w.Key("ownLogicalSize");
    w.Int64(n.ownLogicalSize);
    w.Key("ownAllocatedSize");
    w.Int64(n.ownAllocatedSize);
    w.Key("compressedSavings");
    w.Int64(n.compressedSavings);
    w.Key("fileCount");
    w.Int64(n.fileCount);
    w.Key("folderCount");
    w.Int64(n.folderCount);
    w.Key("children");
    writeJsonArray(w, n.children, writeJsonPathValue);
    w.Key("created");
    writeJsonDate(w, n.created);
    w.Key("modified");
    writeJsonDate(w, n.modified);
    w.Key("accessed");
    writeJsonDate(w, n.accessed);
    w.Key("identity");
    writeFileIdentity(w, n.identity);
    w.EndObject();
}

// ---- reading -----------------------------------------------------------------------------------

namespace {

// Builds a document from the reader's events, with every number converted exactly from its text and every
// text checked for UTF-8 (the reader lets escapes of lone surrogates through).
class ExactDocumentHandler {
public:
    explicit ExactDocumentHandler(rapidjson::Document& document)
        : m_document(document) {}

    std::string error;

    bool Null() { return m_document.Null(); }
    bool Bool(bool b) { return m_document.Bool(b); }
    bool Int(int v) { return m_document.Int(v); }
    bool Uint(unsigned v) { return m_document.Uint(v); }
    bool Int64(std::int64_t v) { return m_document.Int64(v); }
    bool Uint64(std::uint64_t v) { return m_document.Uint64(v); }
    bool Double(double v) { return m_document.Double(v); }
    bool RawNumber(const char* s, rapidjson::SizeType length, bool) {
        const char* why = nullptr;
        const std::optional<JsonNumber> n = keptJsonNumber(s, length, why);
        if (!n)
            return fail(why);
        // A whole number is kept as one, so that the integer fields take it exactly.
        switch (n->kind) {
        case JsonNumber::Signed:
            return m_document.Int64(n->i);
        case JsonNumber::Unsigned:
            return m_document.Uint64(n->u);
        case JsonNumber::Floating:
            break;
        }
        return m_document.Double(n->d);
    }
    bool String(const char* s, rapidjson::SizeType length, bool copy) {
        if (!isValidUtf8(std::string_view(s, length)))
            return fail(kJsonTextNotUtf8);
        return m_document.String(s, length, copy);
    }
    bool Key(const char* s, rapidjson::SizeType length, bool copy) {
        if (!isValidUtf8(std::string_view(s, length)))
            return fail(kJsonKeyNotUtf8);
        return m_document.Key(s, length, copy);
    }
    bool StartObject() { return m_document.StartObject(); }
    bool EndObject(rapidjson::SizeType members) { return m_document.EndObject(members); }
    bool StartArray() { return m_document.StartArray(); }
    bool EndArray(rapidjson::SizeType elements) { return m_document.EndArray(elements); }

private:
    bool fail(const char* message) {
        error = message;
        return false;
    }

    rapidjson::Document& m_document;
};

} // namespace

std::string_view withoutByteOrderMark(std::string_view text) {
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

[[noreturn]] void throwJsonError(const rapidjson::ParseResult& result) {
    throw DecodingError(std::string("JSON error at offset ") + std::to_string(result.Offset()) + ": " +
                        rapidjson::GetParseError_En(result.Code()));
}

namespace {

// Parses the one value that begins at the stream's position into `document`, and no further.
template <class Stream> void parseOneValue(Stream& stream, rapidjson::Document& document) {
    rapidjson::ParseResult result;
    std::string handlerError;
    const auto generate = [&](rapidjson::Document& target) {
        ExactDocumentHandler handler(target);
        rapidjson::Reader reader;
        result = reader.Parse<kJsonReaderFlags | rapidjson::kParseStopWhenDoneFlag>(stream, handler);
        handlerError = std::move(handler.error);
        return !result.IsError();
    };
    document.Populate(generate);
    if (!handlerError.empty())
        throw DecodingError(handlerError);
    if (result.IsError())
        throwJsonError(result);
}

// Each element's document lives in a pool on a buffer of its own, cleared between elements, so that most
// elements cost no allocation at all.
template <class Source>
void forEachElement(Source&& source, const char* notAnArray,
                    const std::function<void(const rapidjson::Value&)>& each) {
    constexpr std::size_t kPoolBytes = 1 << 16;
    std::vector<char> buffer(kPoolBytes);
    rapidjson::MemoryPoolAllocator<> pool(buffer.data(), buffer.size());
    rapidjson::Document document(&pool);
    parseJsonArrayElements(
        source, notAnArray, [&](auto& stream) { parseOneValue(stream, document); },
        [&] {
            each(document);
            document.SetNull();
            pool.Clear();
        });
}

} // namespace

void forEachJsonArrayElement(std::string_view text, const char* notAnArray,
                             const std::function<void(const rapidjson::Value&)>& each) {
    forEachElement(text, notAnArray, each);
}

std::size_t jsonTextSize(std::string_view text) {
    return text.size();
}

std::size_t jsonTextSize(std::FILE* file) {
    struct stat status {};
    const long at = std::ftell(file);
    if (::fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) || at < 0 || status.st_size < at)
        return 0;
    return static_cast<std::size_t>(status.st_size - at);
}

void forEachJsonArrayElement(std::FILE* file, const char* notAnArray,
                             const std::function<void(const rapidjson::Value&)>& each) {
    forEachElement(file, notAnArray, each);
}

rapidjson::Document parseJsonDocument(std::string_view whole) {
    const std::string_view text = withoutByteOrderMark(whole);
    rapidjson::Document document;
    rapidjson::MemoryStream stream(text.data(), text.size());
    parseOneValue(stream, document);
    rapidjson::SkipWhitespace(stream);
    if (stream.Peek() != '\0')
        throwJsonError(rapidjson::ParseResult(rapidjson::kParseErrorDocumentRootNotSingular, stream.Tell()));
    // The reader takes a NUL byte for the end of the text.
    if (stream.Tell() != text.size())
        throw DecodingError(kTextAfterNul);
    return document;
}

const rapidjson::Value* optionalJsonMember(const rapidjson::Value& object, const char* key) {
    if (!object.IsObject())
        throw DecodingError(std::string("expected an object holding \"") + key + "\"");
    const auto it = object.FindMember(key);
    if (it == object.MemberEnd() || it->value.IsNull())
        return nullptr;
    return &it->value;
}

const rapidjson::Value& jsonMember(const rapidjson::Value& object, const char* key) {
    const rapidjson::Value* value = optionalJsonMember(object, key);
    if (!value)
        throw DecodingError(std::string("missing key \"") + key + "\"");
    return *value;
}

namespace {

std::string exactMember(const rapidjson::Value& object, const char* key, const rapidjson::Value& v,
                        bool isPath) {
    if (!v.IsString())
        throw DecodingError(std::string("\"") + key + "\" is not a string");
    const std::string bytesKey = std::string(key) + "Bytes";
    const auto it = object.FindMember(bytesKey.c_str());
    std::string_view hex;
    if (it != object.MemberEnd()) {
        if (!it->value.IsString())
            throw DecodingError("\"" + bytesKey + "\" is not a string");
        hex = std::string_view(it->value.GetString(), it->value.GetStringLength());
    }
    ExactText exact = exactJsonText(std::string_view(v.GetString(), v.GetStringLength()),
                                    it != object.MemberEnd() ? &hex : nullptr, isPath);
    if (exact.error)
        throw DecodingError(std::string("\"") + key + "\": " + exact.error);
    return std::move(exact.text);
}

} // namespace

std::string jsonExactText(const rapidjson::Value& object, const char* key) {
    return exactMember(object, key, jsonMember(object, key), false);
}

std::string jsonPath(const rapidjson::Value& object, const char* key) {
    return exactMember(object, key, jsonMember(object, key), true);
}

std::optional<std::string> optionalJsonPath(const rapidjson::Value& object, const char* key) {
    if (const rapidjson::Value* v = optionalJsonMember(object, key))
        return exactMember(object, key, *v, true);
    if (object.HasMember((std::string(key) + "Bytes").c_str()))
        throw DecodingError(std::string("\"") + key + "Bytes\" without \"" + key + "\"");
    return std::nullopt;
}

std::string jsonPathOfKey(const rapidjson::Value& text) {
    if (!text.IsString())
        throw DecodingError("a path is not a string");
    ExactText exact = pathOfJsonKey(std::string_view(text.GetString(), text.GetStringLength()));
    if (exact.error)
        throw DecodingError(exact.error);
    return std::move(exact.text);
}

std::string jsonString(const rapidjson::Value& object, const char* key) {
    const rapidjson::Value& v = jsonMember(object, key);
    if (!v.IsString())
        throw DecodingError(std::string("\"") + key + "\" is not a string");
    return std::string(v.GetString(), v.GetStringLength());
}

std::optional<std::string> optionalJsonString(const rapidjson::Value& object, const char* key) {
    const rapidjson::Value* v = optionalJsonMember(object, key);
    if (!v)
        return std::nullopt;
    if (!v->IsString())
        throw DecodingError(std::string("\"") + key + "\" is not a string");
    return std::string(v->GetString(), v->GetStringLength());
}

bool jsonBool(const rapidjson::Value& object, const char* key) {
    const rapidjson::Value& v = jsonMember(object, key);
    if (!v.IsBool())
        throw DecodingError(std::string("\"") + key + "\" is not a Boolean");
    return v.GetBool();
}

std::optional<std::int64_t> jsonNumberAsInt64(const rapidjson::Value& v) {
    if (v.IsInt64())
        return v.GetInt64();
    return std::nullopt;
}

std::optional<std::uint64_t> jsonNumberAsUInt64(const rapidjson::Value& v) {
    if (v.IsUint64())
        return v.GetUint64();
    return std::nullopt;
}

std::optional<JsonWholeNumber> jsonWholeNumber(std::string_view text) {
    // The syntax is the reader's: -?digits(.digits)?([eE][+-]?digits)?
    std::size_t pos = 0;
    JsonWholeNumber out;
    if (pos < text.size() && text[pos] == '-') {
        out.negative = true;
        ++pos;
    }
    const std::size_t mantissaStart = pos;
    std::size_t fractionDigits = 0;
    bool inFraction = false;
    for (; pos < text.size() && text[pos] != 'e' && text[pos] != 'E'; ++pos) {
        if (text[pos] == '.')
            inFraction = true;
        else if (text[pos] < '0' || text[pos] > '9')
            return std::nullopt;
        else if (inFraction)
            ++fractionDigits;
    }
    const std::string_view mantissa = text.substr(mantissaStart, pos - mantissaStart);
    if (mantissa.empty())
        return std::nullopt;
    // The exponent, held within a bound far beyond any 64-bit value's so that it cannot overflow.
    constexpr long long kBound = 1'000'000;
    long long exponent = 0;
    if (pos < text.size()) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            negativeExponent = text[pos++] == '-';
        if (pos == text.size())
            return std::nullopt;
        for (; pos < text.size(); ++pos) {
            if (text[pos] < '0' || text[pos] > '9')
                return std::nullopt;
            exponent = std::min(exponent * 10 + (text[pos] - '0'), kBound);
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    exponent -= static_cast<long long>(fractionDigits);

    // The significant digits: leading zeros dropped, trailing zeros moved into the exponent.
    std::size_t first = 0;
    while (first < mantissa.size() && (mantissa[first] == '0' || mantissa[first] == '.'))
        ++first;
    if (first == mantissa.size())
        return out; // zero, whatever its exponent
    std::size_t last = mantissa.size();
    while (mantissa[last - 1] == '0' || mantissa[last - 1] == '.') {
        if (mantissa[last - 1] == '0')
            ++exponent;
        --last;
    }
    std::size_t digits = 0;
    for (std::size_t k = first; k < last; ++k)
        digits += mantissa[k] != '.';
    if (exponent < 0 || static_cast<long long>(digits) + exponent > 20)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t k = first; k < last; ++k) {
        if (mantissa[k] == '.')
            continue;
        if (__builtin_mul_overflow(value, 10u, &value) ||
            __builtin_add_overflow(value, static_cast<unsigned>(mantissa[k] - '0'), &value))
            return std::nullopt;
    }
    for (long long k = 0; k < exponent; ++k)
        if (__builtin_mul_overflow(value, 10u, &value))
            return std::nullopt;
    out.magnitude = value;
    return out;
}

std::int64_t jsonInt64(const rapidjson::Value& object, const char* key) {
    const auto value = jsonNumberAsInt64(jsonMember(object, key));
    if (!value)
        throw DecodingError(std::string("\"") + key + "\" is not a 64-bit integer");
    return *value;
}

std::uint64_t jsonUInt64(const rapidjson::Value& object, const char* key) {
    const auto value = jsonNumberAsUInt64(jsonMember(object, key));
    if (!value)
        throw DecodingError(std::string("\"") + key + "\" is not an unsigned 64-bit integer");
    return *value;
}

std::int64_t jsonIntInRange(const rapidjson::Value& object, const char* key, std::int64_t min,
                            std::int64_t max) {
    const std::int64_t value = jsonInt64(object, key);
    if (value < min || value > max)
        throw DecodingError(std::string("\"") + key + "\" is out of range");
    return value;
}

double jsonDouble(const rapidjson::Value& object, const char* key) {
    const rapidjson::Value& v = jsonMember(object, key);
    if (!v.IsNumber())
        throw DecodingError(std::string("\"") + key + "\" is not a number");
    const double value = v.GetDouble();
    if (!std::isfinite(value))
        throw DecodingError(std::string("\"") + key + "\" is out of range");
    return value;
}

Date jsonDate(const rapidjson::Value& object, const char* key) {
    return Date{jsonDouble(object, key)};
}

Uuid jsonUuid(const rapidjson::Value& object, const char* key) {
    const auto uuid = Uuid::parse(jsonString(object, key));
    if (!uuid)
        throw DecodingError(std::string("\"") + key + "\" is not a UUID");
    return *uuid;
}

FileIdentity readFileIdentity(const rapidjson::Value& o) {
    if (!o.IsObject())
        throw DecodingError("identity is not an object");
    FileIdentity id;
    id.device = static_cast<std::int32_t>(jsonIntInRange(o, "device", INT32_MIN, INT32_MAX));
    id.inode = jsonUInt64(o, "inode");
    id.size = jsonInt64(o, "size");
    id.modifiedSeconds = jsonInt64(o, "modifiedSeconds");
    id.modifiedNanos = jsonInt64(o, "modifiedNanos");
    id.changedSeconds = jsonInt64(o, "changedSeconds");
    id.changedNanos = jsonInt64(o, "changedNanos");
    id.mode = static_cast<std::uint16_t>(jsonIntInRange(o, "mode", 0, 65535));
    id.linkCount = static_cast<std::uint16_t>(jsonIntInRange(o, "linkCount", 0, 65535));
    return id;
}

DiskNode readDiskNode(const rapidjson::Value& o) {
    if (!o.IsObject())
        throw DecodingError("node is not an object");
    DiskNode n;
    n.path = jsonPath(o, "path");
    n.parent = optionalJsonPath(o, "parent");
    n.isDirectory = jsonBool(o, "isDirectory");
    n.isSymbolicLink = jsonBool(o, "isSymbolicLink");
    n.isCloudPlaceholder = jsonBool(o, "isCloudPlaceholder");
    n.logicalSize = jsonInt64(o, "logicalSize");
    n.allocatedSize = jsonInt64(o, "allocatedSize");
    n.ownLogicalSize = jsonInt64(o, "ownLogicalSize");
    n.ownAllocatedSize = jsonInt64(o, "ownAllocatedSize");
    n.compressedSavings = jsonInt64(o, "compressedSavings");
    n.fileCount = jsonInt64(o, "fileCount");
    n.folderCount = jsonInt64(o, "folderCount");
    n.children = readJsonArray(jsonMember(o, "children"), "\"children\" is not an array", jsonPathOfKey);
    n.created = jsonDate(o, "created");
    n.modified = jsonDate(o, "modified");
    n.accessed = jsonDate(o, "accessed");
    n.identity = readFileIdentity(jsonMember(o, "identity"));
    return n;
}

} // namespace ambertrove
