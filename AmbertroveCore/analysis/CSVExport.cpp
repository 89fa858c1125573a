#include "analysis/CSVExport.hpp"

#include "analysis/CancellationPoints.hpp"
#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "base/Uuid.hpp"
#include "model/FileCategory.hpp"
#include "model/JsonCoding.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FileDescriptor.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace ambertrove::CSVExport {

namespace {

struct RowFields {
    std::string_view path;
    bool isDirectory;
    std::int64_t logicalSize;
    std::int64_t allocatedSize;
    std::int64_t fileCount;
    Date modified;
};

void appendNumber(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

void appendTextField(std::string& out, std::string_view text) {
    std::string scratch;
    text = validUtf8(text, scratch);
    out.push_back('"');
    if (!text.empty()) {
        switch (text.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            out.push_back('\'');
            break;
        default:
            break;
        }
    }
    for (char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void appendRow(std::string& out, const RowFields& row) {
    appendTextField(out, row.path);
    out.push_back(',');
    appendTextField(out, PathText::name(row.path));
    out.push_back(',');
    appendNumber(out, row.logicalSize);
    out.push_back(',');
    appendNumber(out, row.allocatedSize);
    out.push_back(',');
    appendNumber(out, row.fileCount);
    out.push_back(',');
    appendTextField(out, row.isDirectory ? std::string_view("Folder") : rawValue(classifyFile(row.path)));
    out.push_back(',');
    appendTextField(out, internetDateTime(row.modified));
    out.append("\r\n");
}

// Owns the temporary file until it has been renamed: closes it and removes it on every other way out.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path)
        : m_path(std::move(path))
        , m_fd(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)) {
        if (!m_fd.valid())
            throwSystemError(errno, EIO);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        close();
        if (!m_renamed)
            ::unlink(m_path.c_str());
    }

    [[nodiscard]] int fd() const { return m_fd.get(); }
    // A failed close is not reported: by then the content was synced, or the file is being thrown away.
    void close() { m_fd.reset(); }
    void renameTo(const std::string& destination) {
        if (::rename(m_path.c_str(), destination.c_str()) != 0)
            throwSystemError(errno, EIO);
        m_renamed = true;
    }

private:
    std::string m_path;
    FileDescriptor m_fd;
    bool m_renamed = false;
};

} // namespace

std::string textField(std::string_view text) {
    std::string out;
    appendTextField(out, text);
    return out;
}

std::string internetDateTime(Date date) {
    const double seconds = std::floor(date.unixSeconds());
    // Beyond what a 64-bit time and a four-or-more-digit year can hold there is no date to write.
    if (!(std::abs(seconds) < 6.7e16))
        return {};
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!::gmtime_r(&t, &tm))
        return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(tm.tm_year) + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return buffer;
}

std::string encode(std::span<const DiskNode> nodes) {
    std::string out(kHeader);
    for (const DiskNode& n : nodes)
        appendRow(out, {n.path, n.isDirectory, n.logicalSize, n.allocatedSize, n.fileCount, n.modified});
    return out;
}

void write(std::span<const std::string> paths, const ScanResult& scan, const std::string& destination,
           const TaskCancellation& cancellation) {
    CancellationPoints points(cancellation);
    points.check();
    const std::string folder = containingFolder(destination);
    TemporaryFile temporary((folder == "/" ? "" : folder) + "/" + std::string(kTemporaryPrefix) +
                            Uuid::random().text());

    std::string buffer(kHeader);
    buffer.reserve(kWriteThreshold + 4096);
    const NodeTable& table = scan.nodes;
    std::string nodePath;
    for (const std::string& path : paths) {
        points.visit();
        const NodeIndex n = table.find(path);
        if (n == kNoNode)
            continue;
        const NodeTable::NodeRef r = table[n];
        nodePath = table.nodePath(n);
        appendRow(buffer,
                  {nodePath, r.isDirectory(), r.logicalSize(), r.allocatedSize(), r.fileCount(), r.modifiedDate()});
        if (buffer.size() >= kWriteThreshold) {
            writeAll(temporary.fd(), buffer);
            buffer.clear();
        }
    }
    writeAll(temporary.fd(), buffer);
    if (::fsync(temporary.fd()) != 0)
        throwSystemError(errno, EIO);
    points.check();
    temporary.close();
    temporary.renameTo(destination);
    syncFolder(folder); // the rename is durable once the folder is synced
}

} // namespace ambertrove::CSVExport
