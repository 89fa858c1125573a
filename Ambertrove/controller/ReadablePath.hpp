#pragma once

#include <QString>

#include <optional>

namespace ambertrove {

// The display form of a searched path. Relative to `root` when the path lies below it (the part after
// root + "/"); otherwise with the data volume's mount point folded to "/" and the home folder folded to
// "~". Prefixes match only on whole user-perceived characters, so an accent or an emoji sequence that
// continues past a prefix keeps the path from matching it.
[[nodiscard]] QString readablePath(const QString& path, const std::optional<QString>& root,
                                   const QString& home);
// The same with the user's home folder as the system reports it (links not resolved).
[[nodiscard]] QString readablePath(const QString& path, const std::optional<QString>& root = std::nullopt);

} // namespace ambertrove
