#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ambertrove {

// A stored setting: the types the application keeps in its preferences.
using PreferenceValue = std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>>;

// A table of settings read from a preferences domain, such as the former product's.
using PreferenceTable = std::map<std::string, PreferenceValue, std::less<>>;

// The user's settings as the core sees them: a key-value store (the application backs it with its
// settings file).
class PreferenceStore {
public:
    virtual ~PreferenceStore() = default;
    // The value stored under the key, from whichever source the store reads, or nothing.
    [[nodiscard]] virtual std::optional<PreferenceValue> value(std::string_view key) const = 0;
    virtual void setValue(std::string_view key, const PreferenceValue& value) = 0;

protected:
    PreferenceStore() = default;
    PreferenceStore(const PreferenceStore&) = default;
    PreferenceStore& operator=(const PreferenceStore&) = default;
};

} // namespace ambertrove
