#pragma once

#include "storage/PreferenceStore.hpp"

#include <QSettings>

#include <memory>
#include <set>
#include <string>

namespace ambertrove {

// The user's settings in a QSettings store. A settings file keeps text only: a Boolean comes back as
// "true" or "false" and a list of one element as that element alone. Those are mapped back here, so that
// a setting reads as the type it was written with: the two texts become Booleans, and the keys that hold
// lists always read as lists.
class SettingsPreferences final : public PreferenceStore {
public:
    // The keys whose values are lists of strings.
    static std::set<std::string, std::less<>> defaultListKeys() { return {"recentFolders"}; }

    explicit SettingsPreferences(std::unique_ptr<QSettings> settings,
                                 std::set<std::string, std::less<>> listKeys = defaultListKeys());

    [[nodiscard]] std::optional<PreferenceValue> value(std::string_view key) const override;
    // Written through at once, so that a setting survives a crash.
    void setValue(std::string_view key, const PreferenceValue& value) override;

    [[nodiscard]] QSettings& settings() const { return *m_settings; }

private:
    std::unique_ptr<QSettings> m_settings;
    std::set<std::string, std::less<>> m_listKeys;
};

} // namespace ambertrove
