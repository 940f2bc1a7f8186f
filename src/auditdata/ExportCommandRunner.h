#pragma once

#include "auditdata/ExportCommand.h"
#include "auditdata/LoginConnection.h"

class QTextStream;

namespace quorvex {

class AuditTable;
class IConnection;
class IConnectionFactory;

// Runs one quorvex-export command: connect, export the audit's rows to the file (complete or
// not at all), and with --purge delete exactly the rows the completed file holds, in the same
// transaction (see AuditPurge). Says what it did on `out` and why it stopped on `err`.
class ExportCommandRunner {
public:
    // Exit statuses.
    static constexpr int Success = 0;
    static constexpr int Failure = toolFailure; // nothing was purged; no file was left
    static constexpr int UsageError = toolUsageError;
    static constexpr int PurgeFailed = 3; // the file is complete; the rows are still there

    ExportCommandRunner(IConnectionFactory& connections, QTextStream& out, QTextStream& err);

    int run(const ExportCommand& command);

    // The connection string the login windows would build from the same values, or the ODBC
    // string as given.
    static QString connectionString(const ExportCommand& command);

private:
    // --purge: the rows into the file and exactly those rows deleted, in one transaction.
    int exportAndPurge(IConnection& connection, const AuditTable& audit,
                       const ExportCommand& command);
    void reportWritten(qint64 records, const QString& file);

    IConnectionFactory& m_connections;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace quorvex
