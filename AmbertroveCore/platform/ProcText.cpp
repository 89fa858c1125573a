#include "platform/ProcText.hpp"

#include "platform/AtomicFile.hpp"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace ambertrove::ProcText {

std::optional<std::string> read(const std::string& path) {
    try {
        return readWholeFile(path);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!line.empty())
            result.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return result;
}

std::string_view nextField(std::string_view& rest) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t begin = rest.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(begin);
    const std::size_t end = std::min(rest.find_first_of(kBlanks), rest.size());
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end);
    return field;
}

std::optional<std::uint64_t> unsignedNumber(std::string_view text, int base) {
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X")))
        text.remove_prefix(2);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace ambertrove::ProcText
