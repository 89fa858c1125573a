#pragma once

#include <QString>

#include <exception>
#include <string>

namespace ambertrove {

// The sentence shown for an error: the core's own sentence, or the system's description of a failed call
// ("Permission denied."), ending in a full stop.
[[nodiscard]] QString errorDescription(const std::exception& error);

// A failure told with the path it is about ("Ambertrove could not scan “/a/b”. No such file or
// directory."); `description` alone when it names the path already. `action` is a verb phrase ("scan").
[[nodiscard]] QString failureAbout(const QString& action, const std::string& path,
                                   const QString& description);

} // namespace ambertrove
