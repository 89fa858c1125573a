// The first paint's report for benchmarks: one line with the monotonic time, written once after the first
// frame, and nothing at all unless asked for.
#include "shell/FirstPaintReport.hpp"
#include "platform/AtomicFile.hpp"
#include "support/ScopedVariable.hpp"
#include "support/TempDir.hpp"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace ambertrove::test {
namespace {

long long steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TEST(FirstPaintReportTest, WritesTheTimeOfTheFirstFrameOnce) {
    TempDir folder;
    const std::string path = folder / "first-paint";
    const ScopedVariable variable(FirstPaintReport::kVariable, path);
    QWidget window;
    window.resize(240, 160);
    FirstPaintReport::installFromEnvironment(window);
    auto* report = window.findChild<FirstPaintReport*>();
    ASSERT_NE(report, nullptr);
    QSignalSpy gone(report, &QObject::destroyed);

    const long long before = steadyNanoseconds();
    window.show();
    ASSERT_TRUE(gone.wait(10'000));
    const long long after = steadyNanoseconds();

    const std::string text = readWholeFile(path);
    const std::string prefix = "first_paint_ns=";
    ASSERT_TRUE(text.starts_with(prefix)) << text;
    ASSERT_TRUE(text.ends_with("\n")) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
    const long long painted = std::stoll(text.substr(prefix.size()));
    EXPECT_GE(painted, before);
    EXPECT_LE(painted, after);

    // Later frames write nothing.
    std::filesystem::remove(path);
    window.update();
    window.repaint();
    QCoreApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(FirstPaintReportTest, AnEmptyVariableInstallsNothing) {
    const ScopedVariable variable(FirstPaintReport::kVariable, "");
    QWidget window;
    FirstPaintReport::installFromEnvironment(window);
    EXPECT_EQ(window.findChild<FirstPaintReport*>(), nullptr);
}

} // namespace
} // namespace ambertrove::test
