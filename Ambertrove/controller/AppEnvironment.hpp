#pragma once

#include "controller/Clock.hpp"
#include "controller/JobRunner.hpp"
#include "controller/PlatformServices.hpp"
#include "controller/Services.hpp"
#include "controller/Timing.hpp"
#include "snapshots/SnapshotStore.hpp"
#include "storage/PreferenceStore.hpp"

#include <memory>
#include <string>

namespace ambertrove {

// Everything AppModel is built from. The four values of the first constructor are the controller's own
// arguments; the rest are seams whose defaults are the real ones, replaced by tests.
struct AppEnvironment {
    AppEnvironment(SnapshotStore snapshotStore, std::string stateFolder, bool startMonitor,
                   std::shared_ptr<PreferenceStore> cleanupPreferences)
        : store(std::move(snapshotStore))
        , stateDirectory(std::move(stateFolder))
        , monitorEnabled(startMonitor)
        , preferences(std::move(cleanupPreferences)) {}

    // The saved scans.
    SnapshotStore store;
    // The folder of the cleanup state files.
    std::string stateDirectory;
    // Whether the constructor starts the monitor.
    bool monitorEnabled = true;
    // Holds the three cleanup settings.
    std::shared_ptr<PreferenceStore> preferences;
    // The standard settings (appearance, theme, recent folders); the same store as `preferences` when
    // left empty, as in the running program.
    std::shared_ptr<PreferenceStore> standard;

    // Empty: a platform that answers every choice with nothing.
    std::shared_ptr<PlatformServices> platform;
    // Empty: the system clock.
    std::shared_ptr<const Clock> clock;
    Timing timing;
    Services services;
    // Empty: threads of its own (ThreadJobRunner). The controller owns the runner.
    std::unique_ptr<JobRunner> runner;
};

} // namespace ambertrove
