// What became of an installed SQLBase audit, told from column lists alone (SQL Server's states
// are told on the engine), and the columns a SQL Server trigger reads.
#include "mainwindow/AuditDrift.h"
#include "sqlbase/SqlBaseAuditDrift.h"
#include "sqlserver/SqlServerAuditDrift.h"

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

// A generated trigger's columns are found on the engine; here what must not count as one.
TEST(AuditDrift, TheColumnsATriggerReadsLeaveOutLiteralsAndComments) {
    EXPECT_EQ(sqlserver::sqlServerTriggerColumns(
                  "/* ins.A */ SELECT del.[B]]c] -- deleted.D\nFROM x WHERE "
                  "ins.[S] = 'X''; ins.GHOST'"),
              (QStringList{"B]c", "S"}));
}
