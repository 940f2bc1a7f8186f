#include "auditdata/AuditsCommandRunner.h"

#include "auditdata/AuditTable.h"
#include "auditdata/LoginConnection.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "components/MessageLog.h"
#include "components/TaskContext.h"
#include "mainwindow/AuditBackend.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseSession.h"
#include "sqlite/SqliteCatalog.h"
#include "sqlserver/SqlServerCatalog.h"
#include "sqlserver/SqlServerSession.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AuditsCommandRunner", text);
}

QString cell(const Row& row, int column) {
    return cellText(row, std::size_t(column)).trimmed();
}

// One report a row of the listing: the name and ENABLED from the columns where the back end's
// grid has them, the state from the row's check; `finish` adds the table and the row count.
template <typename Finish>
std::vector<AuditReport> reportsOf(const AuditListing& listing, int nameColumn, int enabledColumn,
                                   Finish finish) {
    std::vector<AuditReport> reports;
    for (std::size_t i = 0; i < listing.rows.size(); ++i) {
        const Row& row = listing.rows[i];
        const std::optional<AuditCheck> check =
            i < listing.checks.size() ? listing.checks[i] : std::nullopt;
        AuditReport report;
        report.name = cell(row, nameColumn);
        report.enabled = cell(row, enabledColumn) == u"Y";
        report.state = check ? std::optional<AuditState>(check->state) : std::nullopt;
        finish(report, row, check);
        reports.push_back(report);
    }
    return reports;
}

// The audit table's rows, counted by the server; a failure is told.
std::optional<qint64> countRows(IConnection& connection, AuditStore store, const QString& name,
                                MessageService& messages) {
    const std::optional<AuditTable> audit = AuditTable::fromName(store, name);
    if (!audit) {
        messages.show(tr("The audit name %1 cannot name a table.").arg(name));
        return std::nullopt;
    }
    try {
        Recordset count = connection.openRecordset(audit->countStatement());
        bool number = false;
        const qint64 rows =
            count.eof() ? -1 : count.value(0).value_or(QString()).toLongLong(&number);
        if (number && rows >= 0)
            return rows;
        messages.show(tr("The rows of %1 could not be counted.").arg(audit->tableName()));
    } catch (const DbException& e) {
        messages.show(isLockTimeout(e.errors()) ? tableInUseMessage(audit->tableName())
                                                : tr("The rows of %1 could not be counted: %2")
                                                      .arg(audit->tableName(), e.description()));
    }
    return std::nullopt;
}

} // namespace

AuditsCommandRunner::AuditsCommandRunner(IConnectionFactory& connections, QTextStream& out,
                                         QTextStream& err)
    : m_connections(connections), m_out(out), m_err(err) {}

int AuditsCommandRunner::run(const AuditsCommand& given) {
    AuditsCommand command = given;
    if (const std::optional<int> refused = loginRefused(command, m_err))
        return *refused;
    std::unique_ptr<IConnection> connection = openLoginConnection(m_connections, command, m_err);
    if (!connection)
        return Failure;

    MessageLog messages;
    std::optional<std::vector<AuditReport>> reports;
    if (command.store == AuditStore::SqlServer)
        reports = sqlServerReports(std::move(connection), command, messages);
    else if (command.store == AuditStore::Sqlite)
        reports = sqliteReports(*connection, messages);
    else
        reports = sqlBaseReports(std::move(connection), messages);
    for (const QString& text : messages.texts())
        m_err << text << Qt::endl;
    if (!reports)
        return Failure;
    print(*reports, command.output);
    return statusOf(*reports);
}

int AuditsCommandRunner::statusOf(const std::vector<AuditReport>& reports) {
    bool notOk = false;
    for (const AuditReport& report : reports) {
        if (!report.state)
            return Failure;
        // A broken audit may have lost its audit table, an audit without its table too.
        const bool tableMayBeGone =
            *report.state == AuditState::Broken || *report.state == AuditState::TableMissing;
        if (!report.rows && !tableMayBeGone)
            return Failure;
        notOk = notOk || *report.state != AuditState::Ok;
    }
    return notOk ? NotOk : Success;
}

std::optional<std::vector<AuditReport>>
AuditsCommandRunner::sqlServerReports(std::unique_ptr<IConnection> connection,
                                      const AuditsCommand& command, MessageService& messages) {
    SqlServerSession session(
        m_connections,
        SqlServerLoginValues{command.server, command.user, command.password, command.database});
    session.adoptSharedConnection(std::move(connection));
    const std::optional<AuditListing> listing = SqlServerCatalog(session, messages).list();
    if (!listing)
        return std::nullopt;
    IConnection& database = session.sharedConnection();
    try {
        // A count waits for a table a purge holds no longer than a purge waits for it.
        database.execute(sqlServerLockTimeoutStatement());
    } catch (const DbException& e) {
        messages.show(e.description());
        return std::nullopt;
    }
    return reportsOf(
        *listing, 0, 2,
        [&](AuditReport& report, const Row& row, const std::optional<AuditCheck>& check) {
            report.table = check ? check->auditedTable : cell(row, 3);
            report.rows = countRows(database, AuditStore::SqlServer, report.name, messages);
        });
}

std::optional<std::vector<AuditReport>>
AuditsCommandRunner::sqliteReports(IConnection& connection, MessageService& messages) {
    const std::optional<AuditListing> listing = sqlite::SqliteCatalog(connection, messages).list();
    if (!listing)
        return std::nullopt;
    return reportsOf(
        *listing, 0, 2, [&](AuditReport& report, const Row& row, const std::optional<AuditCheck>&) {
            report.table = cell(row, 3);
            report.rows = countRows(connection, AuditStore::Sqlite, report.name, messages);
        });
}

std::optional<std::vector<AuditReport>>
AuditsCommandRunner::sqlBaseReports(std::unique_ptr<IConnection> connection,
                                    MessageService& messages) {
    TaskContext task;
    sqlbase::SqlBaseSession session(std::move(connection), messages, task);
    const std::optional<AuditListing> listing = sqlbase::SqlBaseCatalog(session).list();
    // A catalog that cannot be read lists nothing at all (its failure has been told).
    if (!listing || listing->fields.empty())
        return std::nullopt;
    return reportsOf(
        *listing, 1, 3,
        [](AuditReport& report, const Row& row, const std::optional<AuditCheck>& check) {
            report.table = check ? check->auditedTable : QString();
            report.rows = sqlbase::SqlBaseCatalog::recordCount(cell(row, 0));
        });
}

void AuditsCommandRunner::print(const std::vector<AuditReport>& reports, AuditsOutput output) {
    if (output == AuditsOutput::Json) {
        QJsonArray array;
        for (const AuditReport& r : reports) {
            array.append(QJsonObject{
                {QStringLiteral("name"), r.name},
                {QStringLiteral("table"), r.table},
                {QStringLiteral("enabled"), r.enabled},
                {QStringLiteral("rows"), r.rows ? QJsonValue(double(*r.rows)) : QJsonValue()},
                {QStringLiteral("state"),
                 r.state ? QJsonValue(auditStateText(*r.state)) : QJsonValue()},
            });
        }
        m_out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented))
              << Qt::flush;
        return;
    }
    for (const AuditReport& r : reports) {
        m_out << QStringList{r.name, r.table.isEmpty() ? QStringLiteral("-") : r.table,
                             r.enabled ? QStringLiteral("Y") : QStringLiteral("N"),
                             r.rows ? QString::number(*r.rows) : QStringLiteral("-"),
                             r.state ? auditStateText(*r.state) : QStringLiteral("-")}
                     .join(u'\t')
              << Qt::endl;
    }
}

} // namespace quorvex
