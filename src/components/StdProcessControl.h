#pragma once

#include "components/ProcessControl.h"

namespace quorvex {

// Ends the process on the spot: no window's close handling, no destructors.
class StdProcessControl : public ProcessControl {
public:
    void endProcessNow(int exitCode = 0) override;
};

} // namespace quorvex
