#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

namespace quorvex::sqlserver {

// Everything the statements of one audit need to know about its chosen columns: the audit
// table's name and CREATE TABLE statement, and the column and value lists of the trigger's
// INSERT. The audit table keeps a copy of each chosen column (and, in update audits, its old
// value where asked), then the date and the user of the change and, where the audit asks for
// them, the login, host and application of the connection that made it.
//
// Expects at least one chosen column; generateSqlServerAudit asks for one before it gets here.
class SqlServerAuditTableGenerator {
    Q_DECLARE_TR_FUNCTIONS(SqlServerAuditTableGenerator)

public:
    SqlServerAuditTableGenerator(const AuditDefinition& definition,
                                 const ColumnInfoList& tableColumns);

    bool refused() const { return !m_refusal.isEmpty(); }
    const QString& refusal() const { return m_refusal; }
    // The chosen column whose type the audit table cannot hold: the window de-selects it, as
    // the refusal says. Empty for every other refusal.
    const QString& deselectedColumn() const { return m_deselectedColumn; }

    const QString& auditTableName() const { return m_auditTableName; }
    QString createTableStatement() const;
    // Babelfish does not let a trigger write to a table its owner owns on behalf of a user who
    // may not (SQL Server does, through the ownership chain), so there every user who changes
    // the audited table needs INSERT on the audit table, or the change fails.
    QString grantInsertStatement() const;
    const QString& insertColumnList() const { return m_insertColumnList; }
    const QString& selectList() const { return m_selectList; }
    // Update audits only: some chosen column also keeps its value from before the update.
    bool keepsOldValues() const { return m_keepsOldValues; }

    // Insert and delete audits read the affected rows as "inserted ins" or "deleted del".
    static QString rowAlias(AuditKind kind);
    // "[tblZOTA_" + name + "]"
    static QString auditTableNameFor(const QString& auditName);
    // The audit table's definition of a column named `auditColumn` that copies `source`, or
    // nothing when its type cannot be copied.
    static std::optional<QString> columnDefinition(const QString& auditColumn,
                                                   const ColumnInfo& source);

    static QString unusableFieldMessage(const QString& column);
    static QString notAColumnMessage(const QString& column, const QString& table);
    static QString chosenTwiceMessage(const QString& column);
    static QString auditColumnNameMessage(const QString& column);
    static QString whoColumnNameMessage(const QString& column);
    static QString oldValueClashMessage(const QString& column);

private:
    void build(const AuditDefinition& definition, const ColumnInfoList& tableColumns);
    void refuse(const QString& message, const QString& deselectedColumn = {});

    QString m_auditTableName;
    QString m_columnDefinitions;
    QString m_insertColumnList;
    QString m_selectList;
    bool m_keepsOldValues = false;
    QString m_refusal;
    QString m_deselectedColumn;
};

} // namespace quorvex::sqlserver
