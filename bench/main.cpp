#include "BenchCommand.hpp"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <map>
#include <string>
#include <unistd.h>

namespace ambertrove::bench {

namespace {

struct Entry {
    std::string usage;
    Command command;
};

std::map<std::string, Entry>& registry() {
    static std::map<std::string, Entry> commands;
    return commands;
}

} // namespace

Registration::Registration(const char* name, const char* usage, Command command) {
    registry()[name] = Entry{usage, std::move(command)};
}

long long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void releaseFreeMemory() {
    malloc_trim(0);
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double secondsSince(double start) {
    return nowSeconds() - start;
}

} // namespace ambertrove::bench

int main(int argc, char** argv) {
    using namespace ambertrove::bench;
    if (argc < 2 || registry().find(argv[1]) == registry().end()) {
        std::fprintf(stderr, "usage: ambertrove-bench COMMAND ...\n");
        for (const auto& [name, entry] : registry())
            std::fprintf(stderr, "  ambertrove-bench %s\n", entry.usage.c_str());
        return 2;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        return registry()[argv[1]].command(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ambertrove-bench: %s\n", e.what());
        return 1;
    }
}
