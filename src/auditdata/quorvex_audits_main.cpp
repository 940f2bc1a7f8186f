// quorvex-audits: the installed audits with their state, for monitoring scripts. Exit status 0
// when every audit is ok, 4 when one is not, 1 when they could not be read, 2 on a wrong
// command line.

#include "auditdata/AuditsCommandLine.h"
#include "auditdata/AuditsCommandRunner.h"
#include "components/OdbcConnectionFactory.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvex-audits"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const auto parsed = quorvex::AuditsCommandLine::parse(QCoreApplication::arguments());
    switch (parsed.outcome) {
    case quorvex::AuditsCommandLine::Outcome::Help:
        out << quorvex::AuditsCommandLine::usage() << Qt::flush;
        return quorvex::AuditsCommandRunner::Success;
    case quorvex::AuditsCommandLine::Outcome::UsageError:
        err << "quorvex-audits: " << parsed.error << Qt::endl
            << "Try quorvex-audits --help." << Qt::endl;
        return quorvex::AuditsCommandRunner::UsageError;
    case quorvex::AuditsCommandLine::Outcome::Run:
        break;
    }

    quorvex::OdbcConnectionFactory connections;
    quorvex::AuditsCommandRunner runner(connections, out, err);
    return runner.run(parsed.command);
}
