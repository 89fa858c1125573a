#pragma once

#include "base/AmbertroveError.hpp"
#include "base/Date.hpp"
#include "base/Uuid.hpp"
#include "model/DiskNode.hpp"
#include "model/FileIdentity.hpp"

#include <rapidjson/document.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
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
// A date as a JSON number. Throws EncodingError for a date that is not finite (it has no JSON form).
void writeJsonDate(JsonWriter& writer, Date date);
// Any double likewise.
void writeJsonDouble(JsonWriter& writer, double value, const char* what);
void writeJsonUuid(JsonWriter& writer, const Uuid& uuid);
void writeFileIdentity(JsonWriter& writer, const FileIdentity& identity);
void writeDiskNode(JsonWriter& writer, const DiskNode& node);
// `text` when it is valid UTF-8, else a copy in `scratch` with U+FFFD for every bad sequence.
std::string_view validUtf8(std::string_view text, std::string& scratch);

// Paths are bytes, and so are texts made from them (a title from a folder's name, a message naming a
// path). A text that is not UTF-8 is stored as its readable form (U+FFFD for every bad sequence), which
// other readers show, and beside it, under the key's name followed by "Bytes", its exact bytes in
// lower-case hexadecimal, which other readers skip: "name":"caf\uFFFD","nameBytes":"636166e9". Readers here
// take the exact bytes when they are there, and refuse them when their readable form is not the stored
// text. A path also never holds NUL: writing one throws EncodingError, reading one DecodingError.
void writeJsonExactText(JsonWriter& writer, std::string_view key, std::string_view text);
void writeJsonPath(JsonWriter& writer, std::string_view key, std::string_view path);
// Where a path is the name of a member or an element of a list, nothing can stand beside it: a path that
// is not UTF-8 is then stored as its readable form, a NUL and its exact bytes in lower-case hexadecimal.
// No path holds NUL, so such a text never equals another path's.
void writeJsonPathKey(JsonWriter& writer, std::string_view path);
void writeJsonPathValue(JsonWriter& writer, std::string_view path);
// The exact bytes of a text written in either form, or why they cannot be taken (the text's own check of
// NUL included); `hex` is the "Bytes" member's text when there is one.
struct ExactText {
    std::string text;
    const char* error = nullptr;
};
ExactText exactJsonText(std::string_view readable, const std::string_view* hex, bool isPath);
ExactText pathOfJsonKey(std::string_view keyText);

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

// A leading UTF-8 byte-order mark: readers skip it; any other leading bytes belong to the text.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
std::string_view withoutByteOrderMark(std::string_view text);
// Why a text that goes on after a NUL byte is refused (the JSON reader takes NUL for the end of the text).
inline constexpr const char* kTextAfterNul = "the text goes on after a NUL character";
// Whether `text` holds a NUL character, which no path can.
inline bool holdsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

// The flags of every JSON reader here: texts are checked for UTF-8 by the handlers, which is much faster
// than the reader's own check, and numbers arrive as their text to be converted exactly.
inline constexpr unsigned kJsonReaderFlags =
    rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag;

// A file read in large blocks, for the JSON reader. Like RapidJSON's own file stream it answers NUL at the
// end, and it tells whether a NUL it answered was the end of the file or a byte of the text.
class JsonFileInput {
public:
    using Ch = char;

    explicit JsonFileInput(std::FILE* file)
        : m_file(file)
        , m_buffer(kBlock + 1) {
        m_current = m_end = m_buffer.data();
        refill();
        // A byte-order mark is skipped when it is all there; stray bytes of one are the text's and the
        // reader refuses them.
        if (m_end - m_current >= 3 && std::string_view(m_current, 3) == kByteOrderMark) {
            m_current += 3;
            m_skipped = 3;
        }
    }

    RAPIDJSON_FORCEINLINE Ch Peek() const { return *m_current; }
    RAPIDJSON_FORCEINLINE Ch Take() {
        const Ch c = *m_current;
        if (m_current < m_end) {
            ++m_current;
            if (m_current == m_end)
                refill();
        }
        return c;
    }
    std::size_t Tell() const {
        return m_consumed + static_cast<std::size_t>(m_current - m_buffer.data()) - m_skipped;
    }
    // Whether every byte of the file was read.
    bool atEnd() const { return m_eof && m_current == m_end; }

    // Writing is not supported (nor used by a reader that does not parse in place).
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    std::size_t PutEnd(Ch*) { return 0; }

private:
    static constexpr std::size_t kBlock = 1 << 16;

    [[gnu::noinline]] void refill() {
        m_consumed += static_cast<std::size_t>(m_end - m_buffer.data());
        std::size_t count = 0;
        if (!m_eof) {
            count = std::fread(m_buffer.data(), 1, kBlock, m_file);
            m_eof = count < kBlock;
        }
        m_current = m_buffer.data();
        m_end = m_current + count;
        *m_end = '\0'; // what Peek answers at the end
    }

    std::FILE* m_file;
    std::vector<char> m_buffer;
    char* m_current = nullptr;
    char* m_end = nullptr;
    std::size_t m_consumed = 0;
    std::size_t m_skipped = 0;
    bool m_eof = false;
};

} // namespace ambertrove

namespace rapidjson {
// The reader skips white space before and after every token; files written here hold none, so each skip
// is one test, which should not cost a call.
template <> inline RAPIDJSON_FORCEINLINE void SkipWhitespace(ambertrove::JsonFileInput& is) {
    char c;
    while ((c = is.Peek()) == ' ' || c == '\n' || c == '\r' || c == '\t')
        is.Take();
}
} // namespace rapidjson

namespace ambertrove {

// Reading from a parsed document. Each throws DecodingError naming the key when it is missing or of the
// wrong type; integers must fit their field. The whole text is read: a byte-order mark is skipped, and
// a text that is not UTF-8 (lone surrogate escapes included) or goes on after a NUL byte is refused.
rapidjson::Document parseJsonDocument(std::string_view text);
const rapidjson::Value& jsonMember(const rapidjson::Value& object, const char* key);
const rapidjson::Value* optionalJsonMember(const rapidjson::Value& object, const char* key);
std::string jsonString(const rapidjson::Value& object, const char* key);
// Texts and paths written by writeJsonExactText() and writeJsonPath().
std::string jsonExactText(const rapidjson::Value& object, const char* key);
std::string jsonPath(const rapidjson::Value& object, const char* key);
std::optional<std::string> optionalJsonPath(const rapidjson::Value& object, const char* key);
// The path of a member's name or a list's element written by writeJsonPathKey() or writeJsonPathValue().
std::string jsonPathOfKey(const rapidjson::Value& text);
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

// The error of the JSON reader as a DecodingError: "JSON error at offset N: " and what went wrong.
[[noreturn]] void throwJsonError(const rapidjson::ParseResult& result);

// Parses the one value that begins at the stream's position with `handler`, and no further, with the
// reader flags of every reader here. `handler` has a string `error`, set when it refuses an event (answers
// false); its refusal wins over the reader's own error. Throws DecodingError.
template <class Stream, class Handler>
void parseJsonValue(rapidjson::Reader& reader, Stream& stream, Handler& handler) {
    const rapidjson::ParseResult result =
        reader.Parse<kJsonReaderFlags | rapidjson::kParseStopWhenDoneFlag>(stream, handler);
    if (!handler.error.empty())
        throw DecodingError(handler.error);
    if (result.IsError())
        throwJsonError(result);
}

// The driving of a stored list (a JSON array) read one element at a time: `parse(stream)` parses the value
// at the stream's position (and throws what it refuses), `each()` takes the element just parsed. A text that
// is not an array is parsed whole by `parse` all the same, to tell a broken text from one that is merely
// not an array (DecodingError(`notAnArray`)). Every reader of a list goes through here, so that all check
// the text alike: a byte-order mark is skipped, the whole text is read, and a text that goes on after a
// NUL byte is refused. Reading from a file also throws std::system_error when the file cannot be read.
template <class Stream, class Parse, class Each>
void parseJsonArrayStream(Stream& stream, const char* notAnArray, Parse&& parse, Each&& each) {
    const auto fail = [&](rapidjson::ParseErrorCode code) {
        throwJsonError(rapidjson::ParseResult(code, stream.Tell()));
    };
    rapidjson::SkipWhitespace(stream);
    if (stream.Peek() != '[') {
        parse(stream);
        rapidjson::SkipWhitespace(stream);
        if (stream.Peek() != '\0')
            fail(rapidjson::kParseErrorDocumentRootNotSingular);
        throw DecodingError(notAnArray);
    }
    stream.Take();
    rapidjson::SkipWhitespace(stream);
    if (stream.Peek() == ']') {
        stream.Take();
    } else {
        for (;;) {
            parse(stream);
            each();
            rapidjson::SkipWhitespace(stream);
            const char c = stream.Peek();
            if (c != ',' && c != ']')
                fail(rapidjson::kParseErrorArrayMissCommaOrSquareBracket);
            stream.Take();
            if (c == ']')
                break;
            rapidjson::SkipWhitespace(stream);
        }
    }
    rapidjson::SkipWhitespace(stream);
    if (stream.Peek() != '\0')
        fail(rapidjson::kParseErrorDocumentRootNotSingular);
}
template <class Parse, class Each>
void parseJsonArrayElements(std::string_view whole, const char* notAnArray, Parse&& parse, Each&& each) {
    const std::string_view text = withoutByteOrderMark(whole);
    rapidjson::MemoryStream stream(text.data(), text.size());
    parseJsonArrayStream(stream, notAnArray, parse, each);
    // The reader takes a NUL byte for the end of the text.
    if (stream.Tell() != text.size())
        throw DecodingError(kTextAfterNul);
}
template <class Parse, class Each>
void parseJsonArrayElements(std::FILE* file, const char* notAnArray, Parse&& parse, Each&& each) {
    JsonFileInput stream(file);
    try {
        parseJsonArrayStream(stream, notAnArray, parse, each);
    } catch (const DecodingError&) {
        // A failed read ends the stream early, so the text looks cut short: report the read instead.
        if (std::ferror(file))
            throwSystemError(errno, EIO);
        throw;
    }
    if (std::ferror(file))
        throwSystemError(errno, EIO);
    if (!stream.atEnd())
        throw DecodingError(kTextAfterNul);
}

// A stored list (a JSON array) read one element at a time: each element is parsed into a small document,
// handed to `each` and dropped, so that reading holds one element besides what `each` keeps, never the
// whole text or a document of it. The text is checked as parseJsonDocument checks it. Throws
// DecodingError(`notAnArray`) when the text is not an array, DecodingError for anything else wrong with it,
// and whatever `each` throws; reading from a file also std::system_error when the file cannot be read.
void forEachJsonArrayElement(std::string_view text, const char* notAnArray,
                             const std::function<void(const rapidjson::Value&)>& each);
void forEachJsonArrayElement(std::FILE* file, const char* notAnArray,
                             const std::function<void(const rapidjson::Value&)>& each);
// The size of a text, or of what is left of a file (0 when it cannot be told).
std::size_t jsonTextSize(std::string_view text);
std::size_t jsonTextSize(std::FILE* file);

// Each element of a stored list read by `read(element)`, in order, from a text or a file (see
// forEachJsonArrayElement). `smallestElement` is the fewest bytes an element can be written in: room for
// as many elements as the text could hold is set aside first, so that the list is never moved while it
// grows (room that is never used is never touched, and costs no memory).
template <class Source, class Read>
auto readJsonList(Source&& source, const char* notAnArray, std::size_t smallestElement, Read&& read)
    -> std::vector<std::decay_t<std::invoke_result_t<Read&, const rapidjson::Value&>>> {
    std::vector<std::decay_t<std::invoke_result_t<Read&, const rapidjson::Value&>>> out;
    out.reserve(jsonTextSize(source) / std::max<std::size_t>(smallestElement, 1));
    forEachJsonArrayElement(source, notAnArray,
                            [&](const rapidjson::Value& element) { out.push_back(read(element)); });
    return out;
}

// The exact value of the text of a JSON number when it is a whole number whose magnitude fits 64 bits
// ("4.096e3" is 4096; "1.5", "1e-3" and "1e20" are not), else nothing.
struct JsonWholeNumber {
    bool negative = false;
    std::uint64_t magnitude = 0;
};
std::optional<JsonWholeNumber> jsonWholeNumber(std::string_view text);

// A JSON number converted exactly from its text: an integer when the text has no fraction or exponent and
// fits 64 bits, else the nearest double together with its text, from which the integer fields take their
// exact whole value (never the rounded double's).
struct JsonNumber {
    enum Kind { Signed, Unsigned, Floating } kind = Signed;
    std::int64_t i = 0;
    std::uint64_t u = 0;
    double d = 0;
    // A Floating number's text; it lasts only as long as the reader's event.
    std::string_view text;

    static JsonNumber ofSigned(std::int64_t v) { return JsonNumber{Signed, v, 0, 0, {}}; }
    static JsonNumber ofUnsigned(std::uint64_t v) {
        return v <= static_cast<std::uint64_t>(INT64_MAX) ? ofSigned(static_cast<std::int64_t>(v))
                                                          : JsonNumber{Unsigned, 0, v, 0, {}};
    }
    static JsonNumber ofDouble(double v, std::string_view text) {
        return JsonNumber{Floating, 0, 0, v, text};
    }

    [[nodiscard]] std::optional<std::int64_t> asInt64() const {
        switch (kind) {
        case Signed:
            return i;
        case Unsigned:
            if (u <= static_cast<std::uint64_t>(INT64_MAX))
                return static_cast<std::int64_t>(u);
            return std::nullopt;
        case Floating:
            if (const auto whole = jsonWholeNumber(text)) {
                if (!whole->negative && whole->magnitude <= static_cast<std::uint64_t>(INT64_MAX))
                    return static_cast<std::int64_t>(whole->magnitude);
                if (whole->negative && whole->magnitude <= (std::uint64_t(1) << 63))
                    return static_cast<std::int64_t>(0 - whole->magnitude);
            }
            return std::nullopt;
        }
        return std::nullopt;
    }
    [[nodiscard]] std::optional<std::uint64_t> asUInt64() const {
        switch (kind) {
        case Signed:
            if (i >= 0)
                return static_cast<std::uint64_t>(i);
            return std::nullopt;
        case Unsigned:
            return u;
        case Floating:
            if (const auto whole = jsonWholeNumber(text);
                whole && (!whole->negative || whole->magnitude == 0))
                return whole->magnitude;
            return std::nullopt;
        }
        return std::nullopt;
    }
    [[nodiscard]] double asDouble() const {
        return kind == Signed ? double(i) : kind == Unsigned ? double(u) : d;
    }
};

enum class JsonNumberError { None, OutOfRange, Unreadable };

// Converts the text of a number whose syntax the JSON reader has checked (the reader hands numbers over
// as text: its own conversion misbehaves on some crafted numbers). A value beyond a double's range, either
// way, is OutOfRange: never an infinity or another finite value.
inline JsonNumberError convertJsonNumber(const char* text, std::size_t length, JsonNumber& number) {
    const char* end = text + length;
    // An integer is read whole when the text has no fraction or exponent (which would stop the reading
    // short) and fits 64 bits; any other number is a double.
    if (length > 0 && *text == '-') {
        std::int64_t value = 0;
        if (const auto [p, ec] = std::from_chars(text, end, value); ec == std::errc() && p == end) {
            number = JsonNumber::ofSigned(value);
            return JsonNumberError::None;
        }
    } else {
        std::uint64_t value = 0;
        if (const auto [p, ec] = std::from_chars(text, end, value); ec == std::errc() && p == end) {
            number = JsonNumber::ofUnsigned(value);
            return JsonNumberError::None;
        }
    }
    double value = 0;
    const auto [p, ec] = std::from_chars(text, end, value);
    if (ec == std::errc::result_out_of_range)
        return JsonNumberError::OutOfRange;
    if (ec != std::errc() || p != end || !std::isfinite(value))
        return JsonNumberError::Unreadable;
    number = JsonNumber::ofDouble(value, std::string_view(text, length));
    return JsonNumberError::None;
}

// What the checks of every reader here call a text or a key that is not UTF-8 (the reader lets escapes of
// lone surrogates through), and a number they cannot take.
inline constexpr const char* kJsonTextNotUtf8 = "a text is not UTF-8";
inline constexpr const char* kJsonKeyNotUtf8 = "a key is not UTF-8";
inline constexpr const char* kJsonNumberOutOfRange = "a number is out of range";
inline constexpr const char* kJsonNumberUnreadable = "a number cannot be read";

// The number of a reader's event as every reader here keeps it: a whole number as an integer however it is
// written (signed whenever it fits), anything else as a double; nothing, with why in `why`, when it is
// refused.
inline std::optional<JsonNumber> keptJsonNumber(const char* text, std::size_t length, const char*& why) {
    // The forms written here, "123" and a date's "123.0", are taken at once when they are short enough to
    // fit whatever their digits (the reader has checked the syntax: no leading zeros).
    {
        const bool negative = length > 0 && text[0] == '-';
        std::size_t digits = length - (negative ? 1 : 0);
        if (digits > 2 && text[length - 2] == '.' && text[length - 1] == '0')
            digits -= 2;
        const char* first = text + (negative ? 1 : 0);
        if (digits > 0 && digits <= 18 && (first + digits == text + length || first[digits] == '.')) {
            std::int64_t value = 0;
            bool plain = true;
            for (std::size_t k = 0; k < digits && plain; ++k) {
                plain = first[k] >= '0' && first[k] <= '9';
                value = value * 10 + (first[k] - '0');
            }
            if (plain)
                return JsonNumber::ofSigned(negative ? -value : value);
        }
    }
    JsonNumber n;
    switch (convertJsonNumber(text, length, n)) {
    case JsonNumberError::None:
        break;
    case JsonNumberError::OutOfRange:
        why = kJsonNumberOutOfRange;
        return std::nullopt;
    case JsonNumberError::Unreadable:
        why = kJsonNumberUnreadable;
        return std::nullopt;
    }
    if (n.kind != JsonNumber::Floating)
        return n;
    if (const auto i = n.asInt64())
        return JsonNumber::ofSigned(*i);
    if (const auto u = n.asUInt64())
        return JsonNumber::ofUnsigned(*u);
    n.text = {};
    return n;
}

// Conversions of a value of a parsed document (a whole number given with a fraction or exponent is stored
// as an integer; a double is never taken for one).
std::optional<std::int64_t> jsonNumberAsInt64(const rapidjson::Value& value);
std::optional<std::uint64_t> jsonNumberAsUInt64(const rapidjson::Value& value);

} // namespace ambertrove
