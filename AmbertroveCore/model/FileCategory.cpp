#include "model/FileCategory.hpp"

#include "base/PathText.hpp"

#include <algorithm>
#include <initializer_list>

namespace ambertrove {

namespace {

struct CategoryText {
    std::string_view raw;
    std::string_view display;
};

constexpr std::array<CategoryText, 7> kTexts = {{{"Video", "Video"},
                                                 {"Audio", "Audio"},
                                                 {"Images", "Image"},
                                                 {"Documents", "Document"},
                                                 {"Developer", "Developer"},
                                                 {"Archives", "Archive"},
                                                 {"Other", "Other"}}};

struct ExtensionList {
    FileCategory category;
    std::initializer_list<std::string_view> extensions;
};

const std::array<ExtensionList, 6>& extensionLists() {
    static const std::array<ExtensionList, 6> lists = {{
        {FileCategory::video, {"mov", "mp4", "mkv", "avi", "webm", "m4v"}},
        {FileCategory::audio, {"mp3", "wav", "flac", "aac", "m4a", "aiff"}},
        {FileCategory::image, {"png", "jpg", "jpeg", "heic", "gif", "webp", "tiff", "raw", "svg", "psd"}},
        {FileCategory::document,
         {"pdf", "doc", "docx", "txt", "md", "rtf", "pages", "xls", "xlsx", "csv", "pptx", "key", "numbers"}},
        {FileCategory::developer,
         {"swift", "js",   "ts",   "tsx", "jsx", "py", "go", "rs",    "c",     "cpp",
          "h",     "json", "html", "css", "map", "o",  "a",  "dylib", "class", "xcassets"}},
        {FileCategory::archive, {"zip", "gz", "tar", "dmg", "pkg", "7z", "rar", "xz"}},
    }};
    return lists;
}

} // namespace

std::string_view rawValue(FileCategory category) {
    return kTexts[static_cast<std::size_t>(category)].raw;
}

std::string_view displayName(FileCategory category) {
    return kTexts[static_cast<std::size_t>(category)].display;
}

std::optional<FileCategory> fileCategoryFromRawValue(std::string_view raw) {
    for (FileCategory c : kAllFileCategories)
        if (rawValue(c) == raw)
            return c;
    return std::nullopt;
}

FileCategory classifyFile(std::string_view path) {
    const std::string_view ext = PathText::pathExtension(path);
    // Every listed extension is short; a longer one cannot match.
    if (ext.empty() || ext.size() > 8)
        return FileCategory::other;
    char lower[8];
    std::transform(ext.begin(), ext.end(), lower,
                   [](char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; });
    const std::string_view key(lower, ext.size());
    for (const auto& list : extensionLists())
        for (std::string_view e : list.extensions)
            if (e == key)
                return list.category;
    return FileCategory::other;
}

} // namespace ambertrove
