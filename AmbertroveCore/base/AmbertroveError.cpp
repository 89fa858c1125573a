#include "base/AmbertroveError.hpp"

#include <system_error>

namespace ambertrove {

void throwSystemError(int error, int fallback) {
    const int code = error > 0 ? error : fallback;
    throw std::system_error(code, std::generic_category());
}

} // namespace ambertrove
