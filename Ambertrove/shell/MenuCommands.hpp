#pragma once

#include "controller/StorageView.hpp"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;

namespace ambertrove {

class AppModel;

// The menu bar's commands: the application menu ("Settings…", quitting), the File commands that start
// and steer scans, and the "Storage" menu of views and scan commands. Each calls one controller operation
// or sets one controller field; their enabling follows the controller's state.
class MenuCommands final : public QObject {
    Q_OBJECT

public:
    // What the enabling depends on.
    struct State {
        bool hasScan = false;
        bool scanning = false;
        bool snapshotBusy = false;
        bool snapshotsEnabled = false;
    };
    // Which commands are enabled; the others always are.
    struct Enabling {
        bool rescan = false;
        bool cancelScan = false;
        std::array<bool, 9> views{}; // in StorageView order
        bool saveSnapshot = false;
        bool exportScan = false;
    };
    [[nodiscard]] static Enabling enabling(const State& state);

    // Fills `menuBar`; `openSettings` shows the settings window.
    MenuCommands(AppModel& model, QMenuBar& menuBar, std::function<void()> openSettings,
                 QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MenuCommands)

    // The command with this title ("Scan Folder…", "Treemap"); nullptr for an unknown title.
    [[nodiscard]] QAction* action(const QString& title) const;
    [[nodiscard]] QMenu* fileMenu() const { return m_file; }
    [[nodiscard]] QMenu* storageMenu() const { return m_storage; }
    [[nodiscard]] QMenu* applicationMenu() const { return m_application; }

private:
    QAction* add(QMenu* menu, const QString& title, const QKeySequence& shortcut, std::function<void()> run);
    void updateEnabling();

    AppModel& m_model;
    QMenu* m_application = nullptr;
    QMenu* m_file = nullptr;
    QMenu* m_storage = nullptr;
    std::map<QString, QAction*> m_actions;
};

} // namespace ambertrove
