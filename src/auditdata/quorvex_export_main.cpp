// quorvex-export: an audit's recorded rows to a CSV, XML or spreadsheet file, and with --purge
// deleted once the file is complete; for scheduled archive-and-purge jobs.

#include "auditdata/CommandLineTool.h"
#include "auditdata/ExportCommandLine.h"
#include "auditdata/ExportCommandRunner.h"

int main(int argc, char** argv) {
    return quorvex::runCommandLineTool<quorvex::ExportCommandLine, quorvex::ExportCommandRunner>(
        argc, argv, QStringLiteral("quorvex-export"));
}
