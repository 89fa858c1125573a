#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ambertrove::bench {

// A sub-command of ambertrove-bench: takes its arguments (after the command's name), returns an exit code.
using Command = std::function<int(const std::vector<std::string>&)>;

struct Registration {
    Registration(const char* name, const char* usage, Command command);
};

// Resident set size of this process, in bytes.
long long residentBytes();
// Returns freed heap pages to the system so that RSS shows what is live.
void releaseFreeMemory();
double secondsSince(double start);
double nowSeconds();

} // namespace ambertrove::bench

// Registers a sub-command from its own file: AMBERTROVE_BENCH_COMMAND(scan, "scan PATH", runScan);
#define AMBERTROVE_BENCH_COMMAND(id, usage, function)                                                        \
    static const ::ambertrove::bench::Registration ambertroveBench_##id(#id, usage, function)
