#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"
#include "mainwindow/GeneratedStatements.h"

#include <QStringList>
#include <string>
#include <vector>

namespace quorvex::testing {

// Lists as std::string, so a failing comparison of multi-line texts shows a diff.
inline std::vector<std::string> texts(const QStringList& list) {
    std::vector<std::string> result;
    for (const QString& text : list)
        result.push_back(text.toStdString());
    return result;
}

// The lines of the procedure (statement 5) that decide whether a row is recorded.
inline std::vector<std::string> procedureDecision(const GeneratedStatements& generated) {
    const QStringList lines = generated.statements.value(5).split(QStringLiteral("\r\n"));
    const qsizetype from = lines.indexOf(QStringLiteral("ACTIONS"));
    const qsizetype to = lines.indexOf(QStringLiteral(" If nNoChange = 0"), from + 1);
    if (from < 0 || to < 0)
        return {"<markers not found>"};
    return texts(lines.mid(from + 1, to - from - 1));
}

inline ColumnInfo sqlBaseColumn(const QString& name, const QString& type, qint64 length,
                                int scale = 0) {
    ColumnInfo column;
    column.name = name;
    column.type = type;
    column.length = length;
    column.scale = scale;
    return column;
}

inline ColumnInfoList ordersColumns() {
    return {sqlBaseColumn("ORDNO", "INTEGER", 4),  sqlBaseColumn("CITY", "VARCHAR", 30),
            sqlBaseColumn("T1", "TIME", 3),        sqlBaseColumn("NOTES", "LONGVAR", 0),
            sqlBaseColumn("CITYO", "VARCHAR", 30), sqlBaseColumn("SHIPPED", "TIMESTMP", 10)};
}

inline AuditCondition condition(const QString& column, const QString& op, const QString& value) {
    return {column, op, value, QString()};
}

// The insert audit on ORDERS of ORDNO and CITY that records rows of Paris only.
inline AuditDefinition parisInserts() {
    AuditDefinition definition;
    definition.kind = AuditKind::Insert;
    definition.table = "ORDERS";
    definition.columns = {"ORDNO", "CITY"};
    definition.conditions = {condition("CITY", "=", "Paris"), {}};
    definition.mode = AuditMode::OnlyWhen;
    definition.name = "ORDAUD";
    definition.description = "Order inserts";
    return definition;
}

// The eight statements that install parisInserts(), in sending order.
inline QStringList parisInsertStatements() {
    return {
        "Insert Into ZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED) VALUES "
        "('ZOTA_ORDAUD','Order inserts','Y')",
        "CREATE TABLE ZOTA_ORDAUD (ORDNO INTEGER,CITY VARCHAR(30),DATE TIMESTAMP, USERID "
        "VARCHAR(8))PCTFREE 10",
        "COMMIT",
        "CREATE PUBLIC SYNONYM ZOTA_ORDAUD FOR SYSADM.ZOTA_ORDAUD",
        "COMMIT",
        QStringList{"STORE ZOTA_ORDAUD", "PROCEDURE:ZOTA_ORDAUD static", "PARAMETERS",
                    " Number: ORDNO", " String: CITY", " String: USERID", "LOCAL VARIABLES",
                    " Number: nRcd", " Number: nNoChange", " Sql Handle: hSql1", "ACTIONS",
                    " Set nNoChange = 1", " If CITY = 'Paris' ", "  Set nNoChange = 0",
                    " If nNoChange = 0", "  Call SqlConnect(hSql1)",
                    "  Call SqlPrepareAndExecute(hSql1, 'insert into ZOTA_ORDAUD (ORDNO,CITY,DATE, "
                    "USERID) values (:ORDNO,:CITY,sysdatetime, user)')",
                    "  Call SqlDisconnect(hSql1)", " Return nRcd"}
            .join("\r\n"),
        "CREATE TRIGGER ZOTA_ORDAUD AFTER INSERT ON ORDERS(EXECUTE ZOTA_ORDAUD(ORDNO,CITY,user))"
        "FOR EACH ROW",
        "COMMIT"};
}

} // namespace quorvex::testing
