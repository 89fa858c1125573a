#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

namespace ambertrove {

// Shows an item in the file manager: asks the session's file manager over D-Bus
// (org.freedesktop.FileManager1.ShowItems with the item's file URI) and, when no file manager answers,
// opens the item's parent folder with the desktop's URL handler. Never runs a shell or the item itself.
class Reveal final {
public:
    // The two ways out, replaceable in tests.
    struct Backend {
        // Asks the file manager to show `uris`; calls `answered` later with whether it did.
        std::function<void(const QStringList& uris, std::function<void(bool shown)> answered)> showItems;
        // Opens a folder URL with the desktop; whether it could.
        std::function<bool(const QUrl& folder)> openUrl;
    };

    // The session bus and QDesktopServices.
    [[nodiscard]] static Backend systemBackend();

    explicit Reveal(Backend backend = systemBackend());

    // Reveals the item at the absolute `path`. `finished`, when given, learns which way was taken.
    enum class Outcome { shownByFileManager, openedParentFolder, failed };
    void reveal(const QString& path, std::function<void(Outcome)> finished = {}) const;

    // The URI handed to the file manager, and the folder opened in its place.
    [[nodiscard]] static QString fileUri(const QString& path);
    [[nodiscard]] static QUrl parentFolder(const QString& path);

private:
    std::shared_ptr<const Backend> m_backend;
};

} // namespace ambertrove
