#pragma once

#include "controller/AppTheme.hpp"
#include "shell/ScreenTable.hpp"
#include "shell/SettingsWindow.hpp"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

namespace ambertrove {

class AppModel;
class ContentView;
class MenuCommands;

// The one main window: the menu bar's commands and the content. The content is built anew whenever the
// theme or the appearance changes, so that every colour is read afresh; the controller's state stays.
// At its first showing it starts the scan that "--scan PATH" asks for, once per process.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr QSize kDefaultSize{1440, 940};
    static constexpr QSize kMinimumSize{1100, 720};

    // `screens` are what the content hosts; `arguments` are the process's, the program's path first.
    MainWindow(AppModel& model, ScreenTable screens, QStringList arguments, QWidget* parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    [[nodiscard]] ContentView* content() const { return m_content; }
    [[nodiscard]] MenuCommands* commands() const { return m_commands; }
    // The settings window once it was opened.
    [[nodiscard]] SettingsWindow* settingsWindow() const { return m_settings; }
    void openSettings();

signals:
    // A new content replaced the old one.
    void contentRebuilt();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void displayChanged();
    void rebuildContent();

    AppModel& m_model;
    ScreenTable m_screens;
    QStringList m_arguments;
    bool m_didInitialize = false;
    AppTheme m_builtTheme;
    bool m_builtDark;
    ContentView* m_content = nullptr;
    MenuCommands* m_commands = nullptr;
    QPointer<SettingsWindow> m_settings;
};

} // namespace ambertrove
