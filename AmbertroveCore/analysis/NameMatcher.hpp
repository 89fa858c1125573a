#pragma once

#include <string>
#include <string_view>

namespace ambertrove {

// Case-insensitive containment of a filter text in names: both sides are case-folded and put in
// canonical composed form, so "Ä" finds "ä" whether either is written precomposed or not, while a
// plain "a" does not find the "a" inside an "ä".
class NameMatcher {
public:
    explicit NameMatcher(std::string_view needle);

    [[nodiscard]] bool empty() const { return m_needle.empty(); }
    // Whether `name` (UTF-8) contains the text. Not thread-safe: it reuses a buffer.
    [[nodiscard]] bool matches(std::string_view name) const;

    // The folded, composed form of `text` in UTF-8.
    [[nodiscard]] static std::string fold(std::string_view text);

private:
    std::string m_needle;
    mutable std::string m_buffer;
};

} // namespace ambertrove
