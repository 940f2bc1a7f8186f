#pragma once

#include "components/PlatformServices.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

namespace quorvex::testing {

// Every seam of the shell with a recording stand-in behind it. The program folder and the
// working folder differ on purpose, so a test sees which one a path was built from.
struct ShellServices {
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop{QStringLiteral("/opt/quorvex/bin")};
    FakeWorkingDirectory workingDirectory{QStringLiteral("/home/dba/work")};
    FakeDatabase database;
    PlatformServices services{messages, process, desktop, workingDirectory, database};
};

} // namespace quorvex::testing
