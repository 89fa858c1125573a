#pragma once

#include "storage/PreferenceStore.hpp"

namespace ambertrove {

// A preference store held in memory.
class MemoryPreferenceStore final : public PreferenceStore {
public:
    MemoryPreferenceStore() = default;
    explicit MemoryPreferenceStore(PreferenceTable values)
        : m_values(std::move(values)) {}

    [[nodiscard]] std::optional<PreferenceValue> value(std::string_view key) const override;
    void setValue(std::string_view key, const PreferenceValue& value) override;
    [[nodiscard]] const PreferenceTable& values() const { return m_values; }

private:
    PreferenceTable m_values;
};

} // namespace ambertrove
