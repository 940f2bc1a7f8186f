#pragma once

#include "auditdata/AuditsCommand.h"
#include "auditdata/ParsedCommandLine.h"

#include <QStringList>

namespace quorvex {

// Reads quorvex-audits' arguments: the login options of quorvex-export (LoginCommandLine), and
//   [--json]
class AuditsCommandLine {
public:
    using Outcome = CommandLineOutcome;
    using Parsed = ParsedCommandLine<AuditsCommand>;

    // arguments: as the process got them, the program's name first.
    static Parsed parse(const QStringList& arguments);
    static QString usage();
};

} // namespace quorvex
