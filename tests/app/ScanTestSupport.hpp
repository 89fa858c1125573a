#pragma once

#include "AppModelFixture.hpp"

#include "analysis/ScanPresentation.hpp"
#include "controller/AppModel.hpp"
#include "controller/ManualJobRunner.hpp"
#include "controller/PlatformServices.hpp"
#include "support/ModelFixture.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// Reaches the scan job's private parts that the tests drive directly.
class ScanTestPeer {
public:
    static void setFindDuplicates(AppModel& model,
                                  std::function<void(const std::optional<std::string>&)> search) {
        model.m_findDuplicates = std::move(search);
    }
    static void installScan(AppModel& model, ScanResultPtr scan, const std::string& focus,
                            bool historical = false) {
        const ScanPresentation presentation = ScanPresentation::make(*scan);
        model.installScan(std::move(scan), presentation, focus, historical);
    }
    static const std::vector<std::pair<std::string, std::map<std::string, FileTypeTotals>>>&
    folderTypeCache(const AppModel& model) {
        return model.m_folderTypeCache;
    }
    static bool folderTypeTaskRunning(const AppModel& model) { return model.m_folderTypeTask.has_value(); }
};

namespace test {

// Records what the controller asks of the desktop and answers folder choices with `answer`.
class RecordingPlatform final : public PlatformServices {
public:
    void chooseFolder(const std::string& start, PathChosen done) override {
        chooseFolderWithPrompt({}, {}, start, std::move(done));
    }
    void chooseFolderWithPrompt(const QString& prompt, const QString& message, const std::string& start,
                                PathChosen done) override {
        prompts.push_back(prompt);
        messages.push_back(message);
        starts.push_back(start);
        done(answer);
    }
    void chooseBackupFolder(const std::string& start, PathChosen done) override {
        starts.push_back(start);
        done(std::nullopt);
    }
    void chooseSaveFile(const QString&, const std::string& start, PathChosen done) override {
        starts.push_back(start);
        done(std::nullopt);
    }
    void copyText(const QString& text) override { copied.push_back(text); }
    void preview(const std::string& path) override { previewed.push_back(path); }
    void reveal(const std::string& path) override { revealed.push_back(path); }

    std::optional<std::string> answer;
    std::vector<QString> prompts;
    std::vector<QString> messages;
    // Where each dialog opened.
    std::vector<std::string> starts;
    std::vector<QString> copied;
    std::vector<std::string> previewed;
    std::vector<std::string> revealed;
};

constexpr const char* kHome = "/home/user";

// A small scan of "/r":
//   /r/a.txt 100, /r/x/, /r/x/y/, /r/x/y/f.txt 1000, /r/x/g.png 500, /r/z/, /r/z/h.mp3 300
inline ScanResult sampleScan(const std::string& root = "/r") {
    ModelFixture tree(root);
    tree.file(root + "/a.txt", 100, 100);
    tree.folder(root + "/x");
    tree.folder(root + "/x/y");
    tree.file(root + "/x/y/f.txt", 1000, 1000);
    tree.file(root + "/x/g.png", 500, 500);
    tree.folder(root + "/z");
    tree.file(root + "/z/h.mp3", 300, 300);
    return tree.finish();
}

// A controller whose scans are scripted: each scan job calls `script` (by default it returns
// `results[root]` under a new identifier, or a one-folder scan of the root).
class ScanFixture : public AppModelFixture {
protected:
    using Script = std::function<ScanResult(const std::string& root, const CancellationFlag& cancellation,
                                            const ScanNavigation* navigation,
                                            const DiskScanner::ProgressCallback& report)>;

    ScanFixture() {
        services.scan = [this](const std::string& root, const CancellationFlag& cancellation,
                               const ScanNavigation* navigation,
                               const DiskScanner::ProgressCallback& report) {
            scanned.push_back(root);
            if (script)
                return script(root, cancellation, navigation, report);
            return resultFor(root);
        };
        services.presentation = [](const ScanResult& scan, const TaskCancellation& cancellation) {
            return ScanPresentation::make(scan, {}, cancellation);
        };
        services.home = [] {
            return std::string(kHome);
        };
    }

    AppModel& makeModel() {
        AppEnvironment env = environment();
        env.platform = platform;
        model = std::make_unique<AppModel>(std::move(env));
        return *model;
    }

    ScanResult resultFor(const std::string& root) {
        auto found = results.find(root);
        ScanResult result = found != results.end() ? found->second : ModelFixture(root).finish();
        result.id = Uuid::random();
        return result;
    }

    // Runs the waiting scan job at `index` through the scripted scanner.
    void runScan(std::size_t index = 0) { runner->run(index); }

    // Waits until a job has been started by what `action` does (the query pause runs on a timer).
    template <typename Action> void expectJobStarted(Action action) {
        QSignalSpy started(runner, &ManualJobRunner::jobStarted);
        action();
        ASSERT_TRUE(started.count() > 0 || started.wait(5000));
    }

    std::shared_ptr<RecordingPlatform> platform = std::make_shared<RecordingPlatform>();
    std::map<std::string, ScanResult> results;
    Script script;
    std::vector<std::string> scanned;
};

} // namespace test
} // namespace ambertrove
