#pragma once

#include "storage/PreferenceStore.hpp"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class QSettings;

namespace ambertrove::AppEntry {

// The environment variable that names the state folder for a test run.
inline constexpr const char* kStateDirectoryVariable = "AmbertroveTestStateDirectory";

// The folder after the first argument that is exactly "--scan" (the program's path included in the
// search); nothing when there is no such argument or it is the last one. "--scan=PATH" is not the option.
[[nodiscard]] std::optional<QString> scanArgument(const QStringList& arguments);

// The state folder: the variable's value when it is an absolute path (used unchanged), else the program's
// folder for application data.
[[nodiscard]] std::string stateDirectory(const std::optional<std::string>& variable);
// The same with the variable read from the environment.
[[nodiscard]] std::string stateDirectory();

// Where the settings live: a QSettings organisation and application.
struct SettingsName {
    QString organization;
    QString application;

    friend bool operator==(const SettingsName&, const SettingsName&) = default;
};
[[nodiscard]] SettingsName settingsName();
// The former product's settings for `name`: every occurrence of the product's word replaced by the former
// one; nothing for a name of another product.
[[nodiscard]] std::optional<SettingsName> legacySettingsName(const SettingsName& name);

// The carried-over keys that `legacy` holds, read as the application reads its own settings.
[[nodiscard]] PreferenceTable legacyTable(QSettings& legacy);
// Copies the former product's settings into `target` for the keys `target` does not hold. Does nothing
// when the former product left no settings file.
void migrateLegacySettings(PreferenceStore& target, const SettingsName& current);

} // namespace ambertrove::AppEntry
