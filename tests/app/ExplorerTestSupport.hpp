#pragma once

#include "ScanTestSupport.hpp"
#include "WindowTestSupport.hpp"

#include "explore/ExploreView.hpp"

#include <QTest>

#include <string>

namespace ambertrove::test {

// The window over a scan made by hand (exact sizes, any shape) or over a real folder tree. View queries
// start without their pause; they run when the test says so.
class ExplorerTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The scans made by hand lie in a home folder of their own.
        services.policy = [] {
            return CleanupPolicy(kHome);
        };
        AppEnvironment env = environment(false);
        env.timing.queryPause = std::chrono::milliseconds(0);
        model = std::make_unique<AppModel>(std::move(env));
    }

    // Shows `scan` in the window, focused on `focus` (its root when empty).
    void show(ScanResult scan, const std::string& focus = {}) {
        if (!window)
            makeWindow();
        const std::string root = scan.rootPath;
        auto shared = std::make_shared<const ScanResult>(std::move(scan));
        ScanTestPeer::installScan(*model, shared, focus.empty() ? root : focus);
        settle();
    }

    [[nodiscard]] ExploreView& explore() const {
        auto* view = qobject_cast<ExploreView*>(content().sectionView());
        EXPECT_NE(view, nullptr);
        return *view;
    }

    // The explorer's body as the view it should be.
    template <typename View> View* body() const { return dynamic_cast<View*>(explore().body()); }

    // Lets the view queries that wait start, run and deliver.
    void runQueries() {
        settle();
        for (int round = 0; round < 4 && runner->pending() > 0; ++round) {
            runner->runAll();
            settle();
        }
    }

    [[nodiscard]] DiskNode node(const std::string& path) const {
        const std::optional<DiskNode> found = model->scan()->nodes.node(path);
        EXPECT_TRUE(found) << path;
        return found.value_or(DiskNode());
    }
};

} // namespace ambertrove::test
