#pragma once

#include "components/DesktopServices.h"
#include "components/MessageService.h"
#include "components/ProcessControl.h"
#include "components/WorkingDirectory.h"

namespace quorvex {

class IConnectionFactory;

// The seams every window reaches the outside world through. main() fills it with the real
// implementations; tests with scripted ones. The referenced objects outlive every window.
struct PlatformServices {
    MessageService& messages;
    ProcessControl& process;
    DesktopServices& desktop;
    WorkingDirectory& workingDirectory;
    IConnectionFactory& connections;
};

} // namespace quorvex
