#include "auditdata/ExportCommandRunner.h"

#include "auditdata/AuditExporter.h"
#include "auditdata/AuditPurge.h"
#include "auditdata/AuditTable.h"
#include "auditdata/LoginConnection.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ExportCommandRunner", text);
}

} // namespace

ExportCommandRunner::ExportCommandRunner(IConnectionFactory& connections, QTextStream& out,
                                         QTextStream& err)
    : m_connections(connections), m_out(out), m_err(err) {}

QString ExportCommandRunner::connectionString(const ExportCommand& c) {
    return loginConnectionString(c);
}

int ExportCommandRunner::run(const ExportCommand& given) {
    ExportCommand command = given;
    if (const std::optional<int> refused = loginRefused(command, m_err))
        return *refused;

    std::optional<AuditTable> audit = AuditTable::fromName(command.store, command.audit);
    if (!audit) {
        m_err << tr("Invalid audit name: %1 (letters, digits and _ only).").arg(command.audit)
              << Qt::endl;
        return UsageError;
    }
    if (command.olderThanDays)
        audit = audit->olderThan(*command.olderThanDays);

    std::unique_ptr<IConnection> connection = openLoginConnection(m_connections, command, m_err);
    if (!connection)
        return Failure;

    if (command.purge == PurgeAfterExport::Yes)
        return exportAndPurge(*connection, *audit, command);

    ExportResult result;
    try {
        Recordset rows = openAuditRows(*connection, *audit);
        AuditExporter exporter(command.format, command.file, audit->name());
        result = exporter.run(rows);
    } catch (const DbException& e) {
        if (isLockTimeout(e.errors()))
            m_err << tableInUseMessage(audit->tableName()) << Qt::endl;
        else
            m_err << tr("The audit's rows could not be read:") << Qt::endl
                  << errorLines(e.errors()) << Qt::endl;
        connection->close();
        return Failure;
    }
    if (!result.completed()) {
        m_err << result.message << Qt::endl
              << tr("No file was written and nothing was purged.") << Qt::endl;
        connection->close();
        return Failure;
    }
    reportWritten(result.records, command.file);
    connection->close();
    return Success;
}

void ExportCommandRunner::reportWritten(qint64 records, const QString& file) {
    m_out << tr("%1 records written to %2").arg(records).arg(QDir::toNativeSeparators(file))
          << Qt::endl;
}

int ExportCommandRunner::exportAndPurge(IConnection& connection, const AuditTable& audit,
                                        const ExportCommand& command) {
    AuditExporter exporter(command.format, command.file, audit.name());
    const PurgeResult result = AuditPurge(connection, audit).exportAndPurge(exporter);
    connection.close();
    switch (result.outcome) {
    case PurgeResult::Outcome::Purged:
        reportWritten(result.records, command.file);
        if (audit.olderThanDays())
            m_out << tr("%1: the rows older than %2 days purged")
                         .arg(audit.tableName())
                         .arg(*audit.olderThanDays())
                  << Qt::endl;
        else
            m_out << tr("%1 purged").arg(audit.tableName()) << Qt::endl;
        return Success;
    case PurgeResult::Outcome::FileOnly:
        reportWritten(result.records, command.file);
        m_err << tr("The file is complete, but the purge failed:") << Qt::endl
              << errorLines(result.databaseErrors) << Qt::endl;
        return PurgeFailed;
    case PurgeResult::Outcome::Failed:
        if (!result.databaseErrors.isEmpty() && result.records == 0) {
            m_err << tr("The audit's rows could not be read:") << Qt::endl
                  << errorLines(result.databaseErrors) << Qt::endl;
            return Failure;
        }
        break;
    case PurgeResult::Outcome::TableBusy:
    case PurgeResult::Outcome::Cancelled:
        break;
    }
    m_err << result.message << Qt::endl
          << tr("No file was written and nothing was purged.") << Qt::endl;
    return Failure;
}

} // namespace quorvex
