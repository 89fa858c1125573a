#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Collator;
U_NAMESPACE_END

namespace ambertrove {

// The localized standard comparison of names, as a file browser sorts them: the user's locale,
// case-insensitive, digit runs compared by their numeric value ("x2" before "x10").
class LocalizedOrder {
public:
    // `locale` is an ICU locale name; empty means the user's default locale.
    explicit LocalizedOrder(const std::string& locale = {});
    ~LocalizedOrder();
    LocalizedOrder(const LocalizedOrder&) = delete;
    LocalizedOrder& operator=(const LocalizedOrder&) = delete;

    // Negative, zero or positive as `a` sorts before, equal to or after `b` (UTF-8 texts).
    [[nodiscard]] int compare(std::string_view a, std::string_view b) const;
    // Appends the binary sort key of `text`: keys compare with memcmp as the texts compare.
    void appendSortKey(std::string_view text, std::string& out) const;

private:
    std::unique_ptr<icu::Collator> m_collator;
};

} // namespace ambertrove
