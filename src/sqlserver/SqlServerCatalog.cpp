#include "sqlserver/SqlServerCatalog.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "components/MessageService.h"
#include "components/Recordset.h"
#include "components/StatementChain.h"
#include "components/Timeouts.h"
#include "mainwindow/AuditObjectNames.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerAuditStates.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerIdentifier.h"
#include "sqlserver/SqlServerManager.h"
#include "sqlserver/SqlServerSession.h"

#include <QCoreApplication>

#include <iterator>

namespace quorvex {

namespace {

using sqlserver::SqlServerIdentifier;

const QString catalogTable = QStringLiteral("tblZOTA_SYSTEM_TABLE");

constexpr int nameColumn = 0;
constexpr int enabledColumn = 2;
constexpr int triggerTableColumn = 3;

QString tr(const char* text) {
    return QCoreApplication::translate("SqlServerCatalog", text);
}

QString flagOf(SqlServerCatalog::TriggerState state) {
    return state == SqlServerCatalog::TriggerState::Enabled ? QStringLiteral("Y")
                                                            : QStringLiteral("N");
}

// TRIGGERTABLE is CHAR(100): the server pads the name with blanks.
QString withoutPadding(const QString& stored) {
    qsizetype end = stored.size();
    while (end > 0 && stored.at(end - 1) == u' ')
        --end;
    return stored.left(end);
}

// The audited table as an ALTER TABLE names it. A regular name is written as it was stored,
// padding and all (blanks are only whitespace there); any other is bracketed.
QString auditedTableText(const QString& stored) {
    const QString name = withoutPadding(stored);
    const SqlServerIdentifier::TableName parts = SqlServerIdentifier::splitTableName(name);
    if (parts.schema.isEmpty())
        return SqlServerIdentifier::isRegular(name) ? stored : SqlServerIdentifier::bracket(name);
    if (SqlServerIdentifier::isRegular(parts.schema) && SqlServerIdentifier::isRegular(parts.table))
        return stored;
    return SqlServerIdentifier::quote(parts.schema) + u'.' +
           SqlServerIdentifier::quote(parts.table);
}

// A trigger lives in the schema of its table, so outside dbo its name needs that schema.
QString triggerSchemaPrefix(const QString& stored) {
    return SqlServerIdentifier::schemaPrefix(withoutPadding(stored));
}

} // namespace

SqlServerCatalog::SqlServerCatalog(SqlServerSession& session, MessageService& messages)
    : m_session(session), m_messages(messages) {}

std::optional<AuditListing> SqlServerCatalog::ensure() {
    try {
        if (m_session.manager().findUserTable(m_session.login().database, catalogTable)) {
            if (!m_session.openSharedConnection(m_messages))
                return std::nullopt;
            return loadAudits();
        }
    } catch (const DbException& e) {
        m_messages.show(startupFailureMessage(e));
        return std::nullopt;
    }
    // A new catalog is empty: there is nothing to list.
    try {
        m_session.executeStatement(createStatement());
        return AuditListing();
    } catch (const DbException& e) {
        m_messages.show(startupFailureMessage(e));
        return std::nullopt;
    }
}

std::optional<AuditListing> SqlServerCatalog::list() {
    if (!m_session.openSharedConnection(m_messages))
        return std::nullopt;
    try {
        return loadAudits();
    } catch (const DbException& e) {
        m_messages.show(failureMessage(e.errors(), tr("Listing the installed audits"),
                                       catalogueQueryTimeoutSeconds));
        return std::nullopt;
    }
}

bool SqlServerCatalog::setTriggerState(const InstalledAudit& audit, TriggerState state) {
    try {
        m_session.executeStatement(enabledFlagStatement(audit.name, flagOf(state)));
    } catch (const DbException& e) {
        // The trigger is left as it is, so row and trigger still agree.
        m_messages.show(e.description());
        return false;
    }
    try {
        m_session.executeStatement(triggerStatement(audit.triggerTable, audit.name, state));
        return true;
    } catch (const DbException& alterFailure) {
        QString text = alterFailure.isLockTimeout()
                           ? tableInUseMessage(withoutPadding(audit.triggerTable))
                           : alterFailure.description();
        // The trigger did not change: its row goes back to what it said before.
        QString previous = audit.enabled.trimmed();
        if (previous.isEmpty()) {
            previous = flagOf(state == TriggerState::Enabled ? TriggerState::Disabled
                                                             : TriggerState::Enabled);
        }
        try {
            m_session.executeStatement(enabledFlagStatement(audit.name, previous));
        } catch (const DbException& revertFailure) {
            text += QStringLiteral("\r\n\r\n") +
                    tr("The audit's ENABLED flag could not be put back either, so "
                       "tblZOTA_SYSTEM_TABLE does not show the trigger's state:") +
                    QStringLiteral("\r\n") + revertFailure.description();
        }
        m_messages.show(text);
        return false;
    }
}

bool SqlServerCatalog::remove(const InstalledAudit& audit) {
    const QStringList statements = removeStatements(audit.name, audit.triggerTable);
    const QString auditedTable = withoutPadding(audit.triggerTable);
    // What is already gone cannot be dropped, and need not be: the rest is still removed. A
    // trigger or table that is still there ends the delete, the catalog row kept.
    StatementChain chain({
        {statements[0],
         {},
         [this, &audit](const DbException& e) {
             return !e.isLockTimeout() && !triggerStillExists(audit.name);
         }},
        {statements[1],
         {},
         [this, &audit](const DbException&) { return !auditTableStillExists(audit.name); }},
        {statements[2], {}, [](const DbException&) { return true; }},
    });
    const ChainResult result =
        chain.run([this](const QString& statement) { m_session.executeStatement(statement); },
                  nullptr, nullptr);
    if (result.completed())
        return true;
    const DbException& failure = *result.failure;
    if (result.failedStep == 0 && failure.isLockTimeout()) {
        m_messages.show(tableInUseMessage(auditedTable));
    } else if (result.failedStep == 0) {
        m_messages.show(tr("The audit %1 was not deleted: its trigger could not be dropped, so its "
                           "table is kept and changes to %2 keep working.")
                            .arg(audit.name, auditedTable) +
                        QStringLiteral("\r\n\r\n") + failure.description());
    } else {
        m_messages.show(tr("The trigger of the audit %1 was removed, but its table %2 could not "
                           "be dropped. The audit stays listed so that it can be deleted again.")
                            .arg(audit.name, zotaTableName(audit.name)) +
                        QStringLiteral("\r\n\r\n") + failure.description());
    }
    return false;
}

SqlServerCatalog::InstalledAudit SqlServerCatalog::auditAt(const InstalledAuditRow& row) {
    return {row.value(nameColumn), row.value(enabledColumn), row.value(triggerTableColumn)};
}

QString SqlServerCatalog::createStatement() {
    return QStringLiteral("Create Table [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT "
                          "NULL , [AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) "
                          "NOT NULL, [TRIGGERTABLE] [CHAR] (100) NOT NULL)");
}

QString SqlServerCatalog::listStatement() {
    return QStringLiteral(
        "Select AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED,TRIGGERTABLE from tblZOTA_SYSTEM_TABLE");
}

QString SqlServerCatalog::enabledFlagStatement(const QString& auditName, const QString& flag) {
    // The name rules keep quotes out of audit names; a row written by hand may still hold one.
    return QStringLiteral("UPDATE tblZOTA_SYSTEM_TABLE SET ENABLED = ") +
           SqlServerIdentifier::literal(flag) + QStringLiteral(" WHERE AUDIT_NAME = ") +
           SqlServerIdentifier::literal(auditName);
}

QString SqlServerCatalog::triggerStatement(const QString& triggerTable, const QString& auditName,
                                           TriggerState state) {
    return QStringLiteral("ALTER TABLE ") + auditedTableText(triggerTable) +
           (state == TriggerState::Enabled ? QStringLiteral(" ENABLE TRIGGER ")
                                           : QStringLiteral(" DISABLE TRIGGER ")) +
           sqlserver::sqlServerTriggerName(auditName);
}

QStringList SqlServerCatalog::removeStatements(const QString& auditName,
                                               const QString& triggerTable) {
    return {QStringLiteral("DROP TRIGGER ") + triggerSchemaPrefix(triggerTable) +
                sqlserver::sqlServerTriggerName(auditName),
            QStringLiteral("DROP TABLE ") + SqlServerIdentifier::quote(zotaTableName(auditName)),
            QStringLiteral("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = ") +
                SqlServerIdentifier::literal(auditName)};
}

QString SqlServerCatalog::startupFailureMessage(const DbException& failure) {
    const qint32 number = failure.errors().isEmpty() ? 0 : failure.errors().first().number;
    return QStringLiteral("ZOTA_system") + QString::number(number) + QStringLiteral("  ") +
           failure.description();
}

bool SqlServerCatalog::triggerStillExists(const QString& auditName) {
    // The server gives the same error for a trigger that is gone and for missing rights, so
    // the catalogue is asked.
    try {
        return m_session.manager().triggerState(m_session.login().database,
                                                zotaTriggerName(auditName)) !=
               SqlServerManager::TriggerState::Missing;
    } catch (const DbException&) {
        return true;
    }
}

bool SqlServerCatalog::auditTableStillExists(const QString& auditName) {
    try {
        return m_session.manager()
            .findUserTable(m_session.login().database, zotaTableName(auditName))
            .has_value();
    } catch (const DbException&) {
        return true; // not known to be gone
    }
}

AuditListing SqlServerCatalog::loadAudits() {
    AuditListing listing;
    {
        Recordset rows =
            m_session.sharedConnection().openRecordset(listStatement(), CursorType::ForwardOnly);
        listing.fields = rows.fields();
        for (; !rows.eof(); rows.moveNext())
            listing.rows.push_back(rows.currentRow());
    }
    addStates(listing);
    return listing;
}

void SqlServerCatalog::addStates(AuditListing& listing) {
    QList<SqlServerAuditStates::Audit> audits;
    for (const Row& row : listing.rows) {
        audits.append({cellText(row, nameColumn).trimmed(),
                       withoutPadding(cellText(row, triggerTableColumn))});
    }
    std::vector<std::optional<AuditCheck>> checks;
    try {
        for (const AuditCheck& check :
             SqlServerAuditStates::read(m_session.sharedConnection(), audits))
            checks.emplace_back(check);
    } catch (const DbException& e) {
        // The audits are listed all the same; their states stay empty.
        m_messages.show(failureMessage(e.errors(), tr("Reading the state of the installed audits"),
                                       catalogueQueryTimeoutSeconds));
        checks.clear();
    }
    listing.addStates(std::move(checks));
}

} // namespace quorvex
