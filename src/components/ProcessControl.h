#pragma once

namespace quorvex {

// Ending the program at once, with no window's close handling (File > Exit, a login window's
// Cancel, the end of a panic). In the program it does not return; a test's stand-in records the
// request and returns, so callers return straight after calling it.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    virtual void endProcessNow(int exitCode = 0) = 0;
};

} // namespace quorvex
