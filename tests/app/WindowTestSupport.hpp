#pragma once

#include "WidgetTestSupport.hpp"

#include "AppScreens.hpp"
#include "controller/AppModel.hpp"
#include "controller/ManualJobRunner.hpp"
#include "controller/PlatformServices.hpp"
#include "controller/ThreadJobRunner.hpp"
#include "shell/ContentView.hpp"
#include "shell/MainWindow.hpp"
#include "storage/MemoryPreferenceStore.hpp"
#include "support/TempDir.hpp"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove::test {

// Answers folder choices with `answer` and records the rest.
class WindowPlatform final : public PlatformServices {
public:
    void chooseFolder(PathChosen done) override { done(answer); }
    void chooseFolderWithPrompt(const QString&, const QString&, PathChosen done) override { done(answer); }
    void chooseBackupFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseSaveFile(const QString&, PathChosen done) override { done(std::nullopt); }
    void copyText(const QString&) override {}
    void preview(const std::string& path) override { previewed.push_back(path); }
    void reveal(const std::string& path) override { revealed.push_back(path); }

    std::optional<std::string> answer;
    std::vector<std::string> previewed;
    std::vector<std::string> revealed;
};

// The real controller on the real core over a temporary folder: its state in "state", settings in memory,
// no monitor. Jobs wait for the test (a manual runner) unless the test asks for threads.
class WindowTest : public WidgetTest {
protected:
    void TearDown() override {
        window.reset();
        model.reset();
        settle();
        WidgetTest::TearDown();
    }

    AppEnvironment environment(bool threads) {
        AppEnvironment environment(SnapshotStore(folder / "state/Snapshots"), folder / "state", false,
                                   preferences);
        environment.standard = standard;
        environment.platform = platform;
        environment.services = services;
        if (threads) {
            environment.runner = std::make_unique<ThreadJobRunner>();
        } else {
            auto manual = std::make_unique<ManualJobRunner>();
            runner = manual.get();
            environment.runner = std::move(manual);
        }
        return environment;
    }

    AppModel& makeModel(bool threads = false) {
        model = std::make_unique<AppModel>(environment(threads));
        return *model;
    }

    // The window at `size`, shown, with `arguments` after the program's path.
    MainWindow& makeWindow(QStringList arguments = {}, QSize size = MainWindow::kDefaultSize) {
        if (!model)
            makeModel();
        arguments.prepend(QStringLiteral("ambertrove"));
        window = std::make_unique<MainWindow>(*model, appScreens(), arguments);
        window->resize(size);
        window->show();
        settle();
        return *window;
    }

    [[nodiscard]] ContentView& content() const { return *window->content(); }

    // Handles what is queued: layouts, deferred deletions, queued calls.
    static void settle() {
        for (int i = 0; i < 4; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    // A small tree: tree/big.bin 40000, tree/docs/a.txt 3000, tree/docs/b.txt 3000, tree/media/song.mp3
    // 20000, tree/empty/.
    std::string makeTree() {
        const std::string root = folder.makeDir("tree");
        folder.makeFileOfSize("tree/big.bin", 40000);
        folder.makeFileOfSize("tree/docs/a.txt", 3000);
        folder.makeFileOfSize("tree/docs/b.txt", 3000);
        folder.makeFileOfSize("tree/media/song.mp3", 20000);
        folder.makeDir("tree/empty");
        return root;
    }

    // Scans `root` to the end with the manual runner.
    void finishScan(const std::string& root) {
        model->startScan(root, false);
        runner->runAll();
        settle();
    }

    TempDir folder;
    std::shared_ptr<MemoryPreferenceStore> standard = std::make_shared<MemoryPreferenceStore>();
    std::shared_ptr<MemoryPreferenceStore> preferences = std::make_shared<MemoryPreferenceStore>();
    std::shared_ptr<WindowPlatform> platform = std::make_shared<WindowPlatform>();
    Services services;
    ManualJobRunner* runner = nullptr;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<MainWindow> window;
};

} // namespace ambertrove::test
