#pragma once

#include "support/TempDir.hpp"

#include <optional>
#include <string>

namespace ambertrove::test {

// One "<key>…</key><string>…</string>" pair of a property list.
inline std::string plistString(const std::string& key, const std::string& value) {
    return "<key>" + key + "</key><string>" + value + "</string>";
}

// An XML property list whose top-level dictionary holds `entries`.
inline std::string plistDocument(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\"><dict>" +
           entries + "</dict></plist>\n";
}

// A bundle folder at `relative` with a "Contents/Info.plist" naming `identifier` (none when absent) and the
// further raw `entries`, and a small executable so that it has some size. Returns its absolute path.
inline std::string makeBundle(TempDir& dir, const std::string& relative,
                              const std::optional<std::string>& identifier, const std::string& entries = {}) {
    const std::string info =
        (identifier ? plistString("CFBundleIdentifier", *identifier) : std::string()) + entries;
    dir.makeFile(relative + "/Contents/Info.plist", plistDocument(info));
    dir.makeFileOfSize(relative + "/Contents/MacOS/main", 100);
    return dir / relative;
}

} // namespace ambertrove::test
