// quorvex-export: an audit's recorded rows to a CSV, XML or spreadsheet file, and with --purge
// deleted once the file is complete; for scheduled archive-and-purge jobs.

#include "auditdata/ExportCommandLine.h"
#include "auditdata/ExportCommandRunner.h"
#include "components/OdbcConnectionFactory.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvex-export"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const auto parsed = quorvex::ExportCommandLine::parse(QCoreApplication::arguments());
    switch (parsed.outcome) {
    case quorvex::ExportCommandLine::Outcome::Help:
        out << quorvex::ExportCommandLine::usage() << Qt::flush;
        return quorvex::ExportCommandRunner::Success;
    case quorvex::ExportCommandLine::Outcome::UsageError:
        err << "quorvex-export: " << parsed.error << Qt::endl
            << "Try quorvex-export --help." << Qt::endl;
        return quorvex::ExportCommandRunner::UsageError;
    case quorvex::ExportCommandLine::Outcome::Run:
        break;
    }

    quorvex::OdbcConnectionFactory connections;
    quorvex::ExportCommandRunner runner(connections, out, err);
    return runner.run(parsed.command);
}
