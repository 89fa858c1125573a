#include "base/Date.hpp"

#include <ctime>

namespace ambertrove {

Date Date::now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return fromUnix(double(ts.tv_sec) + double(ts.tv_nsec) / 1e9);
}

} // namespace ambertrove
