#pragma once

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"
#include "mainwindow/GeneratedStatements.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace quorvex::testing {

// Statements as std::string, so a failing comparison of multi-line texts shows a diff.
inline std::vector<std::string> texts(const QStringList& list) {
    std::vector<std::string> result;
    for (const QString& text : list)
        result.push_back(text.toStdString());
    return result;
}

inline std::string crlfLines(std::initializer_list<const char*> lines) {
    std::string result;
    for (const char* line : lines)
        result += (result.empty() ? "" : "\r\n") + std::string(line);
    return result;
}

// The lines of a procedure text strictly between two marker lines.
inline std::vector<std::string> linesBetween(const QString& procedure, const QString& first,
                                             const QString& last) {
    const QStringList lines = procedure.split(QStringLiteral("\r\n"));
    const qsizetype from = lines.indexOf(first);
    const qsizetype to = lines.indexOf(last, from + 1);
    if (from < 0 || to < 0)
        return {"<markers not found>"};
    return texts(lines.mid(from + 1, to - from - 1));
}

inline std::vector<std::string> procedureParameters(const GeneratedStatements& generated) {
    return linesBetween(generated.statements.value(5), QStringLiteral("PARAMETERS"),
                        QStringLiteral("LOCAL VARIABLES"));
}

inline std::vector<std::string> procedureDecision(const GeneratedStatements& generated) {
    return linesBetween(generated.statements.value(5), QStringLiteral("ACTIONS"),
                        QStringLiteral(" If nNoChange = 0"));
}

inline std::vector<std::string> procedureInsert(const GeneratedStatements& generated) {
    return linesBetween(generated.statements.value(5), QStringLiteral("  Call SqlConnect(hSql1)"),
                        QStringLiteral("  Call SqlDisconnect(hSql1)"));
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

// ORDERS as the catalogue describes it.
inline ColumnInfoList ordersColumns() {
    return {sqlBaseColumn("ORDNO", "INTEGER", 4),  sqlBaseColumn("CITY", "VARCHAR", 30),
            sqlBaseColumn("T1", "TIME", 3),        sqlBaseColumn("NOTES", "LONGVAR", 0),
            sqlBaseColumn("CITYO", "VARCHAR", 30), sqlBaseColumn("SHIPPED", "TIMESTMP", 10)};
}

inline AuditCondition condition(const QString& column, const QString& op, const QString& value) {
    return {column, op, value, QString()};
}

// The criteria grid's trailing empty slot.
inline AuditCondition emptySlot() {
    return {};
}

} // namespace quorvex::testing
