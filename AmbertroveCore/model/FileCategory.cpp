#include "model/FileCategory.hpp"

#include "base/PathText.hpp"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

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

constexpr std::size_t kLongestExtension = 8;

// An extension of at most kLongestExtension bytes, lower-cased, as one integer: its bytes in order, the
// rest zero. Two extensions have equal keys exactly when their lower-cased texts are equal.
std::uint64_t extensionKey(std::string_view ext) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < ext.size(); ++i) {
        const char ch = ext[i];
        const char lower = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
        key |= std::uint64_t(static_cast<unsigned char>(lower)) << (8 * i);
    }
    return key;
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
    // Called for every file of a scan, often more than once: the extension is compared as one integer
    // against a sorted table rather than as text against each listed extension in turn.
    struct Keyed {
        std::uint64_t key;
        FileCategory category;
    };
    static const std::vector<Keyed> table = [] {
        std::vector<Keyed> out;
        for (const ExtensionList& list : extensionLists())
            for (std::string_view e : list.extensions)
                out.push_back({extensionKey(e), list.category});
        std::sort(out.begin(), out.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
        return out;
    }();
    const std::string_view ext = PathText::pathExtension(path);
    // Every listed extension is short; a longer one cannot match.
    if (ext.empty() || ext.size() > kLongestExtension || ext.find('\0') != std::string_view::npos)
        return FileCategory::other;
    const std::uint64_t key = extensionKey(ext);
    const auto found = std::lower_bound(table.begin(), table.end(), key,
                                        [](const Keyed& k, std::uint64_t value) { return k.key < value; });
    return found != table.end() && found->key == key ? found->category : FileCategory::other;
}

} // namespace ambertrove
