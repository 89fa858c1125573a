#include "controller/StateFiles.hpp"

#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupJson.hpp"
#include "controller/ErrorText.hpp"
#include "platform/AtomicFile.hpp"

#include <QDateTime>
#include <QTimeZone>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace ambertrove {

namespace {

constexpr int kMaxAsideAttempts = 1000;

// Renames without ever replacing an existing entry. Returns false when `to` exists; throws for any other
// failure.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno != EINVAL && errno != ENOSYS)
        throwSystemError(errno, EIO);
#endif
    // A file system without the exclusive rename: look first. Only this program writes the state folder.
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0)
        return false;
    if (::rename(from.c_str(), to.c_str()) != 0)
        throwSystemError(errno, EIO);
    return true;
}

std::vector<BackupReceipt> decodeBackups(std::string_view text) {
    return BackupReceipt::decodeList(text);
}

} // namespace

StateFiles::StateFiles(std::string directory, std::shared_ptr<const Clock> clock)
    : m_directory(std::move(directory))
    , m_clock(std::move(clock)) {}

std::string StateFiles::path(std::string_view name) const {
    std::string result = m_directory;
    if (result.empty() || result.back() != '/')
        result += '/';
    result += name;
    return result;
}

std::string StateFiles::unreadableName(std::string_view name) const {
    const double seconds = m_clock->now().unixSeconds();
    const QDateTime time = QDateTime::fromSecsSinceEpoch(qint64(std::floor(seconds)), QTimeZone::utc());
    std::string result(name);
    result += kUnreadableSuffix;
    result += time.toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
    return result;
}

std::string StateFiles::setAside(std::string_view name) {
    const std::string base = unreadableName(name);
    for (int attempt = 1; attempt <= kMaxAsideAttempts; ++attempt) {
        const std::string candidate = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (renameWithoutReplacing(path(name), path(candidate)))
            return candidate;
    }
    throw std::system_error(EEXIST, std::generic_category());
}

template <typename Record>
void StateFiles::loadFile(std::string_view name, const char* prefix, std::vector<Record>& into,
                          std::vector<Record> (*decode)(std::string_view), QStringList& messages) {
    QString failure;
    try {
        into = decode(readWholeFile(path(name)));
        return;
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::no_such_file_or_directory)
            return;
        failure = errorDescription(error);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    into.clear();
    QString line = QString::fromUtf8(prefix) + failure;
    try {
        const std::string aside = setAside(name);
        line += QStringLiteral(" The file was kept as “%1”.").arg(QString::fromStdString(aside));
    } catch (const std::exception& error) {
        m_heldBack.emplace(name);
        line += QStringLiteral(" The file could not be set aside (%1) and will not be written over.")
                    .arg(errorDescription(error));
    }
    messages.push_back(line);
}

StateFiles::Loaded StateFiles::load() {
    Loaded loaded;
    loadFile(kQueueFile, "Cleanup queue: ", loaded.queue, &CleanupJson::decodeEntries, loaded.messages);
    loadFile(kReceiptsFile, "Trash history: ", loaded.receipts, &CleanupJson::decodeReceipts,
             loaded.messages);
    loadFile(kBackupsFile, "Backups: ", loaded.backups, &decodeBackups, loaded.messages);
    return loaded;
}

void StateFiles::save(const std::vector<CleanupEntry>& queue, const std::vector<TrashReceipt>& receipts,
                      const std::vector<BackupReceipt>& backups) {
    saveEncoded(CleanupJson::encodeEntries(queue), receipts, backups);
}

void StateFiles::saveEncoded(const std::string& queueJson, const std::vector<TrashReceipt>& receipts,
                             const std::vector<BackupReceipt>& backups) {
    std::filesystem::create_directories(m_directory);
    std::vector<std::string> withheld;
    std::string failures;
    const auto write = [&](std::string_view name, const auto& encode) {
        if (const auto held = m_heldBack.find(name); held != m_heldBack.end()) {
            try {
                setAside(name);
                m_heldBack.erase(held);
            } catch (const std::system_error& error) {
                // Gone meanwhile: nothing is left to protect.
                if (error.code() != std::errc::no_such_file_or_directory) {
                    withheld.emplace_back(name);
                    return;
                }
                m_heldBack.erase(held);
            }
        }
        try {
            writeFileAtomically(path(name), encode());
        } catch (const std::exception& error) {
            if (!failures.empty())
                failures += ' ';
            failures += "“" + std::string(name) + "”: " + errorDescription(error).toStdString();
        }
    };
    write(kQueueFile, [&]() -> const std::string& { return queueJson; });
    write(kReceiptsFile, [&] { return CleanupJson::encodeReceipts(receipts); });
    write(kBackupsFile, [&] { return BackupReceipt::encodeList(backups); });
    std::string message;
    if (!withheld.empty()) {
        for (const std::string& name : withheld)
            message += (message.empty() ? "“" : ", “") + name + "”";
        message += " could not be read and could not be set aside, so it was not written.";
    }
    if (!failures.empty())
        message += (message.empty() ? "" : " ") + failures;
    if (!message.empty())
        throw AmbertroveError(message);
}

} // namespace ambertrove
