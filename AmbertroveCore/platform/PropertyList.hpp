#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ambertrove {

// The text values of a property list's top-level dictionary, by key. Reads the XML and the binary forms;
// values of other types (numbers, arrays, nested dictionaries) are left out.
class PropertyList {
public:
    // Absent when the file cannot be read or does not hold a dictionary.
    static std::optional<PropertyList> readFile(const std::string& path);
    static std::optional<PropertyList> parse(std::string_view data);

    [[nodiscard]] std::optional<std::string> string(std::string_view key) const;
    [[nodiscard]] const std::map<std::string, std::string, std::less<>>& strings() const { return m_strings; }

private:
    std::map<std::string, std::string, std::less<>> m_strings;
};

} // namespace ambertrove
