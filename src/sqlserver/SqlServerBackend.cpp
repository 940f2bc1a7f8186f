#include "sqlserver/SqlServerBackend.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "components/MessageService.h"
#include "components/TaskContext.h"
#include "components/Timeouts.h"
#include "mainwindow/AuditObjectNames.h"
#include "sqlserver/SqlServerCatalog.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerCreationFlow.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerSession.h"

#include <QCoreApplication>

namespace quorvex {

namespace {

// The system's own audit tables and its catalog. Some engines list names in another letter
// case than they were created with, so they are recognised in any case.

QList<SqlServerCatalog::InstalledAudit> auditsOf(const QList<InstalledAuditRow>& rows) {
    QList<SqlServerCatalog::InstalledAudit> audits;
    for (const InstalledAuditRow& row : rows)
        audits << SqlServerCatalog::auditAt(row);
    return audits;
}

} // namespace

SqlServerBackend::SqlServerBackend(IConnectionFactory& connections, SqlServerLoginValues login)
    : m_connections(connections), m_login(std::move(login)) {}

SqlServerBackend::~SqlServerBackend() = default;

bool SqlServerBackend::isOwnTable(const QString& table) {
    // An audit table lies in the schema of the user who made it, which need not be dbo.
    const QString bare = table.mid(table.indexOf(u'.') + 1);
    return bare.startsWith(zotaTablePrefix(), Qt::CaseInsensitive);
}

std::unique_ptr<SqlServerSession> SqlServerBackend::connect(MessageService& messages) {
    auto session = std::make_unique<SqlServerSession>(m_connections, m_login);
    if (!session->connectServer(messages))
        return nullptr;
    // The product does not change while the program runs: asked of the first connection only.
    const int known = m_engine.load();
    if (known < 0)
        m_engine = int(session->manager().engine());
    else
        session->manager().assumeEngine(sqlserver::SqlServerEngine(known));
    return session;
}

std::optional<AuditBackend::Loaded> SqlServerBackend::load(MessageService& messages,
                                                           TaskContext& task) {
    std::unique_ptr<SqlServerSession> session = connect(messages);
    if (!session || !session->openSharedConnection(messages))
        return std::nullopt;
    return session->watched(task.cancelToken(), [&]() -> std::optional<Loaded> {
        SqlServerCatalog catalog(*session, messages);
        std::optional<AuditListing> audits = catalog.ensure();
        if (!audits)
            return std::nullopt;
        Loaded loaded;
        loaded.audits = std::move(*audits);
        try {
            for (const SqlServerManager::CatalogObject& table :
                 session->manager().tables(m_login.database)) {
                if (!table.systemObject && !isOwnTable(table.name))
                    loaded.tables << table.name;
            }
        } catch (const DbException& e) {
            messages.show(failureMessage(
                e.errors(),
                QCoreApplication::translate("SqlServerBackend", "Listing the tables of %1")
                    .arg(m_login.database),
                catalogueQueryTimeoutSeconds));
            return std::nullopt;
        }
        if (session->manager().engine() == sqlserver::SqlServerEngine::Babelfish)
            loaded.notice = QCoreApplication::translate(
                "SqlServerBackend",
                "Babelfish: triggers are created without encryption, their text stays readable");
        return loaded;
    });
}

std::optional<QStringList>
SqlServerBackend::listColumns(const QString& table, MessageService& messages, TaskContext& task) {
    if (table.isEmpty())
        return QStringList();
    std::unique_ptr<SqlServerSession> session = connect(messages);
    if (!session)
        return std::nullopt;
    return session->watched(task.cancelToken(), [&]() -> std::optional<QStringList> {
        try {
            QStringList names;
            for (const ColumnInfo& column : session->manager().columns(m_login.database, table))
                names << column.name;
            return names;
        } catch (const DbException& e) {
            if (!task.isCancelled())
                messages.show(failureMessage(
                    e.errors(),
                    QCoreApplication::translate("SqlServerBackend", "Reading the columns of %1")
                        .arg(table),
                    catalogueQueryTimeoutSeconds));
            return std::nullopt;
        }
    });
}

std::optional<AuditListing> SqlServerBackend::listAudits(MessageService& messages,
                                                         TaskContext& task) {
    std::unique_ptr<SqlServerSession> session = connect(messages);
    if (!session)
        return std::nullopt;
    return session->watched(task.cancelToken(),
                            [&] { return SqlServerCatalog(*session, messages).list(); });
}

std::optional<AuditListing> SqlServerBackend::actOnRows(const QList<InstalledAuditRow>& rows,
                                                        AuditAction action,
                                                        MessageService& messages,
                                                        TaskContext& task) {
    if (rows.isEmpty())
        return std::nullopt;
    std::unique_ptr<SqlServerSession> session = connect(messages);
    if (!session)
        return std::nullopt;
    SqlServerCatalog catalog(*session, messages);
    // Each switch is the flag and the trigger together, the flag put back when the trigger
    // cannot be switched (a cancelled switch included); a delete stops at its first failure by
    // itself (a cancelled drop among them). A cancel ends before the next audit.
    session->watched(task.cancelToken(), [&] {
        for (const SqlServerCatalog::InstalledAudit& audit : auditsOf(rows)) {
            if (task.isCancelled())
                break;
            if (action == AuditAction::Delete)
                catalog.remove(audit);
            else
                catalog.setTriggerState(audit, action == AuditAction::Disable
                                                   ? SqlServerCatalog::TriggerState::Disabled
                                                   : SqlServerCatalog::TriggerState::Enabled);
        }
    });
    return catalog.list();
}

SaveResult SqlServerBackend::save(const AuditDefinition& definition, MessageService& messages,
                                  TaskContext& task) {
    std::unique_ptr<SqlServerSession> session = connect(messages);
    if (!session)
        return {};
    // The reads before the install may be cut short at once; the install's own statements are
    // watched by its chain, and what it takes back never is.
    const CancelToken::Watch reads(task.cancelToken(), session->sharedConnection());
    task.reportStep(
        QCoreApplication::translate("SqlServerBackend", "Installing %1").arg(definition.name));
    return saveSqlServerAudit(definition, *session, messages, &task.cancelToken(),
                              [&task](int run, int steps) { task.reportProgress(run, steps); });
}

} // namespace quorvex
