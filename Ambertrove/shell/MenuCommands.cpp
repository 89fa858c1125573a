#include "shell/MenuCommands.hpp"

#include "controller/AppModel.hpp"
#include "scan/ScanPaths.hpp"
#include "storage/AppStorage.hpp"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace ambertrove {

MenuCommands::Enabling MenuCommands::enabling(const State& state) {
    Enabling result;
    result.rescan = state.hasScan && !state.scanning;
    result.cancelScan = state.scanning;
    const auto& views = allCases<StorageView>();
    for (std::size_t i = 0; i < views.size(); ++i)
        result.views[i] = !state.scanning || availableWhileScanning(views[i]);
    result.saveSnapshot = state.snapshotsEnabled && state.hasScan && !state.snapshotBusy && !state.scanning;
    result.exportScan = state.hasScan;
    return result;
}

MenuCommands::MenuCommands(AppModel& model, QMenuBar& menuBar, std::function<void()> openSettings,
                           QObject* parent)
    : QObject(parent)
    , m_model(model) {
    m_application = menuBar.addMenu(QStringLiteral("Ambertrove"));
    add(m_application, QStringLiteral("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
        std::move(openSettings));
    m_application->addSeparator();
    add(m_application, QStringLiteral("Quit Ambertrove"), QKeySequence(Qt::CTRL | Qt::Key_Q),
        [] { QApplication::closeAllWindows(); });

    // There is one main window: the File menu has no command that opens another.
    m_file = menuBar.addMenu(QStringLiteral("File"));
    add(m_file, QStringLiteral("Open Folder…"), QKeySequence(Qt::CTRL | Qt::Key_O),
        [this] { m_model.chooseFolder(false, false); });
    add(m_file, QStringLiteral("Scan Folder…"), {}, [this] { m_model.chooseFolder(false, true); });
    add(m_file, QStringLiteral("Scan Full Mac"), {},
        [this] { m_model.startScan(std::string(ScanPaths::systemRoot), false); });
    add(m_file, QStringLiteral("Home"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H),
        [this] { m_model.browseLocation(AppStorage::homeFolder()); });
    add(m_file, QStringLiteral("Rescan Current Scan"), QKeySequence(Qt::CTRL | Qt::Key_R),
        [this] { m_model.refresh(); });
    add(m_file, QStringLiteral("Cancel Scan"), QKeySequence(Qt::CTRL | Qt::Key_Period),
        [this] { m_model.cancelScan(); });

    m_storage = menuBar.addMenu(QStringLiteral("Storage"));
    for (const StorageView view : allCases<StorageView>())
        add(m_storage, rawValue(view), {}, [this, view] {
            m_model.setStorageView(view);
            m_model.setSection(AppSection::explore);
        });
    m_storage->addSeparator();
    add(m_storage, QStringLiteral("Save Current Scan Snapshot"), QKeySequence(Qt::CTRL | Qt::Key_S),
        [this] { m_model.saveSnapshot(); });
    add(m_storage, QStringLiteral("Export Scan…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
        [this] { m_model.exportScan(); });
    add(m_storage, QStringLiteral("Review Cleanup"), QKeySequence(Qt::CTRL | Qt::Key_K),
        [this] { m_model.setSection(AppSection::cleanup); });

    connect(&m_model, &AppModel::scanChanged, this, &MenuCommands::updateEnabling);
    connect(&m_model, &AppModel::snapshotsChanged, this, &MenuCommands::updateEnabling);
    connect(&m_model, &AppModel::cleanupChanged, this, &MenuCommands::updateEnabling);
    updateEnabling();
}

QAction* MenuCommands::add(QMenu* menu, const QString& title, const QKeySequence& shortcut,
                           std::function<void()> run) {
    QAction* action = menu->addAction(title);
    action->setShortcut(shortcut);
    // The shortcuts work wherever the focus is in the window, also while the menu bar is hidden.
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    m_actions[title] = action;
    return action;
}

QAction* MenuCommands::action(const QString& title) const {
    const auto found = m_actions.find(title);
    return found == m_actions.end() ? nullptr : found->second;
}

void MenuCommands::updateEnabling() {
    const Enabling enabled = enabling(
        {m_model.scan() != nullptr, m_model.scanning(), m_model.snapshotBusy(), m_model.snapshotsEnabled()});
    m_actions[QStringLiteral("Rescan Current Scan")]->setEnabled(enabled.rescan);
    m_actions[QStringLiteral("Cancel Scan")]->setEnabled(enabled.cancelScan);
    const auto& views = allCases<StorageView>();
    for (std::size_t i = 0; i < views.size(); ++i)
        m_actions[rawValue(views[i])]->setEnabled(enabled.views[i]);
    m_actions[QStringLiteral("Save Current Scan Snapshot")]->setEnabled(enabled.saveSnapshot);
    m_actions[QStringLiteral("Export Scan…")]->setEnabled(enabled.exportScan);
}

} // namespace ambertrove
