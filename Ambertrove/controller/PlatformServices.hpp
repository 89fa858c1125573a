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
// Every dialog opens in the folder the controller names (`start`), never in the process's working folder.
class PlatformServices {
public:
    using PathChosen = std::function<void(std::optional<std::string> path)>;
    // A sentence for the user about something the desktop could not do, with the path it is about.
    using FailureReport = std::function<void(const QString& sentence)>;

    virtual ~PlatformServices() = default;

    // A folder to scan or to open, in a panel opened at `start`.
    virtual void chooseFolder(const std::string& start, PathChosen done) = 0;
    // A folder, in a panel opened at `start` whose confirm button reads `prompt` and that explains itself
    // with `message`; folders only. Without a panel of its own, the plain folder choice.
    virtual void chooseFolderWithPrompt(const QString& prompt, const QString& message,
                                        const std::string& start, PathChosen done) {
        (void)prompt;
        (void)message;
        chooseFolder(start, std::move(done));
    }
    // A folder to hold a backup before a cleanup, opened at `start`.
    virtual void chooseBackupFolder(const std::string& start, PathChosen done) = 0;
    // A file to export to, offered under `suggestedName` in the folder `start`.
    virtual void chooseSaveFile(const QString& suggestedName, const std::string& start, PathChosen done) = 0;
    virtual void copyText(const QString& text) = 0;
    // Shows the application's own read-only preview of the item; never opens or runs it.
    virtual void preview(const std::string& path) = 0;
    // Shows the item in the file manager; when no way to show it works, says so through the report.
    virtual void reveal(const std::string& path) = 0;

    // Where failures of the desktop go; the controller shows them in the window.
    void setFailureReport(FailureReport report) { m_failureReport = std::move(report); }

protected:
    PlatformServices() = default;
    PlatformServices(const PlatformServices&) = default;
    PlatformServices& operator=(const PlatformServices&) = default;

    void reportFailure(const QString& sentence) const {
        if (m_failureReport)
            m_failureReport(sentence);
    }
    // A copy, for answers that may arrive after this object is gone.
    [[nodiscard]] FailureReport failureReport() const { return m_failureReport; }

private:
    FailureReport m_failureReport;
};

// Answers every choice with nothing and ignores the rest: the controller's default until a window
// supplies the desktop's services.
class NoPlatformServices final : public PlatformServices {
public:
    void chooseFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseSaveFile(const QString&, const std::string&, PathChosen done) override { done(std::nullopt); }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}
};

} // namespace ambertrove
