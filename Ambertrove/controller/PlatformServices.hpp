#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace ambertrove {

// What the controller asks of the desktop. Dialogs are modeless (the window opens them and returns at
// once), so every choice is answered later through its callback, on the GUI thread, with nothing when
// the user cancels. The window supplies the real implementation; tests record the calls and answer them.
class PlatformServices {
public:
    using PathChosen = std::function<void(std::optional<std::string> path)>;

    virtual ~PlatformServices() = default;

    // A folder to scan or to open.
    virtual void chooseFolder(PathChosen done) = 0;
    // A folder, in a panel whose confirm button reads `prompt` and that explains itself with `message`;
    // folders only. Without a panel of its own, the plain folder choice.
    virtual void chooseFolderWithPrompt(const QString& prompt, const QString& message, PathChosen done) {
        (void)prompt;
        (void)message;
        chooseFolder(std::move(done));
    }
    // A folder to hold a backup before a cleanup; `start` is the folder chosen last time (may be empty).
    virtual void chooseBackupFolder(const std::string& start, PathChosen done) = 0;
    // A file to export to, offered under `suggestedName`.
    virtual void chooseSaveFile(const QString& suggestedName, PathChosen done) = 0;
    virtual void copyText(const QString& text) = 0;
    // Shows the application's own read-only preview of the item; never opens or runs it.
    virtual void preview(const std::string& path) = 0;
    // Shows the item in the file manager.
    virtual void reveal(const std::string& path) = 0;

protected:
    PlatformServices() = default;
    PlatformServices(const PlatformServices&) = default;
    PlatformServices& operator=(const PlatformServices&) = default;
};

// Answers every choice with nothing and ignores the rest: the controller's default until a window
// supplies the desktop's services.
class NoPlatformServices final : public PlatformServices {
public:
    void chooseFolder(PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseSaveFile(const QString&, PathChosen done) override { done(std::nullopt); }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}
};

} // namespace ambertrove
