#include "sqlbase/SqlBaseCreationFlow.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/TaskContext.h"
#include "mainwindow/SaveMessages.h"
#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlbase/SqlBaseColumns.h"
#include "sqlbase/SqlBaseLiteral.h"
#include "sqlbase/SqlBaseSession.h"
#include "sqlbase/SqlBaseTypeMapping.h"
#include "sqlserver/AuditNameRules.h"

#include <QCoreApplication>

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
        if (const ColumnInfo* column = findColumn(syscolumns, name);
            column && isRefusedSqlBaseColumnType(column->type))
            return name;
    }
    return {};
}

// How to take back what each of the generated statements creates, by sending position: catalog
// row, table, COMMIT, synonym, COMMIT, procedure, trigger, COMMIT.
QStringList undoStatements(const QString& objectName) {
    return {
        QStringLiteral("DELETE FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = ") +
            sqlBaseStringLiteral(objectName),
        QStringLiteral("DROP TABLE ") + objectName,
        QString(),
        QStringLiteral("DROP PUBLIC SYNONYM ") + objectName,
        QString(),
        QStringLiteral("ERASE ") + objectName,
        QStringLiteral("DROP TRIGGER ") + objectName,
        QString(),
    };
}

// Tells why the install did not happen (unless the user cancelled it) and what stayed.
void tellInstallEnd(const ChainResult& result, const QString& objectName,
                    MessageService& messages) {
    if (!result.cancelled && result.failure)
        messages.show(result.failure->description());
    if (result.undoFailures.isEmpty())
        return;
    QStringList leftovers;
    for (const ChainResult::UndoFailure& failure : result.undoFailures)
        leftovers << failure.failure.description();
    messages.show(QCoreApplication::translate("SqlBaseCreationFlow",
                                              "Not everything created for the audit %1 could be "
                                              "removed again:\r\n%2")
                      .arg(objectName, leftovers.join(QStringLiteral("\r\n"))));
}

} // namespace

const QString& duplicateSqlBaseAuditMessage() {
    static const QString message = duplicateAuditNameMessage();
    return message;
}

StatementChain sqlBaseInstallChain(const QStringList& statements, const QString& objectName) {
    const QStringList undo = undoStatements(objectName);
    QList<ChainStep> steps;
    for (qsizetype i = 0; i < statements.size(); ++i)
        steps.append(ChainStep{statements.at(i), undo.value(i), {}});
    // Everything that can be taken back is, even past a step that cannot: the catalog row and
    // the table must not outlive a failed install. The COMMIT makes the taking back last.
    StatementChain chain(steps, StatementChain::UndoFailures::UndoTheRest);
    chain.setAfterUndo(QStringLiteral("COMMIT"));
    return chain;
}

SaveResult saveSqlBaseAudit(const AuditDefinition& definition, SqlBaseSession& session) {
    MessageService& messages = session.messages();
    SaveResult result;

    const NameRuleVerdict verdict = checkSqlBaseAuditNames(definition);
    if (!verdict.accepted()) {
        messages.show(verdict.message);
        return result;
    }

    bool duplicate = false;
    try {
        duplicate = !session.read(duplicateQuery(definition.name)).rows.empty();
    } catch (const DbException& e) {
        if (!session.isCancelled())
            messages.show(
                sqlBaseReadFailure(e, QCoreApplication::translate("SqlBaseCreationFlow",
                                                                  "Reading the audit catalog")));
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
        syscolumns = readSqlBaseColumns(session, definition.table);
    } catch (const DbException& e) {
        if (!session.isCancelled())
            messages.show(sqlBaseReadFailure(
                e, QCoreApplication::translate("SqlBaseCreationFlow", "Reading the columns of %1")
                       .arg(definition.table)));
        return result;
    }
    const GeneratedStatements generated = generateSqlBaseAudit(definition, syscolumns);
    if (generated.refused()) {
        messages.show(generated.refusal);
        result.deselectColumn = refusedLongColumn(definition, syscolumns, generated.refusal);
        return result;
    }
    // The last point where stopping leaves nothing to take back.
    if (session.isCancelled())
        return result;

    const QString objectName = sqlBaseAuditObjectName(definition.name);
    session.connection().setQueryTimeout(0);
    StatementChain chain = sqlBaseInstallChain(generated.statements, objectName);
    TaskContext& task = session.task();
    task.reportStep(
        QCoreApplication::translate("SqlBaseCreationFlow", "Installing %1").arg(objectName));
    chain.setProgress([&task](int run, int steps) { task.reportProgress(run, steps); });
    const ChainResult installed = chain.run(session.connection(), &session.cancelToken());
    if (!installed.completed()) {
        tellInstallEnd(installed, objectName, messages);
        return result;
    }
    result.outcome = SaveResult::Outcome::Saved;
    return result;
}

} // namespace quorvex::sqlbase
