// quorvex-audits: the installed audits with their state, for monitoring scripts. Exit status 0
// when every audit is ok, 4 when one is not, 1 when they could not be read, 2 on a wrong
// command line.

#include "auditdata/AuditsCommandLine.h"
#include "auditdata/AuditsCommandRunner.h"
#include "auditdata/CommandLineTool.h"

int main(int argc, char** argv) {
    return quorvex::runCommandLineTool<quorvex::AuditsCommandLine, quorvex::AuditsCommandRunner>(
        argc, argv, QStringLiteral("quorvex-audits"));
}
