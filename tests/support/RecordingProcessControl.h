#pragma once

#include "components/ProcessControl.h"

#include <QList>

namespace quorvex::testing {

// Records "end the process now" instead of ending the test.
class RecordingProcessControl : public ProcessControl {
public:
    void endProcessNow(int exitCode = 0) override { m_exitCodes.append(exitCode); }
    const QList<int>& exitCodes() const { return m_exitCodes; }

private:
    QList<int> m_exitCodes;
};

} // namespace quorvex::testing
