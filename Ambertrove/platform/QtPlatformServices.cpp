#include "platform/QtPlatformServices.hpp"

#include "platform/Clipboard.hpp"
#include "platform/FileDialogs.hpp"
#include "platform/PreviewWindow.hpp"

#include <QFile>

namespace ambertrove {

namespace {

// The dialogs give text; the controller keeps paths as the file system's bytes.
FileDialogs::Done asPath(PlatformServices::PathChosen done) {
    return [done = std::move(done)](std::optional<QString> chosen) {
        if (chosen)
            done(QFile::encodeName(*chosen).toStdString());
        else
            done(std::nullopt);
    };
}

QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

QtPlatformServices::QtPlatformServices() = default;
QtPlatformServices::~QtPlatformServices() = default;

void QtPlatformServices::chooseFolder(PathChosen done) {
    chooseFolderWithPrompt(QStringLiteral("Choose"), QStringLiteral("Choose a folder."), std::move(done));
}

void QtPlatformServices::chooseFolderWithPrompt(const QString& prompt, const QString& message,
                                                PathChosen done) {
    FileDialogs::FolderRequest request;
    request.message = message;
    request.acceptLabel = prompt;
    FileDialogs::chooseFolder(m_window, request, asPath(std::move(done)));
}

void QtPlatformServices::chooseBackupFolder(const std::string& start, PathChosen done) {
    FileDialogs::chooseBackupFolder(m_window, pathText(start), asPath(std::move(done)));
}

void QtPlatformServices::chooseSaveFile(const QString& suggestedName, PathChosen done) {
    FileDialogs::chooseSaveFile(m_window, suggestedName, asPath(std::move(done)));
}

void QtPlatformServices::copyText(const QString& text) {
    Clipboard::copyText(text);
}

void QtPlatformServices::preview(const std::string& path) {
    if (!m_preview) {
        m_preview = std::make_unique<PreviewWindow>();
        // A panel beside the window: closing the main window still quits with the preview open.
        m_preview->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_preview->preview(pathText(path));
}

void QtPlatformServices::reveal(const std::string& path) {
    m_reveal.reveal(pathText(path));
}

} // namespace ambertrove
