#include "controller/StateFiles.hpp"

#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupJson.hpp"
#include "controller/ErrorText.hpp"
#include "platform/AtomicFile.hpp"
#include "storage/AppStorage.hpp"

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
const QString kKeptInMemory = QStringLiteral(
    " The cleanup queue, Trash history and backups are kept in memory only until Ambertrove quits.");

// Renames within `folder` without ever replacing an existing entry. Returns false when `to` exists; throws
// for any other failure.
bool renameWithoutReplacing(int folder, const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno != EINVAL && errno != ENOSYS)
        throwSystemError(errno, EIO);
#endif
    // A file system without the exclusive rename: look first. Only this program writes the state folder.
    struct stat status {};
    if (::fstatat(folder, to.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        return false;
    if (::renameat(folder, from.c_str(), folder, to.c_str()) != 0)
        throwSystemError(errno, EIO);
    return true;
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

std::string StateFiles::setAside(int folder, std::string_view name) {
    const std::string base = unreadableName(name);
    for (int attempt = 1; attempt <= kMaxAsideAttempts; ++attempt) {
        const std::string candidate = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (renameWithoutReplacing(folder, std::string(name), candidate))
            return candidate;
    }
    throw std::system_error(EEXIST, std::generic_category());
}

template <typename Decode>
void StateFiles::loadFile(int folder, std::string_view name, std::uint64_t limit, const char* prefix,
                          Decode&& decode, QStringList& messages) {
    QString failure;
    try {
        readStoredFile(folder, std::string(name), limit, decode);
        return;
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::no_such_file_or_directory)
            return;
        failure = errorDescription(error);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    QString line = QString::fromUtf8(prefix) + failure;
    try {
        const std::string aside = setAside(folder, name);
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
    FileDescriptor folder;
    try {
        folder = AppStorage::openPrivateFolder(m_directory, 1, false);
    } catch (const std::system_error& error) {
        // Nothing saved yet: the first save makes the folder.
        if (error.code() == std::errc::no_such_file_or_directory)
            return loaded;
        m_refused = true;
        loaded.messages.push_back(QString::fromUtf8(kStatePrefix) + errorDescription(error) + kKeptInMemory);
        return loaded;
    } catch (const std::exception& error) {
        m_refused = true;
        loaded.messages.push_back(QString::fromUtf8(kStatePrefix) + errorDescription(error) + kKeptInMemory);
        return loaded;
    }
    // Each list is kept only once it was read whole.
    loadFile(
        folder.get(), kQueueFile, kQueueLimit,
        "Cleanup queue: ", [&](std::FILE* file) { loaded.queue = CleanupJson::decodeEntries(file); },
        loaded.messages);
    loadFile(
        folder.get(), kReceiptsFile, kReceiptsLimit,
        "Trash history: ", [&](std::FILE* file) { loaded.receipts = CleanupJson::decodeReceipts(file); },
        loaded.messages);
    loadFile(
        folder.get(), kBackupsFile, kBackupsLimit,
        "Backups: ", [&](std::FILE* file) { loaded.backups = BackupReceipt::decodeList(file); },
        loaded.messages);
    return loaded;
}

void StateFiles::save(const std::vector<CleanupEntry>& queue, const std::vector<TrashReceipt>& receipts,
                      const std::vector<BackupReceipt>& backups) {
    saveEncoded(CleanupJson::encodeEntries(queue), receipts, backups);
}

void StateFiles::save(const State& state) {
    if (state.queueJson)
        saveEncoded(*state.queueJson, state.receipts, state.backups);
    else
        save(state.queue, state.receipts, state.backups);
}

void StateFiles::saveEncoded(const std::string& queueJson, const std::vector<TrashReceipt>& receipts,
                             const std::vector<BackupReceipt>& backups) {
    if (m_refused)
        return;
    // The queue and receipts name the user's files: the folder and its files are the owner's alone.
    const FileDescriptor folder = AppStorage::openPrivateFolder(m_directory, 1, true);
    std::vector<std::string> withheld;
    std::string failures;
    const auto write = [&](std::string_view name, const auto& encode) {
        if (const auto held = m_heldBack.find(name); held != m_heldBack.end()) {
            try {
                setAside(folder.get(), name);
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
            writeFileAtomically(folder.get(), std::string(name), encode(), kPrivateFileMode);
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
