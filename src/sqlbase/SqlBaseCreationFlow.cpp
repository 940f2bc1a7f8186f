#include "sqlbase/SqlBaseCreationFlow.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlbase/SqlBaseColumns.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseLiteral.h"
#include "sqlbase/SqlBaseTypeMapping.h"
#include "sqlserver/AuditNameRules.h"

#include <QCoreApplication>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace quorvex::sqlbase {

namespace {

bool isComplete(const AuditDefinition& definition) {
    return !definition.table.isEmpty() && !definition.columns.isEmpty() &&
           !definition.name.isEmpty();
}

QString duplicateQuery(const QString& typedName) {
    return QStringLiteral("SELECT AUDIT_NAME FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = ") +
           sqlBaseStringLiteral(sqlBaseAuditObjectName(typedName));
}

// A long column refused by the generator loses its selection in the column list, so the user
// sees which one it was.
QString refusedLongColumn(const AuditDefinition& definition, const ColumnInfoList& syscolumns,
                          const QString& refusal) {
    for (const QString& name : definition.columns) {
        if (refusal != QStringLiteral("The field ") + name + QStringLiteral(" can not be used. "))
            continue;
        for (const ColumnInfo& column : syscolumns) {
            if (column.name == name && isRefusedSqlBaseColumnType(column.type))
                return name;
        }
    }
    return {};
}

// How to take back what each of the generated statements creates, by sending position: catalog
// row, table, COMMIT, synonym, COMMIT, procedure, trigger, COMMIT.
std::vector<std::optional<QString>> undoStatements(const QString& objectName) {
    return {
        QStringLiteral("DELETE FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = ") +
            sqlBaseStringLiteral(objectName),
        QStringLiteral("DROP TABLE ") + objectName,
        std::nullopt,
        QStringLiteral("DROP PUBLIC SYNONYM ") + objectName,
        std::nullopt,
        QStringLiteral("ERASE ") + objectName,
        QStringLiteral("DROP TRIGGER ") + objectName,
        std::nullopt,
    };
}

// Sends the statements in order. When one fails, removes what the earlier ones created, newest
// first, and shows the provider's message (and what could not be removed, if anything).
bool installAudit(IConnection& connection, const QStringList& statements, const QString& objectName,
                  MessageService& messages) {
    const std::vector<std::optional<QString>> undo = undoStatements(objectName);
    for (qsizetype sent = 0; sent < statements.size(); ++sent) {
        try {
            connection.execute(statements.at(sent));
        } catch (const DbException& failure) {
            QStringList leftovers;
            for (qsizetype i = sent - 1; i >= 0; --i) {
                if (i >= qsizetype(undo.size()) || !undo[size_t(i)])
                    continue;
                try {
                    connection.execute(*undo[size_t(i)]);
                } catch (const DbException& e) {
                    leftovers << e.description();
                }
            }
            try {
                connection.execute(QStringLiteral("COMMIT"));
            } catch (const DbException& e) {
                leftovers << e.description();
            }
            messages.show(failure.description());
            if (!leftovers.isEmpty()) {
                messages.show(QCoreApplication::translate(
                                  "SqlBaseCreationFlow",
                                  "Not everything created for the audit %1 could be removed "
                                  "again:\r\n%2")
                                  .arg(objectName, leftovers.join(QStringLiteral("\r\n"))));
            }
            return false;
        }
    }
    return true;
}

} // namespace

const QString& duplicateSqlBaseAuditMessage() {
    static const QString message =
        QStringLiteral("You already have an Audit with that name.  Please enter another name.");
    return message;
}

SaveResult saveSqlBaseAudit(const AuditDefinition& definition, PlatformServices& services,
                            const SqlBaseLoginValues& login) {
    MessageService& messages = services.messages;
    SaveResult result;

    std::unique_ptr<IConnection> connection =
        connectToSqlBase(services.connections, login, messages);
    if (!connection)
        return result;

    const NameRuleVerdict verdict = checkSqlBaseAuditNames(definition);
    if (!verdict.accepted()) {
        messages.show(verdict.message);
        return result;
    }

    bool duplicate = false;
    try {
        Recordset existing = connection->openRecordset(duplicateQuery(definition.name));
        duplicate = !existing.eof();
    } catch (const DbException& e) {
        messages.show(e.description());
        return result;
    }
    if (!isComplete(definition))
        return result;
    if (duplicate) {
        messages.show(duplicateSqlBaseAuditMessage());
        return result;
    }

    ColumnInfoList syscolumns;
    try {
        syscolumns = readSqlBaseColumns(*connection, definition.table);
    } catch (const DbException& e) {
        messages.show(e.description());
        return result;
    }
    const GeneratedStatements generated = generateSqlBaseAudit(definition, syscolumns);
    if (generated.refused()) {
        messages.show(generated.refusal);
        result.deselectColumn = refusedLongColumn(definition, syscolumns, generated.refusal);
        return result;
    }
    if (!installAudit(*connection, generated.statements, sqlBaseAuditObjectName(definition.name),
                      messages)) {
        return result;
    }
    connection->close();
    result.outcome = SaveResult::Outcome::Saved;
    return result;
}

} // namespace quorvex::sqlbase
