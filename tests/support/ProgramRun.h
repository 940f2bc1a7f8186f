#pragma once

#include <QProcess>
#include <QStringList>

namespace quorvex::testing {

// A built program run as a DBA runs it: its exit status (-1: it did not start or end in time,
// -2: it crashed) and what it wrote.
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;

    static ProgramRun of(const QString& program, const QStringList& arguments,
                         const QByteArray& input = {}, int milliseconds = 120000) {
        QProcess process;
        process.start(program, arguments);
        ProgramRun run;
        if (!process.waitForStarted())
            return run;
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(milliseconds)) {
            run.err = QStringLiteral("did not finish");
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
};

} // namespace quorvex::testing
