#pragma once

#include "AppModelTestPeer.hpp"
#include "controller/AppModel.hpp"
#include "controller/ManualJobRunner.hpp"
#include "storage/MemoryPreferenceStore.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ambertrove {

namespace test {

// A controller over a temporary state folder, two in-memory settings stores, a fixed clock and a manual
// runner; each test adjusts the environment before make().
class AppModelFixture : public ::testing::Test {
protected:
    AppModelFixture()
        : standard(std::make_shared<MemoryPreferenceStore>())
        , preferences(std::make_shared<MemoryPreferenceStore>())
        , clock(std::make_shared<FixedClock>(Date::fromUnixSeconds(1'709'294'400))) {} // 2024-03-01 12:00 UTC

    void TearDown() override { setCurrentTheme(AppTheme::paper); }

    [[nodiscard]] std::string stateDirectory() const { return folder / "state"; }
    [[nodiscard]] std::string snapshotDirectory() const { return folder / "Snapshots"; }

    AppEnvironment environment(bool monitorEnabled = false) {
        AppEnvironment environment(SnapshotStore(snapshotDirectory()), stateDirectory(), monitorEnabled,
                                   preferences);
        environment.standard = standard;
        environment.clock = clock;
        environment.services = services;
        environment.timing = timing;
        auto manual = std::make_unique<ManualJobRunner>();
        runner = manual.get();
        environment.runner = std::move(manual);
        return environment;
    }

    AppModel& make(bool monitorEnabled = false) {
        model = std::make_unique<AppModel>(environment(monitorEnabled));
        return *model;
    }

    // Lets the state thread finish what it was asked, and applies what it handed back (with everything
    // else the runner holds).
    // Nothing once the controller is gone: its destruction finished the state thread's work.
    void settle() {
        if (!model)
            return;
        AppModelTestPeer::waitForStateThread(*model);
        if (runner)
            runner->deliver();
    }

    TempDir folder;
    std::shared_ptr<MemoryPreferenceStore> standard;
    std::shared_ptr<MemoryPreferenceStore> preferences;
    std::shared_ptr<FixedClock> clock;
    Services services;
    Timing timing;
    ManualJobRunner* runner = nullptr;
    std::unique_ptr<AppModel> model;
};

} // namespace test
} // namespace ambertrove
