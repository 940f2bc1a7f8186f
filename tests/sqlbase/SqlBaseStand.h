#pragma once

#include "SqlBaseGeneratorTesting.h"
#include "components/PlatformServices.h"
#include "sqlbase/SqlBaseLoginValues.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

namespace quorvex::testing {

// The SQLBase back end's outside world: a scripted database, scripted message boxes, a process
// that records its end, and the login values a login window would have left.
struct SqlBaseStand {
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    FakeDatabase database;
    PlatformServices services{messages, process, desktop, workingDirectory, database};
    sqlbase::SqlBaseLoginValues login{QStringLiteral("ORDERSDB"), QStringLiteral("secret")};
};

inline QString standConnectionString() {
    return QStringLiteral("Provider=SQLBASEOLEDB.1;Password=secret;Persist Security Info=True;"
                          "User ID=SYSADM;Data Source=ORDERSDB");
}

} // namespace quorvex::testing
