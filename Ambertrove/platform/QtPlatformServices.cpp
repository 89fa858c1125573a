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

QtPlatformServices::QtPlatformServices(Reveal reveal)
    : m_reveal(std::move(reveal)) {}
QtPlatformServices::~QtPlatformServices() = default;

void QtPlatformServices::chooseFolder(const std::string& start, PathChosen done) {
    chooseFolderWithPrompt(QStringLiteral("Choose"), QStringLiteral("Choose a folder."), start,
                           std::move(done));
}

void QtPlatformServices::chooseFolderWithPrompt(const QString& prompt, const QString& message,
                                                const std::string& start, PathChosen done) {
    FileDialogs::FolderRequest request;
    request.message = message;
    request.acceptLabel = prompt;
    request.directory = pathText(start);
    FileDialogs::chooseFolder(m_window, request, asPath(std::move(done)));
}

void QtPlatformServices::chooseBackupFolder(const std::string& start, PathChosen done) {
    FileDialogs::chooseBackupFolder(m_window, pathText(start), asPath(std::move(done)));
}

void QtPlatformServices::chooseSaveFile(const QString& suggestedName, const std::string& start,
                                        PathChosen done) {
    FileDialogs::chooseSaveFile(m_window, suggestedName, pathText(start), asPath(std::move(done)));
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
    const QString shown = pathText(path);
    // The file manager answers later, possibly after this object is gone: the report goes with the call.
    m_reveal.reveal(shown, [report = failureReport(), shown](Reveal::Outcome outcome) {
        if (outcome == Reveal::Outcome::failed && report)
            report(QStringLiteral("No file manager could show “%1”.").arg(shown));
    });
}

} // namespace ambertrove
