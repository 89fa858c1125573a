#include "platform/PropertyList.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ambertrove {

namespace {

// Property lists of bundles are small; anything larger is not one and is not read into memory.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

struct PlistFree {
    void operator()(plist_t p) const { plist_free(p); }
};

std::optional<std::string> readSmallFile(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> out;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize) {
        std::string data(static_cast<std::size_t>(st.st_size), '\0');
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        if (done == data.size())
            out = std::move(data);
    }
    ::close(fd);
    return out;
}

} // namespace

std::optional<PropertyList> PropertyList::readFile(const std::string& path) {
    const std::optional<std::string> data = readSmallFile(path);
    if (!data)
        return std::nullopt;
    return parse(*data);
}

std::optional<PropertyList> PropertyList::parse(std::string_view data) {
    if (data.empty() || data.size() > static_cast<std::size_t>(kMaxFileSize))
        return std::nullopt;
    plist_t raw = nullptr;
    plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &raw);
    std::unique_ptr<void, PlistFree> root(raw);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    PropertyList list;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(root.get(), &it);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), it, &key, &value);
        if (!value) {
            std::free(key);
            break;
        }
        if (key && plist_get_node_type(value) == PLIST_STRING) {
            char* text = nullptr;
            plist_get_string_val(value, &text);
            if (text)
                list.m_strings.emplace(key, text);
            std::free(text);
        }
        std::free(key);
    }
    std::free(it);
    return list;
}

std::optional<std::string> PropertyList::string(std::string_view key) const {
    const auto it = m_strings.find(key);
    if (it == m_strings.end())
        return std::nullopt;
    return it->second;
}

} // namespace ambertrove
