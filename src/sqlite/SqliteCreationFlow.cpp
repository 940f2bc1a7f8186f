#include "sqlite/SqliteCreationFlow.h"

#include "components/CancelToken.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/Recordset.h"
#include "components/StatementChain.h"
#include "mainwindow/SaveMessages.h"
#include "sqlite/SqliteAuditGenerator.h"
#include "sqlite/SqliteCatalog.h"
#include "sqlite/SqliteIdentifier.h"
#include "sqlite/SqliteSchema.h"
#include "sqlite/SqliteTransaction.h"

#include <QCoreApplication>

namespace quorvex::sqlite {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SqliteCreationFlow", text);
}

// SQLite names compare without regard to the case of A to Z: "Orders" and "ORDERS" would name
// the same audit table.
QString duplicateNameQuery(const QString& name) {
    return QStringLiteral("SELECT \"AUDIT_NAME\" FROM ") +
           SqliteIdentifier::quote(catalogTableName()) +
           QStringLiteral(" WHERE \"AUDIT_NAME\" = ") + SqliteIdentifier::literal(name) +
           QStringLiteral(" COLLATE NOCASE");
}

class SqliteSave {
public:
    SqliteSave(const AuditDefinition& definition, IConnection& connection, MessageService& messages,
               CancelToken* cancel)
        : m_definition(definition), m_connection(connection), m_messages(messages),
          m_cancel(cancel) {}

    SaveResult run() {
        const QString entries = checkSqliteAuditEntries(m_definition);
        if (!entries.isEmpty()) {
            m_messages.show(entries);
            return {};
        }
        try {
            if (!nameIsFree())
                return {};
            // The columns as the table has them now: the audit table copies what the trigger
            // will read.
            const ColumnInfoList columns = SqliteSchema::columns(m_connection, m_definition.table);
            if (columns.isEmpty()) {
                m_messages.show(
                    tr("The table %1 is not in the database any more.").arg(m_definition.table));
                return {};
            }
            const GeneratedStatements statements = generateSqliteAudit(m_definition, columns);
            if (statements.refused()) {
                m_messages.show(statements.refusal);
                return {};
            }
            return install(statements.statements);
        } catch (const DbException& e) {
            if (!cancelled())
                report(tr("Error reading the database before installing the audit"), e);
            return {};
        }
    }

private:
    bool nameIsFree() {
        Recordset rows = m_connection.openRecordset(duplicateNameQuery(m_definition.name));
        if (rows.eof())
            return true;
        m_messages.show(duplicateAuditNameMessage());
        return false;
    }

    // Table, trigger and catalog row in one transaction: the first failure takes all of them
    // back.
    SaveResult install(const QStringList& statements) {
        enum Step { Table, Trigger, CatalogRow };
        ChainResult result;
        try {
            SqliteTransaction transaction(m_connection, m_cancel);
            QList<ChainStep> steps;
            for (const QString& statement : statements)
                steps.append({statement, {}, {}});
            result = StatementChain(steps).run(
                [this](const QString& statement) { m_connection.execute(statement); }, m_cancel,
                nullptr);
            if (result.completed()) {
                transaction.commit();
                return {SaveResult::Outcome::Saved, {}};
            }
        } catch (const DbException& e) {
            // BEGIN or COMMIT: nothing is installed.
            if (!cancelled())
                report(tr("The audit %1 was not installed; nothing was changed.")
                           .arg(m_definition.name),
                       e);
            return {};
        }
        if (result.cancelled) {
            cancelled();
            return {};
        }
        const DbException& failure = *result.failure;
        if (failure.isLockTimeout()) {
            m_messages.show(SqliteCatalog::databaseInUseMessage());
            return {};
        }
        switch (Step(result.failedStep)) {
        case Table:
            m_messages.show(failure.description());
            m_messages.show(tableRefusedMessage());
            break;
        case Trigger:
            report(triggerRefusedMessage(), failure);
            break;
        case CatalogRow:
            report(catalogRowRefusedMessage(), failure);
            break;
        }
        return {};
    }

    // Whether a cancel cut the save short, in which case that is what is told.
    bool cancelled() {
        if (m_cancel == nullptr || !m_cancel->isCancelled())
            return false;
        m_messages.show(saveCancelledMessage(m_definition.name));
        return true;
    }

    void report(const QString& what, const DbException& failure) {
        m_messages.show(what);
        m_messages.show(failure.isLockTimeout() ? SqliteCatalog::databaseInUseMessage()
                                                : failure.description());
    }

    const AuditDefinition& m_definition;
    IConnection& m_connection;
    MessageService& m_messages;
    CancelToken* m_cancel = nullptr;
};

} // namespace

SaveResult saveSqliteAudit(const AuditDefinition& definition, IConnection& connection,
                           MessageService& messages, CancelToken* cancel) {
    return SqliteSave(definition, connection, messages, cancel).run();
}

} // namespace quorvex::sqlite
