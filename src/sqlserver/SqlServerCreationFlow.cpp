#include "sqlserver/SqlServerCreationFlow.h"

#include "components/CancelToken.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "components/MessageService.h"
#include "components/Recordset.h"
#include "components/StatementChain.h"
#include "mainwindow/SaveMessages.h"
#include "sqlserver/SqlServerAuditGenerator.h"
#include "sqlserver/SqlServerAuditTableGenerator.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerIdentifier.h"
#include "sqlserver/SqlServerSession.h"
#include "sqlserver/SqlServerTriggerGenerator.h"

#include <QCoreApplication>

#include <optional>

namespace quorvex {

namespace {

using sqlserver::SqlServerAuditTableGenerator;
using sqlserver::SqlServerIdentifier;
using sqlserver::SqlServerTriggerGenerator;

QString tr(const char* text) {
    return QCoreApplication::translate("SqlServerCreationFlow", text);
}

const QString auditColumnsFailedMessage = QStringLiteral("Error creating audit table colums.");
const QString triggerTextFailedMessage = QStringLiteral("Error creating trigger text");

QString duplicateNameQuery(const QString& name) {
    return QStringLiteral("SELECT AUDIT_NAME FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = ") +
           SqlServerIdentifier::literal(name);
}

SaveResult notSaved(const QString& deselectColumn = {}) {
    return {SaveResult::Outcome::NotSaved, deselectColumn};
}

// One save, from the checks to the catalog row. Whatever it created is removed again when a
// later step fails, newest first, so no trigger is ever left writing into a missing table.
class SqlServerSave {
public:
    SqlServerSave(const AuditDefinition& definition, SqlServerSession& session,
                  MessageService& messages, CancelToken* cancel, StatementChain::Progress progress)
        : m_definition(definition), m_session(session), m_messages(messages), m_cancel(cancel),
          m_progress(std::move(progress)) {}

    SaveResult run();

private:
    bool nameIsFree();
    bool tableNameFitsCatalog();
    // Nothing when they could not be read (the reason has been shown).
    std::optional<ColumnInfoList> readTableColumns();
    SaveResult install(const sqlserver::SqlServerAuditTableGenerator& table,
                       const sqlserver::SqlServerTriggerGenerator& trigger);
    // After a read failed: whether a cancel cut it short, in which case that is what is told.
    bool cancelled();
    // What failed, then the server's own words.
    void report(const QString& what, const DbException& failure);

    const AuditDefinition& m_definition;
    SqlServerSession& m_session;
    MessageService& m_messages;
    CancelToken* m_cancel = nullptr;
    StatementChain::Progress m_progress;
};

SaveResult SqlServerSave::run() {
    if (!m_session.openSharedConnection(m_messages))
        return notSaved();

    const QString entries = sqlserver::checkSqlServerAuditEntries(m_definition);
    if (!entries.isEmpty()) {
        m_messages.show(entries);
        return notSaved();
    }
    if (!nameIsFree())
        return notSaved();
    if (!tableNameFitsCatalog())
        return notSaved();

    // The columns of the table this very audit names, read now: the audit table must copy what
    // the table holds at the moment the trigger goes on it.
    const std::optional<ColumnInfoList> columns = readTableColumns();
    if (!columns)
        return notSaved();
    const ColumnInfoList& tableColumns = *columns;

    const SqlServerAuditTableGenerator table(m_definition, tableColumns);
    if (table.refused()) {
        m_messages.show(table.refusal());
        m_messages.show(auditColumnsFailedMessage);
        return notSaved(table.deselectedColumn());
    }
    const SqlServerTriggerGenerator trigger(m_definition, tableColumns, table,
                                            m_session.manager().engine());
    if (trigger.refused()) {
        m_messages.show(trigger.refusal());
        m_messages.show(triggerTextFailedMessage);
        return notSaved();
    }

    return install(table, trigger);
}

// The audit table, on Babelfish its grant, the trigger and the catalog row, as one chain: what
// the failing step leaves is taken back newest first, and a trigger that cannot be dropped
// again keeps the table it writes to.
SaveResult SqlServerSave::install(const SqlServerAuditTableGenerator& table,
                                  const SqlServerTriggerGenerator& trigger) {
    const QString auditTable = table.auditTableName();
    // A trigger lives in its table's schema: outside dbo its name needs the schema.
    const QString triggerName = SqlServerIdentifier::schemaPrefix(m_definition.table) +
                                sqlserver::sqlServerTriggerName(m_definition.name);
    enum Step { Table, Grant, Trigger, CatalogRow };
    QList<ChainStep> steps{
        {table.createTableStatement(), QStringLiteral("DROP TABLE ") + auditTable, {}}};
    QList<Step> kinds{Table};
    if (m_session.manager().engine() == sqlserver::SqlServerEngine::Babelfish) {
        steps.append({table.grantInsertStatement(), {}, {}});
        kinds << Grant;
    }
    steps.append({trigger.triggerText(), QStringLiteral("DROP TRIGGER ") + triggerName, {}});
    steps.append({sqlserver::sqlServerCatalogInsertStatement(
                      m_definition.name, m_definition.description, m_definition.table),
                  {},
                  {}});
    kinds << Trigger << CatalogRow;

    IConnection* watched = m_session.manager().openConnection();
    StatementChain chain(steps);
    chain.setProgress(m_progress);
    const ChainResult result =
        chain.run([this](const QString& statement) { m_session.executeStatement(statement); },
                  m_cancel, watched);
    if (result.completed())
        return {SaveResult::Outcome::Saved, {}};

    if (result.cancelled) {
        cancelled();
    } else {
        const DbException& failure = *result.failure;
        switch (kinds[result.failedStep]) {
        case Table:
            m_messages.show(failure.description());
            m_messages.show(tableRefusedMessage());
            break;
        case Grant:
            report(tableRefusedMessage(), failure);
            break;
        case Trigger:
            if (failure.isLockTimeout())
                m_messages.show(tableInUseMessage(m_definition.table));
            else
                report(triggerRefusedMessage(), failure);
            break;
        case CatalogRow:
            // An audit missing from the catalog could be neither listed nor deleted: it goes.
            report(catalogRowRefusedMessage(), failure);
            break;
        }
    }
    for (const ChainResult::UndoFailure& undo : result.undoFailures) {
        if (kinds[undo.step] == Trigger) {
            // The table stays: a trigger whose audit table is gone would make every change of
            // the audited table fail.
            report(tr("The trigger %1 could not be removed again, so its audit table %2 is kept "
                      "as well. Both are installed without an entry in tblZOTA_SYSTEM_TABLE: "
                      "please remove them by hand.")
                       .arg(triggerName, auditTable),
                   undo.failure);
        } else {
            report(tr("The audit table %1 could not be removed again: please remove it by hand.")
                       .arg(auditTable),
                   undo.failure);
        }
    }
    return notSaved();
}

bool SqlServerSave::nameIsFree() {
    try {
        Recordset rows =
            m_session.sharedConnection().openRecordset(duplicateNameQuery(m_definition.name));
        const bool taken = !rows.eof();
        rows.close();
        if (taken) {
            m_messages.show(duplicateAuditNameMessage());
            return false;
        }
        return true;
    } catch (const DbException& e) {
        if (cancelled())
            return false;
        // Without the catalog's answer a second audit of the same name could be installed.
        report(tr("Error reading tblZOTA_SYSTEM_TABLE to check the Audit Name"), e);
        return false;
    }
}

// TRIGGERTABLE is char(100) in the database's code page: a table name with a character the code
// page lacks would be kept as another name ("?" in its place), and Disable, Enable and Delete
// would then miss the table. The server's own conversion decides, compared byte for byte so
// that no collation takes "?" or a look-alike letter for the original.
bool SqlServerSave::tableNameFitsCatalog() {
    const QString name = SqlServerIdentifier::unicodeLiteral(m_definition.table);
    const QString query =
        QStringLiteral("SELECT CASE WHEN CAST(RTRIM(CAST(CAST(%1 AS char(100)) AS nvarchar(200))) "
                       "AS varbinary(400)) = CAST(RTRIM(%1) AS varbinary(400)) THEN 1 ELSE 0 END")
            .arg(name);
    try {
        Recordset rows = m_session.sharedConnection().openRecordset(query);
        const bool kept = !rows.eof() && rows.value(0).value_or(QString()) == u"1";
        rows.close();
        if (!kept) {
            m_messages.show(tr("The table name %1 has characters that the database's code page "
                               "cannot hold, so tblZOTA_SYSTEM_TABLE would keep another name "
                               "and the audit could not be disabled, enabled or deleted. No "
                               "audit can be installed on this table.")
                                .arg(m_definition.table));
        }
        return kept;
    } catch (const DbException& e) {
        if (cancelled())
            return false;
        report(tr("Error asking the server whether tblZOTA_SYSTEM_TABLE can keep the table name"),
               e);
        return false;
    }
}

std::optional<ColumnInfoList> SqlServerSave::readTableColumns() {
    try {
        return m_session.manager().columns(m_session.login().database, m_definition.table);
    } catch (const DbException& e) {
        if (cancelled())
            return std::nullopt;
        m_messages.show(e.description());
        m_messages.show(auditColumnsFailedMessage);
        return std::nullopt;
    }
}

bool SqlServerSave::cancelled() {
    if (m_cancel == nullptr || !m_cancel->isCancelled())
        return false;
    m_messages.show(saveCancelledMessage(m_definition.name));
    return true;
}

void SqlServerSave::report(const QString& what, const DbException& failure) {
    m_messages.show(what);
    m_messages.show(failure.description());
}

} // namespace

SaveResult saveSqlServerAudit(const AuditDefinition& definition, SqlServerSession& session,
                              MessageService& messages, CancelToken* cancel,
                              StatementChain::Progress progress) {
    return SqlServerSave(definition, session, messages, cancel, std::move(progress)).run();
}

} // namespace quorvex
