// ambertrove-bench quit: how long closing the window takes, as the program closes it: the real window over
// the real controller (with the monitor running), offscreen. For each case it prints
//   case=NAME hide_ms=X exit_ms=Y
// hide_ms: from the close to the window being hidden; exit_ms: from the close to the end of the event loop
// and of the window and the controller (jobs cancelled and waited for), which is when the process could
// end. Cases: idle (after 2.5 s with the monitor sampling) and, given PATH, scanning (1 s into a scan of it).
#include "BenchCommand.hpp"

#include "AppScreens.hpp"
#include "controller/AppModel.hpp"
#include "shell/MainWindow.hpp"
#include "storage/MemoryPreferenceStore.hpp"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace ambertrove::bench {

namespace {

constexpr int kIdleMilliseconds = 2500;
constexpr int kScanningMilliseconds = 1000;

void runCase(const char* name, const std::string& scanPath) {
    const std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("ambertrove-bench-quit-" + std::to_string(::getpid()));
    std::filesystem::create_directories(state);
    auto preferences = std::make_shared<MemoryPreferenceStore>();
    AppEnvironment environment(SnapshotStore::inStateFolder(state.string()), state.string(), true,
                               preferences);
    auto model = std::make_unique<AppModel>(std::move(environment));
    auto window =
        std::make_unique<MainWindow>(*model, appScreens(), QStringList{QStringLiteral("ambertrove")});
    window->show();
    if (!scanPath.empty())
        model->startScan(std::filesystem::absolute(scanPath).string(), false);

    double closed = 0;
    double hidden = 0;
    QTimer::singleShot(scanPath.empty() ? kIdleMilliseconds : kScanningMilliseconds, window.get(), [&] {
        if (!scanPath.empty() && !model->scanning())
            std::fprintf(stderr,
                         "ambertrove-bench quit: the scan ended before the close; use a larger tree\n");
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
    std::printf("case=%s hide_ms=%.1f exit_ms=%.1f\n", name, (hidden - closed) * 1000,
                (ended - closed) * 1000);
    std::fflush(stdout);
    std::error_code ignored;
    std::filesystem::remove_all(state, ignored);
}

int runQuit(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        std::fprintf(stderr, "usage: ambertrove-bench quit [PATH]\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "ambertrove-bench";
    static char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    runCase("idle", {});
    if (!args.empty())
        runCase("scanning", args[0]);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(quit, "quit [PATH]", runQuit);

} // namespace ambertrove::bench
