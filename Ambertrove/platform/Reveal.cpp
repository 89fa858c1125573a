#include "platform/Reveal.hpp"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace ambertrove {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObject = QStringLiteral("/org/freedesktop/FileManager1");
const QString kInterface = QStringLiteral("org.freedesktop.FileManager1");

void showItemsOverDBus(const QStringList& uris, std::function<void(bool)> answered) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        answered(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kObject, kInterface, QStringLiteral("ShowItems"));
    call << uris << QString();
    // Asynchronous: activating a file manager can take a while and the window must not wait for it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), nullptr);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [answered = std::move(answered)](QDBusPendingCallWatcher* finished) {
                         const bool shown = !finished->isError();
                         finished->deleteLater();
                         answered(shown);
                     });
}

} // namespace

Reveal::Backend Reveal::systemBackend() {
    Backend backend;
    backend.showItems = showItemsOverDBus;
    backend.openUrl = [](const QUrl& folder) { return QDesktopServices::openUrl(folder); };
    return backend;
}

Reveal::Reveal(Backend backend)
    : m_backend(std::make_shared<const Backend>(std::move(backend))) {}

QString Reveal::fileUri(const QString& path) {
    return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
}

QUrl Reveal::parentFolder(const QString& path) {
    // Text only: no file-system call, so it is safe on the GUI thread.
    return QUrl::fromLocalFile(QFileInfo(path).absolutePath());
}

void Reveal::reveal(const QString& path, std::function<void(Outcome)> finished) const {
    std::shared_ptr<const Backend> backend = m_backend;
    const auto fallBack = [backend, path, finished] {
        const bool opened = backend->openUrl && backend->openUrl(parentFolder(path));
        if (finished)
            finished(opened ? Outcome::openedParentFolder : Outcome::failed);
    };
    if (!backend->showItems) {
        fallBack();
        return;
    }
    backend->showItems({fileUri(path)}, [fallBack, finished](bool shown) {
        if (!shown) {
            fallBack();
            return;
        }
        if (finished)
            finished(Outcome::shownByFileManager);
    });
}

} // namespace ambertrove
