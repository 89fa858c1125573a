#include "AppScreens.hpp"
#include "WindowProbe.hpp"
#include "controller/AppModel.hpp"
#include "controller/SettingsPreferences.hpp"
#include "platform/QtPlatformServices.hpp"
#include "shell/AppEntry.hpp"
#include "shell/FirstPaintReport.hpp"
#include "shell/MainWindow.hpp"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSettings>

#include <memory>

using namespace ambertrove;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const AppEntry::SettingsName name = AppEntry::settingsName();
    QApplication::setOrganizationName(name.organization);
    QApplication::setApplicationName(name.application);
    // The icon's renders are built in, so the window has it wherever the program runs from; the desktop
    // file name ties the window to the installed menu entry (and its icon) on Wayland.
    QIcon icon;
    for (const QFileInfo& render : QDir(QStringLiteral(":/icons")).entryInfoList(QDir::Files))
        icon.addFile(render.filePath());
    QApplication::setWindowIcon(icon);
    QApplication::setDesktopFileName(QStringLiteral("ambertrove"));

    // The settings: the former product's carried over first, so that the controller reads them.
    auto preferences = std::make_shared<SettingsPreferences>(std::make_unique<QSettings>(
        QSettings::IniFormat, QSettings::UserScope, name.organization, name.application));
    AppEntry::migrateLegacySettings(*preferences, name);

    const std::string stateDirectory = AppEntry::stateDirectory();
    auto platform = std::make_shared<QtPlatformServices>();
    AppEnvironment environment(SnapshotStore::inStateFolder(stateDirectory), stateDirectory, true,
                               preferences);
    environment.platform = platform;
    AppModel model(std::move(environment));

    MainWindow window(model, appScreens(), QApplication::arguments());
    platform->setWindow(&window);
    // Only for the test that drives this program under an X server; nothing unless its variable asks.
    WindowProbe::startIfAsked(model, window);
    FirstPaintReport::installFromEnvironment(window);
    window.show();
    // Started from a terminal or another program, the window comes to the front.
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}
