#pragma once

#include "controller/PlatformServices.hpp"
#include "platform/Reveal.hpp"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace ambertrove {

class PreviewWindow;

// The desktop's services for the controller: the window's file dialogs, the clipboard, the file manager
// and the application's own preview. Dialogs open over the window set with setWindow(); before there is
// one they open on their own.
class QtPlatformServices final : public PlatformServices {
public:
    explicit QtPlatformServices(Reveal reveal = Reveal());
    ~QtPlatformServices() override;
    QtPlatformServices(const QtPlatformServices&) = delete;
    QtPlatformServices& operator=(const QtPlatformServices&) = delete;

    void setWindow(QWidget* window) { m_window = window; }

    void chooseFolder(const std::string& start, PathChosen done) override;
    void chooseFolderWithPrompt(const QString& prompt, const QString& message, const std::string& start,
                                PathChosen done) override;
    void chooseBackupFolder(const std::string& start, PathChosen done) override;
    void chooseSaveFile(const QString& suggestedName, const std::string& start, PathChosen done) override;
    void copyText(const QString& text) override;
    void preview(const std::string& path) override;
    void reveal(const std::string& path) override;

    // The preview window once an item was previewed.
    [[nodiscard]] PreviewWindow* previewWindow() const { return m_preview.get(); }

private:
    QPointer<QWidget> m_window;
    Reveal m_reveal;
    std::unique_ptr<PreviewWindow> m_preview;
};

} // namespace ambertrove
