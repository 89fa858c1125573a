#pragma once

#include "ScanTestSupport.hpp"
#include "WindowTestSupport.hpp"

#include <chrono>
#include <memory>
#include <string>

namespace ambertrove::test {

// A view of the explorer over the real controller, whose background queries start without the pause and
// wait for the test (a manual runner): runQueries() lets every query and policy answer land.
class ViewQueryTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        makeQueryModel();
    }

    void TearDown() override {
        held.reset();
        WindowTest::TearDown();
    }

    AppModel& makeQueryModel() {
        held.reset();
        AppEnvironment env = environment(false);
        env.timing.queryPause = std::chrono::milliseconds(0);
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }

    // Shows `scan` focused on `focus` (its root when empty).
    ScanResultPtr install(ScanResult scan, std::string focus = {}) {
        if (focus.empty())
            focus = scan.rootPath;
        auto shared = std::make_shared<const ScanResult>(std::move(scan));
        ScanTestPeer::installScan(*model, shared, focus);
        runQueries();
        return shared;
    }

    // Runs every waiting job until none is left, and what their results start.
    void runQueries() {
        for (int i = 0; i < 6; ++i) {
            settle();
            runner->runAll();
        }
        settle();
    }

    // Keeps `widget` (made over the model) for the test, shown at `size`.
    template <typename View> View& show(View* widget, QSize size) {
        held.reset(widget);
        widget->resize(size);
        widget->show();
        runQueries();
        return *widget;
    }

    std::unique_ptr<QWidget> held;
};

} // namespace ambertrove::test
