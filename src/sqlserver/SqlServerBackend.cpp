#include "sqlserver/SqlServerBackend.h"

#include "auditdata/AuditDataWindows.h"

#include "components/DbException.h"
#include "components/Grid.h"
#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerCreationFlow.h"
#include "sqlserver/SqlServerSession.h"

#include <QCoreApplication>

namespace quorvex {

namespace {

// The system's own audit tables and its catalog. Some engines list names in another letter
// case than they were created with, so they are recognised in any case.
const QString auditTablePrefix = QStringLiteral("tblZOTA_");

} // namespace

SqlServerBackend::SqlServerBackend(SqlServerSession& session, PlatformServices& services)
    : m_session(session), m_services(services), m_catalog(session, services.messages) {}

std::optional<QStringList> SqlServerBackend::load(Grid& installedAudits) {
    IConnection& shared = m_session.sharedConnection();
    if (shared.state() != ConnectionState::Open &&
        !openSqlServerConnection(shared, m_session.login(), m_services.messages))
        return std::nullopt;

    if (!m_catalog.ensure(installedAudits))
        return std::nullopt;

    SqlServerManager::CatalogObjectList tables;
    try {
        tables = m_session.manager().tables(m_session.login().database);
    } catch (const DbException& e) {
        m_services.messages.show(e.description());
        return std::nullopt;
    }
    QStringList auditable;
    for (const SqlServerManager::CatalogObject& table : tables) {
        if (table.systemObject || isOwnTable(table.name))
            continue;
        auditable << table.name;
    }
    return auditable;
}

bool SqlServerBackend::isOwnTable(const QString& table) {
    // An audit table lies in the schema of the user who made it, which need not be dbo.
    const QString bare = table.mid(table.indexOf(u'.') + 1);
    return bare.startsWith(auditTablePrefix, Qt::CaseInsensitive);
}

QString SqlServerBackend::notice() {
    if (m_session.manager().engine() == sqlserver::SqlServerEngine::Babelfish)
        return QCoreApplication::translate(
            "SqlServerBackend",
            "Babelfish: triggers are created without encryption, their text stays readable");
    return {};
}

QStringList SqlServerBackend::listColumns(const QString& table) {
    if (table.isEmpty())
        return {};
    ColumnInfoList columns;
    try {
        columns = m_session.manager().columns(m_session.login().database, table);
    } catch (const DbException& e) {
        // The current table stays the one chosen before.
        m_services.messages.show(e.description());
        return {};
    }
    m_currentTable = table;
    m_currentColumns = columns;
    QStringList names;
    for (const ColumnInfo& column : columns)
        names << column.name;
    return names;
}

void SqlServerBackend::listAudits(Grid& installedAudits) {
    m_catalog.list(installedAudits);
}

void SqlServerBackend::disableAudits(Grid& installedAudits, const QList<int>& rows) {
    switchTriggers(installedAudits, rows, SqlServerCatalog::TriggerState::Disabled);
}

void SqlServerBackend::enableAudits(Grid& installedAudits, const QList<int>& rows) {
    switchTriggers(installedAudits, rows, SqlServerCatalog::TriggerState::Enabled);
}

void SqlServerBackend::deleteAudits(Grid& installedAudits, const QList<int>& rows,
                                    DeleteAnswer answer) {
    if (answer != DeleteAnswer::Yes)
        return;
    const QList<SqlServerCatalog::InstalledAudit> audits = auditsAt(installedAudits, rows);
    if (audits.isEmpty())
        return;
    for (const SqlServerCatalog::InstalledAudit& audit : audits)
        m_catalog.remove(audit);
    m_catalog.list(installedAudits);
}

SaveResult SqlServerBackend::save(const AuditDefinition& definition) {
    return saveSqlServerAudit(definition, m_session, m_services.messages);
}

SqlServerBackend::~SqlServerBackend() = default;

void SqlServerBackend::setAuditDataWindows(std::unique_ptr<AuditDataWindows> windows) {
    m_dataWindows = std::move(windows);
}

void SqlServerBackend::viewAudit(Grid& installedAudits, QWidget*) {
    if (m_dataWindows)
        m_dataWindows->view(installedAudits);
}

void SqlServerBackend::exportAudit(Grid& installedAudits, QWidget*) {
    if (m_dataWindows)
        m_dataWindows->openExport(installedAudits);
}

void SqlServerBackend::switchTriggers(Grid& installedAudits, const QList<int>& rows,
                                      SqlServerCatalog::TriggerState state) {
    const QList<SqlServerCatalog::InstalledAudit> audits = auditsAt(installedAudits, rows);
    if (audits.isEmpty())
        return;
    for (const SqlServerCatalog::InstalledAudit& audit : audits)
        m_catalog.setTriggerState(audit, state);
    m_catalog.list(installedAudits);
}

QList<SqlServerCatalog::InstalledAudit> SqlServerBackend::auditsAt(const Grid& installedAudits,
                                                                   const QList<int>& rows) {
    // Read every row first: a reload in between would renumber them. A row the grid does not
    // have (no current row) names no audit.
    QList<SqlServerCatalog::InstalledAudit> audits;
    for (int row : rows) {
        if (row >= 0 && row < installedAudits.rowCount())
            audits << SqlServerCatalog::auditAt(installedAudits, row);
    }
    return audits;
}

} // namespace quorvex
