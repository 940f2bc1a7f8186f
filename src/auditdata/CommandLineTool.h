#pragma once

#include "auditdata/ParsedCommandLine.h"
#include "components/OdbcConnectionFactory.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace quorvex {

// The main() of a command-line tool: its arguments read (--help prints the usage, a wrong
// command line says why on stderr), then its command run on ODBC connections. Returns the exit
// status.
template <typename CommandLine, typename Runner>
int runCommandLineTool(int argc, char** argv, const QString& name) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(name);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const auto parsed = CommandLine::parse(QCoreApplication::arguments());
    switch (parsed.outcome) {
    case CommandLineOutcome::Help:
        out << CommandLine::usage() << Qt::flush;
        return Runner::Success;
    case CommandLineOutcome::UsageError:
        err << name << ": " << parsed.error << Qt::endl << "Try " << name << " --help." << Qt::endl;
        return Runner::UsageError;
    case CommandLineOutcome::Run:
        break;
    }

    OdbcConnectionFactory connections;
    Runner runner(connections, out, err);
    return runner.run(parsed.command);
}

} // namespace quorvex
