#include "storage/MemoryPreferenceStore.hpp"

namespace ambertrove {

std::optional<PreferenceValue> MemoryPreferenceStore::value(std::string_view key) const {
    if (auto it = m_values.find(key); it != m_values.end())
        return it->second;
    return std::nullopt;
}

void MemoryPreferenceStore::setValue(std::string_view key, const PreferenceValue& value) {
    m_values.insert_or_assign(std::string(key), value);
}

} // namespace ambertrove
