#pragma once

#include <cstdint>
#include <string>

namespace ambertrove::test {

// A temporary folder made for one test and removed with everything in it (permissions restored first).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& path() const { return m_path; }
    // Absolute path of `relative` inside the folder.
    [[nodiscard]] std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

    // Each creates missing parent folders and returns the absolute path.
    std::string makeDir(const std::string& relative);
    std::string makeFile(const std::string& relative, const std::string& contents = {});
    std::string makeFileOfSize(const std::string& relative, std::int64_t size, char fill = 'x');
    std::string makeSymlink(const std::string& relative, const std::string& target);
    std::string makeHardLink(const std::string& relative, const std::string& existingRelative);
    // Sets modification and access times (seconds since 1970).
    void setTimes(const std::string& relative, std::int64_t modified, std::int64_t accessed);

private:
    std::string m_path;
};

// Removes a tree, making folders writable first. Never follows symbolic links.
void removeTree(const std::string& path);

// Sets the access time of every folder in a tree an hour ahead, so that listing them does not change it
// (a scan reads a folder's status before it lists it: two scans would otherwise differ when a second
// boundary falls in between).
void settleAccessTimes(const std::string& path);

} // namespace ambertrove::test
