#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace ambertrove {

enum class FileCategory { video, audio, image, document, developer, archive, other };

inline constexpr std::array<FileCategory, 7> kAllFileCategories = {
    FileCategory::video,     FileCategory::audio,   FileCategory::image, FileCategory::document,
    FileCategory::developer, FileCategory::archive, FileCategory::other};

// The plural text used in the CSV export and the file-type filter ("Images").
std::string_view rawValue(FileCategory category);
// The singular text shown in pickers, the kind column and the inspector ("Image").
std::string_view displayName(FileCategory category);
// Exactly one of the seven raw values, case-sensitive; nothing otherwise.
std::optional<FileCategory> fileCategoryFromRawValue(std::string_view raw);
// From the lower-cased extension of the path's name; `other` when nothing matches.
FileCategory classifyFile(std::string_view path);

} // namespace ambertrove
