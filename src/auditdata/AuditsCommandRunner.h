#pragma once

#include "auditdata/AuditsCommand.h"
#include "auditdata/LoginConnection.h"
#include "mainwindow/AuditState.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QTextStream;

namespace quorvex {

class IConnection;
class IConnectionFactory;
class MessageService;

// One installed audit as quorvex-audits reports it.
struct AuditReport {
    QString name;  // as the installed-audits grid shows it
    QString table; // the audited table; empty when it cannot be known
    bool enabled = false;
    std::optional<qint64> rows;      // nothing when the audit table could not be counted
    std::optional<AuditState> state; // nothing when it could not be read

    friend bool operator==(const AuditReport&, const AuditReport&) = default;
};

// Runs one quorvex-audits command: connect, list the installed audits with the same catalog
// functions as the main window (their state included), count each audit table's rows, and
// print one line per audit (name, table, enabled, rows, state, separated by tabs; "-" for what
// could not be read) or a JSON array. What went wrong goes to `err`.
class AuditsCommandRunner {
public:
    // Exit statuses.
    static constexpr int Success = 0;           // every audit is ok (or there is none)
    static constexpr int Failure = toolFailure; // the audits, a state or a count could not be read
    static constexpr int UsageError = toolUsageError;
    static constexpr int NotOk = 4; // some audit is not ok

    AuditsCommandRunner(IConnectionFactory& connections, QTextStream& out, QTextStream& err);

    int run(const AuditsCommand& command);

    // The exit status for these reports: Failure when a state is unknown, or a count is where
    // the audit table should be there (the audit is neither broken nor without its table);
    // otherwise NotOk when any state is not ok.
    static int statusOf(const std::vector<AuditReport>& reports);

private:
    std::optional<std::vector<AuditReport>>
    sqlServerReports(std::unique_ptr<IConnection> connection, const AuditsCommand& command,
                     MessageService& messages);
    std::optional<std::vector<AuditReport>> sqliteReports(IConnection& connection,
                                                          MessageService& messages);
    std::optional<std::vector<AuditReport>> sqlBaseReports(std::unique_ptr<IConnection> connection,
                                                           MessageService& messages);
    void print(const std::vector<AuditReport>& reports, AuditsOutput output);

    IConnectionFactory& m_connections;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace quorvex
