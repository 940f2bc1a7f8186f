#pragma once

#include "auditdata/ExportCommand.h"
#include "auditdata/ParsedCommandLine.h"

#include <QStringList>

namespace quorvex {

// Reads quorvex-export's arguments:
//   quorvex-export --backend sqlserver|sqlbase|sqlite --audit NAME --format csv|xml|xlsx
//                  --file PATH [--purge]
//                  (--server S --user U --database D [--password P | --password-file F]
//                   | --database D [--password P | --password-file F]
//                   | --database FILE (sqlite)
//                   | --odbc "CONNECTION STRING")
class ExportCommandLine {
public:
    using Outcome = CommandLineOutcome;
    using Parsed = ParsedCommandLine<ExportCommand>;

    // arguments: as the process got them, the program's name first.
    static Parsed parse(const QStringList& arguments);
    static QString usage();
};

} // namespace quorvex
