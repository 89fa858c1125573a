#include "platform/Bundle.hpp"

#include <cctype>
#include <sys/stat.h>

namespace ambertrove::Bundle {

std::optional<PropertyList> information(const std::string& path) {
    struct stat st {};
    if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return PropertyList::readFile(path + "/Contents/Info.plist");
}

std::optional<std::string> identifier(const std::string& path) {
    const std::optional<PropertyList> info = information(path);
    if (!info)
        return std::nullopt;
    return info->string("CFBundleIdentifier");
}

bool hasApplicationExtension(std::string_view name) {
    if (name.size() < 4)
        return false;
    const std::string_view tail = name.substr(name.size() - 4);
    return tail[0] == '.' && std::tolower(static_cast<unsigned char>(tail[1])) == 'a' &&
           std::tolower(static_cast<unsigned char>(tail[2])) == 'p' &&
           std::tolower(static_cast<unsigned char>(tail[3])) == 'p';
}

bool isSystemVendorBundle(const std::string& path) {
    const std::optional<std::string> id = identifier(path);
    return id && id->starts_with("com.apple.");
}

} // namespace ambertrove::Bundle
