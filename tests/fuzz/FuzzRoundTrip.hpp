// What every reader's fuzz target checks: a text the reader accepts is written back, and that text reads
// back as an equal value. Any other exception, a writer's refusal included, ends the run as a crash.
#pragma once

#include "base/AmbertroveError.hpp"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace ambertrove::fuzz {

[[noreturn]] inline void failed(const char* what) {
    std::fprintf(stderr, "round trip failed: %s\n", what);
    std::abort();
}

// `decode(text)` when it accepts the text; nothing when it refuses it with DecodingError.
template <class Decode> auto accepted(Decode&& decode, std::string_view text) {
    using Value = decltype(decode(text));
    try {
        return std::optional<Value>(decode(text));
    } catch (const DecodingError&) {
        return std::optional<Value>();
    }
}

// Checks the round trip of one input. `sameText`: whether writing the read-back value must give the very
// same text (records, whose keys are ordered) or only one of the same length (scans, whose members may
// come in another order).
template <class Decode, class Encode>
void checkRoundTrip(std::string_view text, Decode&& decode, Encode&& encode, bool sameText) {
    const auto value = accepted(decode, text);
    if (!value)
        return;
    const std::string written = encode(*value);
    const auto back = accepted(decode, written);
    if (!back)
        failed("the written text is refused");
    if (!(*back == *value))
        failed("the written text reads as another value");
    const std::string again = encode(*back);
    if (sameText ? again != written : again.size() != written.size())
        failed("writing the value again gives another text");
}

} // namespace ambertrove::fuzz
