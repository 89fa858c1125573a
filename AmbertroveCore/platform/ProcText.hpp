#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small helpers for the text files of /proc and /sys.
namespace ambertrove::ProcText {

// The whole file; nothing when it cannot be read.
std::optional<std::string> read(const std::string& path);
// The lines of `text`, empty ones dropped.
std::vector<std::string_view> lines(std::string_view text);
// Takes the next field separated by white space from the front of `rest`; empty when none is left.
std::string_view nextField(std::string_view& rest);
// A decimal (or, with `base` 16, hexadecimal with an optional "0x") number filling all of `text`.
std::optional<std::uint64_t> unsignedNumber(std::string_view text, int base = 10);

} // namespace ambertrove::ProcText
