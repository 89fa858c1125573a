// ambertrove-bench quit: how long closing the window takes, as the program closes it: the real window over
// the real controller (with the monitor running), offscreen. For each case it prints
//   case=NAME hide_ms=X exit_ms=Y
// hide_ms: from the close to the window being hidden; exit_ms: from the close to the end of the event loop
// and of the window and the controller (jobs cancelled and waited for), which is when the process could
// end. Cases: idle (after 2.5 s with the monitor sampling), monitor (a reading whose process listing takes
// 30 s), and, given PATH: scanning (1 s into a scan of it), opening (a saved scan of it loading), comparing
// (two saved scans of it compared, closed a third of a comparison's time after both have loaded, so while
// the comparison proper runs), exporting (its JSON written) and exporting-csv (the CSV rows of all its
// entries written). An export cut short must leave nothing behind, which the case checks.
#include "BenchCommand.hpp"
#include "BenchWindow.hpp"

#include "AppScreens.hpp"
#include "controller/AppModel.hpp"
#include "scan/DiskScanner.hpp"
#include "shell/MainWindow.hpp"
#include "storage/MemoryPreferenceStore.hpp"
#include "system/SystemSampler.hpp"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

namespace ambertrove::bench {

namespace {

constexpr int kIdleMilliseconds = 2500;
constexpr int kScanningMilliseconds = 1000;
// Long enough for the reading to be waiting on its listing.
constexpr int kMonitorMilliseconds = 500;
constexpr int kOpeningMilliseconds = 300;
constexpr int kExportingMilliseconds = 300;

struct QuitCase {
    QuitCase(const char* caseName, int closeAfter)
        : name(caseName)
        , closeAfterMs(closeAfter) {}

    const char* name;
    int closeAfterMs;
    // Adjusts the controller's environment before it is made.
    std::function<void(AppEnvironment&)> environment;
    // After the window shows: gets the work going, handling events while it waits for what it needs;
    // false when it could not.
    std::function<bool(AppModel&)> start;
    // At the close: whether the work still runs.
    std::function<bool(AppModel&)> busy;
    // After the exit: checks what the work left behind.
    std::function<void()> after;
};

// Answers the export's file choice with one path.
class SaveFilePlatform final : public PlatformServices {
public:
    explicit SaveFilePlatform(std::string destination)
        : m_destination(std::move(destination)) {}
    void chooseFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseBackupFolder(const std::string&, PathChosen done) override { done(std::nullopt); }
    void chooseSaveFile(const QString&, const std::string&, PathChosen done) override { done(m_destination); }
    void copyText(const QString&) override {}
    void preview(const std::string&) override {}
    void reveal(const std::string&) override {}

private:
    std::string m_destination;
};

// The state folder the cases share: the saved scans of PATH, a slow process listing, export targets.
struct Fixture {
    std::filesystem::path state;
    std::vector<SnapshotRecord> records;
    double loadSeconds = 0;
    double compareSeconds = 0;
};

void runCase(const Fixture& fixture, const QuitCase& quitCase) {
    auto preferences = std::make_shared<MemoryPreferenceStore>();
    AppEnvironment environment(SnapshotStore::inStateFolder(fixture.state.string()), fixture.state.string(),
                               true, preferences);
    if (quitCase.environment)
        quitCase.environment(environment);
    auto model = std::make_unique<AppModel>(std::move(environment));
    auto window =
        std::make_unique<MainWindow>(*model, appScreens(), QStringList{QStringLiteral("ambertrove")});
    window->show();
    if (quitCase.start && !quitCase.start(*model)) {
        std::fprintf(stderr, "ambertrove-bench quit: case %s could not start: %s\n", quitCase.name,
                     model->error() ? model->error()->toStdString().c_str() : "no reason given");
        return;
    }

    double closed = 0;
    double hidden = 0;
    QTimer::singleShot(quitCase.closeAfterMs, window.get(), [&] {
        if (quitCase.busy && !quitCase.busy(*model))
            std::fprintf(stderr,
                         "ambertrove-bench quit: case %s: the work ended before the close; use a "
                         "larger tree\n",
                         quitCase.name);
        closed = nowSeconds();
        window->close();
        if (!window->isVisible())
            hidden = nowSeconds();
    });
    QApplication::exec();
    if (hidden == 0)
        hidden = nowSeconds();
    window.reset();
    model.reset();
    const double ended = nowSeconds();
    std::printf("case=%s hide_ms=%.1f exit_ms=%.1f\n", quitCase.name, (hidden - closed) * 1000,
                (ended - closed) * 1000);
    std::fflush(stdout);
    if (quitCase.after)
        quitCase.after();
}

// A process listing that takes 30 s, as a listing stuck on a busy machine would.
std::string slowListingCommand(const Fixture& fixture) {
    const std::filesystem::path script = fixture.state / "slow-listing";
    std::ofstream(script) << "#!/bin/sh\nexec sleep 30\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script.string();
}

// Scans PATH and saves it twice; times one load and one comparison, which places the comparing case's close.
bool prepareSavedScans(Fixture& fixture, const std::string& path) {
    const double scanStart = nowSeconds();
    CancellationFlag never;
    const ScanResult scan = DiskScanner().scan(std::filesystem::absolute(path).string(), never);
    SnapshotStore store = SnapshotStore::inStateFolder(fixture.state.string());
    const double saveStart = nowSeconds();
    fixture.records.push_back(store.save(scan, "bench"));
    fixture.records.push_back(store.save(scan, "bench"));
    const double loadStart = nowSeconds();
    const ScanResult loaded = store.load(fixture.records[0]);
    fixture.loadSeconds = secondsSince(loadStart);
    const double compareStart = nowSeconds();
    const std::size_t changes = SnapshotStore::compare(loaded, scan, false).size();
    fixture.compareSeconds = secondsSince(compareStart);
    std::fprintf(stderr,
                 "saved scans: entries=%zu scan %.2f s, two saves %.2f s, load %.2f s, compare %.2f s "
                 "(%zu changes)\n",
                 scan.nodes.size(), saveStart - scanStart, loadStart - saveStart, fixture.loadSeconds,
                 fixture.compareSeconds, changes);
    return true;
}

// Opens the first saved scan and waits until it is shown.
bool openSavedScan(const Fixture& fixture, AppModel& model) {
    model.openSnapshot(fixture.records[0]);
    return waitFor([&] { return !model.snapshotBusy(); }) && model.scan();
}

// The checks of an export cut short: the destination was never made, and no temporary is left beside it.
std::function<void()> exportLeftNothing(const char* name, std::filesystem::path destination) {
    return [name, destination] {
        if (std::filesystem::exists(destination))
            std::fprintf(
                stderr,
                "ambertrove-bench quit: case %s: the export was written whole; the quit waited for it\n",
                name);
        for (const auto& entry : std::filesystem::directory_iterator(destination.parent_path()))
            if (entry.path() != destination)
                std::fprintf(stderr, "ambertrove-bench quit: case %s: left behind: %s\n", name,
                             entry.path().c_str());
        std::error_code ignored;
        std::filesystem::remove_all(destination.parent_path(), ignored);
    };
}

int runQuit(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        std::fprintf(stderr, "usage: ambertrove-bench quit [PATH]\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char program[] = "ambertrove-bench";
    static char* argv[] = {program, nullptr};
    QApplication application(argc, argv);

    Fixture fixture;
    fixture.state =
        std::filesystem::temp_directory_path() / ("ambertrove-bench-quit-" + std::to_string(::getpid()));
    std::filesystem::create_directories(fixture.state);
    struct Cleanup {
        std::filesystem::path folder;
        ~Cleanup() {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } cleanup{fixture.state};

    runCase(fixture, QuitCase("idle", kIdleMilliseconds));

    QuitCase monitor("monitor", kMonitorMilliseconds);
    monitor.environment = [slowListing = slowListingCommand(fixture)](AppEnvironment& environment) {
        environment.services.sampler = [slowListing]() -> Services::SampleReader {
            SystemSampler::Sources sources;
            sources.processListingCommand = slowListing;
            auto reader = std::make_shared<SystemSampler>(sources);
            return [reader](const TaskCancellation& cancellation) {
                return reader->sample(cancellation);
            };
        };
    };
    runCase(fixture, monitor);
    if (args.empty())
        return 0;

    const std::string path = std::filesystem::absolute(args[0]).string();
    QuitCase scanning("scanning", kScanningMilliseconds);
    scanning.start = [&](AppModel& model) {
        model.startScan(path, false);
        return true;
    };
    scanning.busy = [](AppModel& model) {
        return model.scanning();
    };
    runCase(fixture, scanning);

    if (!prepareSavedScans(fixture, path))
        return 1;
    const auto snapshotBusy = [](AppModel& model) {
        return model.snapshotBusy();
    };
    QuitCase opening("opening", kOpeningMilliseconds);
    opening.start = [&](AppModel& model) {
        model.openSnapshot(fixture.records[0]);
        return true;
    };
    opening.busy = snapshotBusy;
    runCase(fixture, opening);

    // The loads are the real ones, counted as they end: the close comes once both have.
    auto loaded = std::make_shared<std::atomic<int>>(0);
    QuitCase comparing("comparing", int(fixture.compareSeconds / 3 * 1000));
    comparing.environment = [loaded](AppEnvironment& environment) {
        environment.services.loadSnapshot = [loaded, load = environment.services.loadSnapshot](
                                                const SnapshotStore& store, const SnapshotRecord& record,
                                                const TaskCancellation& cancellation) {
            ScanResult scan = load(store, record, cancellation);
            ++*loaded;
            return scan;
        };
    };
    comparing.start = [&, loaded](AppModel& model) {
        model.compareSavedSnapshots(fixture.records[0]);
        model.compareSavedSnapshots(fixture.records[1]);
        return waitFor([&] { return *loaded == 2 || !model.snapshotBusy(); }) && model.snapshotBusy();
    };
    comparing.busy = snapshotBusy;
    runCase(fixture, comparing);

    const std::filesystem::path exports = fixture.state / "exports";
    const auto exportCase = [&](const char* name, const std::filesystem::path& destination,
                                std::function<void(AppModel&)> write) {
        QuitCase exporting(name, kExportingMilliseconds);
        exporting.environment = [&](AppEnvironment& environment) {
            std::filesystem::create_directories(exports);
            environment.platform = std::make_shared<SaveFilePlatform>(destination.string());
        };
        exporting.start = [&, write](AppModel& model) {
            if (!openSavedScan(fixture, model))
                return false;
            write(model);
            return true;
        };
        exporting.busy = [destination](AppModel&) {
            return !std::filesystem::exists(destination);
        };
        exporting.after = exportLeftNothing(name, destination);
        runCase(fixture, exporting);
    };
    exportCase("exporting", exports / "scan.json", [](AppModel& model) { model.exportScan(); });
    exportCase("exporting-csv", exports / "rows.csv", [](AppModel& model) {
        const NodeTable& nodes = model.scan()->nodes;
        std::vector<std::string> paths;
        paths.reserve(nodes.size());
        nodes.forEachNode([&](NodeIndex i) { paths.push_back(nodes.path(i)); });
        model.exportCSV(std::move(paths));
    });
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(quit, "quit [PATH]", runQuit);

} // namespace ambertrove::bench
