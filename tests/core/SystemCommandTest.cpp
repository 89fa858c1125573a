#include "system/SystemCommand.hpp"
#include "base/AmbertroveError.hpp"
#include "platform/AtomicFile.hpp"
#include "support/CaseName.hpp"
#include "support/Checks.hpp"
#include "support/ScriptFile.hpp"
#include "support/TempDir.hpp"
#include "system/SystemSampler.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <signal.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace ambertrove {

// Found by argument-dependent lookup, hence in the type's namespace; static keeps it to this file.
static void PrintTo(const ProcessInfoRow& row, std::ostream* out) {
    *out << "{" << row.id << ", \"" << row.name << "\", " << row.cpu << ", " << row.memory << "}";
}

namespace {

using test::makeScript;
using test::TempDir;

// The outcome of one run: the output, or the message of the AmbertroveError it threw.
struct Outcome {
    std::optional<std::string> output;
    std::optional<std::string> error;
};

Outcome runCommand(const std::string& path, const std::vector<std::string>& arguments, double timeout) {
    Outcome outcome;
    try {
        outcome.output = SystemCommand::run(path, arguments, timeout);
    } catch (const AmbertroveError& error) {
        outcome.error = error.message();
    }
    return outcome;
}

struct CommandCase {
    const char* name;
    const char* body;
    std::optional<std::string> output; // expected output, or nothing when it must throw
    std::optional<std::string> error;  // expected message when it throws
};

class SystemCommandCases : public ::testing::TestWithParam<CommandCase> {};

TEST_P(SystemCommandCases, EndsWithTheExpectedOutputOrError) {
    TempDir dir;
    const CommandCase& c = GetParam();
    const Outcome outcome = runCommand(makeScript(dir, "command", c.body), {}, 10);
    EXPECT_EQ(outcome.output, c.output);
    EXPECT_EQ(outcome.error, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SystemCommandCases,
    ::testing::Values(
        CommandCase{"Prints", "printf 'first line\\nsecond line\\n'\n", "first line\nsecond line\n", {}},
        CommandCase{"PrintsNothing", "exit 0\n", "", {}},
        CommandCase{"IgnoresStderrOnSuccess", "echo out; echo noise >&2\n", "out\n", {}},
        CommandCase{"NotUtf8OutputIsEmpty", "printf 'ok \\377\\376'\n", "", {}},
        CommandCase{"FailsWithErrorText", "echo 'it went wrong' >&2; exit 1\n", {}, "it went wrong"},
        CommandCase{"FailsWithoutErrorText", "exit 3\n", {}, ""},
        CommandCase{
            "ErrorTextTrimmedBothEnds", "printf ' \\n\\t bad thing  \\n\\n' >&2; exit 2\n", {}, "bad thing"},
        CommandCase{"ErrorTextKeepsInnerLines", "printf 'one\\ntwo\\n' >&2; exit 1\n", {}, "one\ntwo"},
        CommandCase{
            "ErrorTextTrimsUnicodeSpace", "printf '\\342\\200\\250 odd \\302\\240' >&2; exit 1\n", {}, "odd"},
        CommandCase{"ErrorTextNotUtf8", "printf 'bad \\377' >&2; exit 1\n", {}, "Command unavailable"},
        CommandCase{"FailureDiscardsOutput", "echo partial; echo denied >&2; exit 1\n", {}, "denied"},
        CommandCase{"KilledBySignal", "echo dying >&2; kill -KILL $$\n", {}, "dying"}),
    test::caseName<CommandCase>);

TEST(SystemCommand, PassesArgumentsUnchanged) {
    TempDir dir;
    const std::string script = makeScript(dir, "args", "printf '%s|' \"$@\"\n");
    EXPECT_EQ(SystemCommand::run(script, {"-axo", "a b", "", "x=y"}, 10), "-axo|a b||x=y|");
}

TEST(SystemCommand, ReadsLargeOutputAndErrorTogether) {
    // More than a pipe holds on both streams: reading only one of them would stall the command.
    TempDir dir;
    const std::string script =
        makeScript(dir, "big",
                   "i=0; while [ $i -lt 4000 ]; do\n"
                   "  echo 'line of output that is about sixty bytes long..........'\n"
                   "  echo 'line of error text that is about sixty bytes long......' >&2\n"
                   "  i=$((i+1)); done; exit 1\n");
    const Outcome outcome = runCommand(script, {}, 30);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->size(), 4000u * 56 - 1); // 55 characters and a line feed per line
}

TEST(SystemCommand, ReturnsLargeOutputWhole) {
    TempDir dir;
    const std::string data = dir.makeFileOfSize("data", 1 << 20, 'q');
    const std::string script = makeScript(dir, "cat", "exec cat \"$1\"\n");
    EXPECT_EQ(SystemCommand::run(script, {data}, 30), std::string(1 << 20, 'q'));
}

TEST(SystemCommand, MissingExecutableThrowsTheLaunchError) {
    TempDir dir;
    try {
        (void)SystemCommand::run(dir / "missing", {}, 1);
        FAIL() << "expected a launch error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
        EXPECT_NE(std::string(error.what()).find(dir / "missing"), std::string::npos) << error.what();
    }
}

TEST(SystemCommand, FileThatIsNotExecutableThrowsTheLaunchError) {
    // Even root may execute a file only when one of its execute bits is set.
    TempDir dir;
    const std::string path = dir.makeFile("plain", "#!/bin/sh\necho hi\n");
    try {
        (void)SystemCommand::run(path, {}, 1);
        FAIL() << "expected a launch error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::permission_denied);
    }
}

// Time-out cases: each must end soon after its time-out and throw. The bound is generous on purpose: it
// catches a hang, not a slow machine.
constexpr double kTimeout = 0.5;
constexpr auto kBound = std::chrono::seconds(5);

struct TimedOutcome {
    Outcome outcome;
    std::chrono::steady_clock::duration elapsed;
};

TimedOutcome runTimed(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome = runCommand(path, {}, kTimeout);
    return {std::move(outcome), std::chrono::steady_clock::now() - start};
}

// Waits a little for a killed process to be gone or a zombie; true when it is.
bool processEnded(pid_t pid) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::string stat;
        try {
            stat = readWholeFile("/proc/" + std::to_string(pid) + "/stat");
        } catch (const std::system_error&) {
            return true;
        }
        const std::size_t close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

struct TimeoutCase {
    const char* name;
    const char* body;
    const char* error;
};

class SystemCommandTimeouts : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(SystemCommandTimeouts, EndsWithinTheTimeoutAndThrows) {
    TempDir dir;
    const TimeoutCase& c = GetParam();
    const std::string pidFile = dir / "pid";
    const std::string body = "export PIDFILE='" + pidFile + "'\n" + c.body;
    const TimedOutcome run = runTimed(makeScript(dir, "command", body));
    EXPECT_FALSE(run.outcome.output) << *run.outcome.output;
    EXPECT_EQ(run.outcome.error, std::optional<std::string>(c.error));
    EXPECT_GE(run.elapsed, std::chrono::milliseconds(400));
    EXPECT_LT(run.elapsed, kBound);
    // Whatever the command left running in its group is gone too.
    std::string pid;
    try {
        pid = readWholeFile(pidFile);
    } catch (const std::system_error&) {
    }
    ASSERT_FALSE(pid.empty()) << "the command did not start";
    EXPECT_TRUE(processEnded(std::stoi(pid))) << "process " << pid << " still runs";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SystemCommandTimeouts,
    ::testing::Values(
        TimeoutCase{"Sleeps", "echo $$ > \"$PIDFILE\"; exec sleep 30\n", ""},
        TimeoutCase{"KeepsItsErrorText", "echo 'still working' >&2; echo $$ > \"$PIDFILE\"; exec sleep 30\n",
                    "still working"},
        TimeoutCase{"IgnoresSigterm", "trap '' TERM; echo $$ > \"$PIDFILE\"; sleep 30; sleep 30\n", ""},
        TimeoutCase{"ExitsZeroOnSigterm", "trap 'exit 0' TERM; echo $$ > \"$PIDFILE\"; sleep 30 & wait\n",
                    ""},
        TimeoutCase{"GrandchildHoldsThePipe",
                    "sh -c 'echo $$ > \"$PIDFILE\"; exec sleep 30' & \necho started\n", ""},
        TimeoutCase{"GrandchildIgnoresSigterm",
                    "sh -c 'trap \"\" TERM; echo $$ > \"$PIDFILE\"; sleep 30; sleep 30' & \nexit 0\n", ""},
        TimeoutCase{"ClosesItsOutputAndRuns", "exec >&- 2>&-; echo $$ > \"$PIDFILE\"; exec sleep 30\n", ""},
        TimeoutCase{"PrintsForever", "echo $$ > \"$PIDFILE\"; while :; do echo y; done\n", ""}),
    test::caseName<TimeoutCase>);

TEST(SystemCommand, ZeroTimeoutEndsTheCommandAtOnce) {
    TempDir dir;
    const std::string script = makeScript(dir, "sleeper", "exec sleep 30\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW((void)SystemCommand::run(script, {}, 0), AmbertroveError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kBound);
}

// Cancellation: a command stuck in any of these ways ends as soon as its task is cancelled, which here is
// the moment it has written its process id, so the cancel always lands while it runs. Its time-out is far
// away: a run that waited for it would come back timed out, not cancelled.
constexpr double kFarTimeout = 60;

class SystemCommandCancellations : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(SystemCommandCancellations, EndsTheCommandAndItsGroupAndThrowsCancellation) {
    TempDir dir;
    const TimeoutCase& c = GetParam();
    const std::string pidFile = dir / "pid";
    const std::string body = "export PIDFILE='" + pidFile + "'\n" + c.body;
    const std::string script = makeScript(dir, "command", body);
    int polls = 0;
    const TaskCancellation started([&] {
        ++polls;
        std::string pid;
        try {
            pid = readWholeFile(pidFile);
        } catch (const std::system_error&) {
        }
        return !pid.empty() && pid.back() == '\n';
    });
    EXPECT_THROW((void)SystemCommand::run(script, {}, kFarTimeout, started), CancellationError);
    EXPECT_GE(polls, 1);
    const std::string pid = readWholeFile(pidFile);
    EXPECT_TRUE(processEnded(std::stoi(pid))) << "process " << pid << " still runs";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SystemCommandCancellations,
    ::testing::Values(
        TimeoutCase{"Sleeps", "echo $$ > \"$PIDFILE\"; exec sleep 300\n", ""},
        TimeoutCase{"IgnoresSigterm", "trap '' TERM; echo $$ > \"$PIDFILE\"; sleep 300; sleep 300\n", ""},
        TimeoutCase{"GrandchildHoldsThePipe",
                    "sh -c 'echo $$ > \"$PIDFILE\"; exec sleep 300' & \necho started\n", ""},
        TimeoutCase{"ClosesItsOutputAndRuns", "exec >&- 2>&-; echo $$ > \"$PIDFILE\"; exec sleep 300\n", ""},
        TimeoutCase{"PrintsForever", "echo $$ > \"$PIDFILE\"; while :; do echo y; done\n", ""}),
    test::caseName<TimeoutCase>);

TEST(SystemCommand, ACancelledTaskLaunchesNothing) {
    TempDir dir;
    const std::string marker = dir / "ran";
    const std::string script = makeScript(dir, "command", "touch '" + marker + "'\n");
    const TaskCancellation cancelled([] { return true; });
    EXPECT_THROW((void)SystemCommand::run(script, {}, kFarTimeout, cancelled), CancellationError);
    EXPECT_FALSE(test::exists(marker));
}

TEST(SystemCommand, ATaskThatIsNeverCancelledRunsToTheEnd) {
    TempDir dir;
    const std::string script = makeScript(dir, "command", "echo done\n");
    int polls = 0;
    const TaskCancellation never([&] {
        ++polls;
        return false;
    });
    EXPECT_EQ(SystemCommand::run(script, {}, kFarTimeout, never), "done\n");
    EXPECT_GE(polls, 1);
}

// The process listing's parser.
struct ListingCase {
    const char* name;
    const char* output;
    std::vector<ProcessInfoRow> rows;
};

class ProcessListingCases : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ProcessListingCases, ParsesTheRowsThatAreWellFormed) {
    EXPECT_EQ(SystemSampler::parseProcessListing(GetParam().output), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProcessListingCases,
    ::testing::Values(
        ListingCase{"Empty", "", {}}, ListingCase{"OnlyLineFeeds", "\n\n\n", {}},
        ListingCase{"PathWithBlanksStaysWhole",
                    "   123    4.5     2048 /Applications/Some App.app/Contents/MacOS/Some App\n",
                    {{123, "/Applications/Some App.app/Contents/MacOS/Some App", 4.5, 2097152}}},
        ListingCase{
            "KernelThreadWithSlash", "    2  0.0     0 kworker/R-rcu_gp\n", {{2, "kworker/R-rcu_gp", 0, 0}}},
        ListingCase{"NameWithBlanksAndPadding",
                    "  77 12.0   100   Web Content  \n",
                    {{77, "Web Content", 12, 102400}}},
        ListingCase{"SeveralRowsKeepTheirOrder",
                    "1 0.0 10 init\n\n2 3.5 20 b\n3 99.9 30 c",
                    {{1, "init", 0, 10240}, {2, "b", 3.5, 20480}, {3, "c", 99.9, 30720}}},
        ListingCase{"TabsSeparateToo", "5\t1.5\t8\tname\n", {{5, "name", 1.5, 8192}}},
        ListingCase{"OnlyThreeFields", "1 0.0 10\n1 0.0 10   \n", {}},
        ListingCase{"NonNumericIdentifier", "abc 0.0 10 x\n1a 0.0 10 x\n", {}},
        ListingCase{"DecimalComma", "1 4,5 10 x\n", {}}, ListingCase{"FractionalMemory", "1 4.5 1.5 x\n", {}},
        ListingCase{"NotANumber", "1 nan 10 x\n1 inf 10 x\n1 - 10 x\n", {}},
        ListingCase{"Signs",
                    "+7 +1.5 +3 x\n-8 -0.5 -1 y\n+-9 1 1 z\n9 +-1 1 z\n9 1 ++1 z\n",
                    {{7, "x", 1.5, 3072}, {-8, "y", -0.5, -1024}}},
        ListingCase{"ExponentAndBareDecimals",
                    "1 1e1 1 a\n2 .5 1 b\n3 5. 1 c\n",
                    {{1, "a", 10, 1024}, {2, "b", 0.5, 1024}, {3, "c", 5, 1024}}},
        ListingCase{"IdentifierTooLarge", "99999999999999999999 0 1 x\n", {}},
        ListingCase{"MemorySaturates", "1 0 9223372036854775807 x\n", {{1, "x", 0, INT64_MAX}}},
        ListingCase{"BadLinesAmongGoodOnes",
                    "garbage\n10 1.0 1 ok\n 11 \n12 2.0 2 also ok\n",
                    {{10, "ok", 1, 1024}, {12, "also ok", 2, 2048}}}),
    test::caseName<ListingCase>);

TEST(ProcessListing, RunsTheCommandWithTheListingArguments) {
    TempDir dir;
    const std::string fake =
        makeScript(dir, "ps",
                   "[ \"$#\" = 2 ] && [ \"$1\" = -axo ] && [ \"$2\" = 'pid=,pcpu=,rss=,comm=' ] || "
                   "{ echo \"unexpected arguments: $*\" >&2; exit 2; }\n"
                   "printf '  1  0.5  100 init\\n 42 12.5 2048 worker thread\\n'\n");
    const std::vector<ProcessInfoRow> expected{{1, "init", 0.5, 102400},
                                               {42, "worker thread", 12.5, 2097152}};
    EXPECT_EQ(SystemSampler::processListing(fake), expected);
}

TEST(ProcessListing, EmptyOutputGivesNoRows) {
    TempDir dir;
    EXPECT_TRUE(SystemSampler::processListing(makeScript(dir, "ps", "exit 0\n")).empty());
}

TEST(ProcessListing, FailureOfTheCommandIsThrown) {
    TempDir dir;
    const std::string fake = makeScript(dir, "ps", "echo 'ps: no access' >&2; exit 1\n");
    EXPECT_THROW((void)SystemSampler::processListing(fake), AmbertroveError);
}

TEST(ProcessListing, ListsThisProcessOnThisMachine) {
    if (::access(SystemSampler::kProcessListingCommand, X_OK) != 0)
        GTEST_SKIP() << "no process listing command on this machine";
    const std::vector<ProcessInfoRow> rows = SystemSampler::processListing();
    ASSERT_FALSE(rows.empty());
    const std::string self = readWholeFile("/proc/self/comm");
    const auto mine = std::find_if(rows.begin(), rows.end(),
                                   [](const ProcessInfoRow& row) { return row.id == ::getpid(); });
    ASSERT_NE(mine, rows.end());
    EXPECT_EQ(mine->name + "\n", self);
    EXPECT_GT(mine->memory, 0);
}

TEST(TimeMachineSnapshots, KeepsOnlySnapshotLinesUnchanged) {
    const char* output = "Snapshots for disk /:\n"
                         "com.apple.TimeMachine.2024-01-01-101010.local\n"
                         "\n"
                         " com.apple.TimeMachine.indented\n"
                         "com.apple.TimeMachine.2024-01-02-101010.local \n"
                         "com.apple.other\n";
    const std::vector<std::string> expected{"com.apple.TimeMachine.2024-01-01-101010.local",
                                            "com.apple.TimeMachine.2024-01-02-101010.local "};
    EXPECT_EQ(SystemSampler::parseTimeMachineSnapshots(output), expected);
    EXPECT_TRUE(SystemSampler::parseTimeMachineSnapshots("").empty());
    EXPECT_TRUE(SystemSampler::parseTimeMachineSnapshots("Snapshots for disk /:\n").empty());
}

TEST(TimeMachineSnapshots, FailsWithTheLaunchErrorWhereTheCommandIsMissing) {
    struct stat status {};
    if (::stat(SystemSampler::kTimeMachineCommand, &status) == 0)
        GTEST_SKIP() << "this machine has the snapshot listing command";
    try {
        (void)SystemSampler::timeMachineSnapshots("/");
        FAIL() << "expected a launch error";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
        EXPECT_EQ(std::string(error.what()), "/usr/bin/tmutil: No such file or directory");
    }
}

} // namespace
} // namespace ambertrove
