#include "sqlbase/SqlBaseTypeMapping.h"

using namespace Qt::StringLiterals;

namespace quorvex::sqlbase {

QString sqlBaseAuditColumnDefinition(const ColumnInfo& column, const QString& nameToUse) {
    const QString& type = column.type;
    // The catalogue abbreviates TIMESTAMP; DDL wants the full word and takes no length.
    if (type == u"TIMESTMP"_s || type == u"TIMESTAMP"_s)
        return nameToUse + u" TIMESTAMP,"_s;
    if (type == u"SMALLINT"_s || type == u"INTEGER"_s || type == u"DATE"_s || type == u"TIME"_s)
        return nameToUse + u' ' + type + u',';
    if (type == u"DECIMAL"_s)
        return nameToUse + u' ' + type + u'(' + QString::number(column.length) + u',' +
               QString::number(column.scale) + u"),"_s;
    return nameToUse + u' ' + type + u'(' + QString::number(column.length) + u"),"_s;
}

std::optional<QString> sqlBaseProcedureParameterType(const QString& type) {
    if (type == u"VARCHAR"_s || type == u"CHAR"_s)
        return QStringLiteral("String");
    if (type == u"INTEGER"_s || type == u"SMALLINT"_s || type == u"DECIMAL"_s)
        return QStringLiteral("Number");
    if (type == u"DATE"_s || type == u"TIMESTAMP"_s || type == u"TIMESTMP"_s)
        return QStringLiteral("Date/Time");
    return std::nullopt;
}

bool isRefusedSqlBaseColumnType(const QString& type) {
    return type == u"LONGVAR"_s;
}

} // namespace quorvex::sqlbase
