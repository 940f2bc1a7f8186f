#pragma once

#include "auditdata/AuditsCommand.h"

#include <QStringList>

namespace quorvex {

// Reads quorvex-audits' arguments: the login options of quorvex-export (LoginCommandLine), and
//   [--json]
class AuditsCommandLine {
public:
    enum class Outcome { Run, Help, UsageError };

    struct Parsed {
        Outcome outcome = Outcome::UsageError;
        AuditsCommand command; // when Run
        QString error;         // when UsageError
    };

    // arguments: as the process got them, the program's name first.
    static Parsed parse(const QStringList& arguments);
    static QString usage();
};

} // namespace quorvex
