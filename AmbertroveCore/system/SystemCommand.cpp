#include "system/SystemCommand.hpp"

#include "base/AmbertroveError.hpp"
#include "platform/ProcessRun.hpp"

#include <climits>
#include <cstdint>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ambertrove {

namespace {

// ICU indexes with 32 bits; a command's output is far smaller, and anything larger is refused as not text.
bool isValidUtf8(std::string_view text) {
    if (text.size() > std::size_t(INT32_MAX))
        return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

// Removes white space and line breaks (any Unicode white space) at both ends of valid UTF-8 text.
std::string trimmedWhiteSpace(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t begin = 0;
    while (begin < length) {
        std::int32_t next = begin;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (!u_isUWhiteSpace(c))
            break;
        begin = next;
    }
    std::int32_t end = length;
    while (end > begin) {
        std::int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, 0, previous, c);
        if (!u_isUWhiteSpace(c))
            break;
        end = previous;
    }
    return std::string(text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin)));
}

} // namespace

std::string SystemCommand::run(const std::string& path, const std::vector<std::string>& arguments,
                               double timeout, const TaskCancellation& cancellation) {
    cancellation.check();
    ProcessRun result = runProcess(path, arguments, timeout, kTerminationGrace, cancellation);
    if (result.cancelled)
        throw CancellationError();
    if (result.succeeded())
        return isValidUtf8(result.output) ? std::move(result.output) : std::string();
    if (!isValidUtf8(result.errorOutput))
        throw AmbertroveError("Command unavailable");
    throw AmbertroveError(trimmedWhiteSpace(result.errorOutput));
}

} // namespace ambertrove
