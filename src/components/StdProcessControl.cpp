#include "components/StdProcessControl.h"

#include <cstdio>
#include <cstdlib>

namespace quorvex {

void StdProcessControl::endProcessNow(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace quorvex
