#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"
#include "sqlserver/SqlServerEngine.h"

#include <QCoreApplication>
#include <QString>

namespace quorvex::sqlserver {

class SqlServerAuditTableGenerator;

// The T-SQL trigger that fills an audit table. It copies all affected rows with one set-based
// INSERT and tests the conditions row by row in its WHERE clause, so a statement that touches
// many rows is audited row for row and never fails because of the audit. An update audit that
// records only real changes pairs each new row with its old one through the primary key and
// compares the watched columns.
class SqlServerTriggerGenerator {
    Q_DECLARE_TR_FUNCTIONS(SqlServerTriggerGenerator)

public:
    // `table` must not be refused.
    SqlServerTriggerGenerator(const AuditDefinition& definition, const ColumnInfoList& tableColumns,
                              const SqlServerAuditTableGenerator& table,
                              SqlServerEngine engine = SqlServerEngine::SqlServer);

    bool refused() const { return !m_refusal.isEmpty(); }
    const QString& refusal() const { return m_refusal; }
    const QString& triggerText() const { return m_triggerText; }

    // "trgZOTA_" + name
    static QString triggerNameFor(const QString& auditName);

    static QString unknownOperatorMessage(const QString& column, const QString& op);
    static QString changedValuesNeedAKeyMessage(const QString& table);
    static QString notComparableMessage(const QString& column, const QString& type);

private:
    void build(const AuditDefinition& definition, const ColumnInfoList& tableColumns,
               const SqlServerAuditTableGenerator& table, SqlServerEngine engine);
    QString filterLine(const AuditDefinition& definition, const ColumnInfoList& tableColumns);
    QString changedFieldLine(const AuditDefinition& definition, const ColumnInfoList& tableColumns);
    QString changedValuesTest(const AuditDefinition& definition,
                              const ColumnInfoList& tableColumns);

    QString m_triggerText;
    QString m_refusal;
};

} // namespace quorvex::sqlserver
