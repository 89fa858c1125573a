#include "shell/MainWindow.hpp"

#include "controller/AppModel.hpp"
#include "shell/AppEntry.hpp"
#include "shell/ContentView.hpp"
#include "shell/MenuCommands.hpp"
#include "shell/SettingsWindow.hpp"
#include "shell/ThemePalette.hpp"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

namespace ambertrove {

MainWindow::MainWindow(AppModel& model, ScreenTable screens, QStringList arguments, QWidget* parent)
    : QMainWindow(parent)
    , m_model(model)
    , m_screens(std::move(screens))
    , m_arguments(std::move(arguments))
    , m_builtTheme(model.theme())
    , m_builtDark(model.dark()) {
    setWindowTitle(QStringLiteral("Ambertrove"));
    setMinimumSize(kMinimumSize);
    resize(kDefaultSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), kDefaultSize);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    ThemePalette::apply(m_model.dark());
    m_commands = new MenuCommands(
        m_model, *menuBar(), [this] { openSettings(); }, this);
    m_content = new ContentView(m_model, m_screens, this);
    setCentralWidget(m_content);
    connect(&m_model, &AppModel::displayChanged, this, &MainWindow::displayChanged);
}

MainWindow::~MainWindow() {
    delete m_settings;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_didInitialize)
        return;
    // Set before the search, so that no later showing scans again.
    m_didInitialize = true;
    if (const auto path = AppEntry::scanArgument(m_arguments)) {
        // Used unchanged; a relative path is taken from the working folder.
        const QString absolute =
            QDir::isAbsolutePath(*path) || path->isEmpty() ? *path : QDir::current().absoluteFilePath(*path);
        m_model.startScan(QFile::encodeName(absolute).toStdString(), false);
    }
}

void MainWindow::openSettings() {
    if (!m_settings)
        m_settings = new SettingsWindow(m_model);
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void MainWindow::displayChanged() {
    if (m_model.theme() == m_builtTheme && m_model.dark() == m_builtDark)
        return;
    m_builtTheme = m_model.theme();
    m_builtDark = m_model.dark();
    ThemePalette::apply(m_builtDark);
    rebuildContent();
    if (m_settings)
        m_settings->update();
}

void MainWindow::rebuildContent() {
    // The old content goes later: the change may come from one of its own controls.
    if (QWidget* old = takeCentralWidget()) {
        if (auto* content = qobject_cast<ContentView*>(old))
            content->retire();
        old->hide();
        old->setParent(this);
        old->deleteLater();
    }
    m_content = new ContentView(m_model, m_screens, this);
    setCentralWidget(m_content);
    emit contentRebuilt();
}

} // namespace ambertrove
