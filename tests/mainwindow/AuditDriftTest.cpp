// What became of an installed SQLBase audit, told from column lists alone (SQL Server's states
// are told on the engine); and the columns a readable SQL Server trigger reads, from the
// generator's own texts.
#include "mainwindow/AuditDrift.h"
#include "sqlbase/SqlBaseAuditDrift.h"
#include "sqlserver/SqlServerAuditDrift.h"
#include "sqlserver/SqlServerAuditGenerator.h"

#include <gtest/gtest.h>

using namespace quorvex;

namespace {

ColumnInfo col(const char* name, const char* type, qint64 length = 0, int precision = 0,
               int scale = 0) {
    return ColumnInfo{
        QString::fromLatin1(name), QString::fromLatin1(type), length, precision, scale, false};
}

ColumnInfoList with(ColumnInfoList columns, const ColumnInfo& changed) {
    for (ColumnInfo& c : columns) {
        if (c.name == changed.name)
            c = changed;
    }
    return columns;
}

ColumnInfoList without(ColumnInfoList columns, const char* name) {
    columns.removeIf([name](const ColumnInfo& c) { return c.name == QLatin1String(name); });
    return columns;
}

} // namespace

TEST(AuditDrift, SqlBaseCopiesCompareAsTheInstallDefinesThem) {
    const ColumnInfoList table{col("ORDNO", "INTEGER", 4), col("STAMP", "TIMESTMP", 10, 0, 6),
                               col("ABCDEFGHIJKLMNOPQR", "CHAR", 5)};
    const ColumnInfoList audit{
        col("ORDNO", "INTEGER", 4),           col("ORDNOO", "INTEGER", 4),
        col("STAMP", "TIMESTMP", 10, 0, 6),   col("ABCDEFGHIJKLMNOPQR", "CHAR", 5),
        col("ABCDEFGHIJKLMNOPQO", "CHAR", 5), col("DATE", "TIMESTMP", 10, 0, 6),
        col("USERID", "VARCHAR", 8)};
    const AuditTableRules& rules = sqlbase::sqlBaseAuditTableRules();
    EXPECT_EQ(auditStateOf({table, audit, true, {}}, rules), AuditState::Ok);
    EXPECT_EQ(
        auditStateOf({with(table, col("ABCDEFGHIJKLMNOPQR", "CHAR", 8)), audit, true, {}}, rules),
        AuditState::TableChanged);
    EXPECT_EQ(auditStateOf({without(table, "STAMP"), audit, true, {}}, rules), AuditState::Broken);
}

TEST(AuditDrift, TheColumnsAGeneratedTriggerReadsAreFoundInItsText) {
    using namespace quorvex::sqlserver;
    const ColumnInfoList table{{"ID", "int", 0, 10, 0, true},
                               {"Order Note", "varchar", 40, 0, 0, false},
                               {"AMOUNT", "decimal", 0, 10, 2, false},
                               {"STATUS", "char", 1, 0, 0, false}};
    AuditDefinition update;
    update.kind = AuditKind::Update;
    update.table = "ORDERS";
    update.columns = {"Order Note", "AMOUNT"};
    update.saveOldValue = {true, false};
    update.changedFields = {"AMOUNT"};
    update.conditions = {{"STATUS", "=", "X'; ins.GHOST", ""}, {"USERID", "!=", "sa", "AND"}};
    update.name = "Upd";
    const GeneratedStatements statements =
        generateSqlServerAudit(update, table, SqlServerEngine::Babelfish);
    ASSERT_TRUE(statements.refusal.isEmpty()) << statements.refusal.toStdString();
    QString trigger;
    for (const QString& s : statements.statements) {
        if (s.startsWith("Create Trigger"))
            trigger = s;
    }
    // The changed field, the copies, the key that joins old and new rows, the condition; the
    // text inside the condition's literal is no column.
    EXPECT_EQ(sqlServerTriggerColumns(trigger),
              (QStringList{"AMOUNT", "Order Note", "ID", "STATUS"}));

    EXPECT_EQ(sqlServerTriggerColumns("/* ins.A */ SELECT del.[B]]c] -- deleted.D\nFROM x"),
              QStringList{"B]c"});
}
