#include "sqlserver/SqlServerIdentifier.h"

#include <QSet>

namespace quorvex::sqlserver {

namespace {

// The server's reserved keywords; a name equal to one of them must be delimited.
const QSet<QString>& reservedKeywords() {
    static const QSet<QString> words = {
        QStringLiteral("ADD"),
        QStringLiteral("ALL"),
        QStringLiteral("ALTER"),
        QStringLiteral("AND"),
        QStringLiteral("ANY"),
        QStringLiteral("AS"),
        QStringLiteral("ASC"),
        QStringLiteral("AUTHORIZATION"),
        QStringLiteral("BACKUP"),
        QStringLiteral("BEGIN"),
        QStringLiteral("BETWEEN"),
        QStringLiteral("BREAK"),
        QStringLiteral("BROWSE"),
        QStringLiteral("BULK"),
        QStringLiteral("BY"),
        QStringLiteral("CASCADE"),
        QStringLiteral("CASE"),
        QStringLiteral("CHECK"),
        QStringLiteral("CHECKPOINT"),
        QStringLiteral("CLOSE"),
        QStringLiteral("CLUSTERED"),
        QStringLiteral("COALESCE"),
        QStringLiteral("COLLATE"),
        QStringLiteral("COLUMN"),
        QStringLiteral("COMMIT"),
        QStringLiteral("COMPUTE"),
        QStringLiteral("CONSTRAINT"),
        QStringLiteral("CONTAINS"),
        QStringLiteral("CONTAINSTABLE"),
        QStringLiteral("CONTINUE"),
        QStringLiteral("CONVERT"),
        QStringLiteral("CREATE"),
        QStringLiteral("CROSS"),
        QStringLiteral("CURRENT"),
        QStringLiteral("CURRENT_DATE"),
        QStringLiteral("CURRENT_TIME"),
        QStringLiteral("CURRENT_TIMESTAMP"),
        QStringLiteral("CURRENT_USER"),
        QStringLiteral("CURSOR"),
        QStringLiteral("DATABASE"),
        QStringLiteral("DBCC"),
        QStringLiteral("DEALLOCATE"),
        QStringLiteral("DECLARE"),
        QStringLiteral("DEFAULT"),
        QStringLiteral("DELETE"),
        QStringLiteral("DENY"),
        QStringLiteral("DESC"),
        QStringLiteral("DISK"),
        QStringLiteral("DISTINCT"),
        QStringLiteral("DISTRIBUTED"),
        QStringLiteral("DOUBLE"),
        QStringLiteral("DROP"),
        QStringLiteral("DUMP"),
        QStringLiteral("ELSE"),
        QStringLiteral("END"),
        QStringLiteral("ERRLVL"),
        QStringLiteral("ESCAPE"),
        QStringLiteral("EXCEPT"),
        QStringLiteral("EXEC"),
        QStringLiteral("EXECUTE"),
        QStringLiteral("EXISTS"),
        QStringLiteral("EXIT"),
        QStringLiteral("EXTERNAL"),
        QStringLiteral("FETCH"),
        QStringLiteral("FILE"),
        QStringLiteral("FILLFACTOR"),
        QStringLiteral("FOR"),
        QStringLiteral("FOREIGN"),
        QStringLiteral("FREETEXT"),
        QStringLiteral("FREETEXTTABLE"),
        QStringLiteral("FROM"),
        QStringLiteral("FULL"),
        QStringLiteral("FUNCTION"),
        QStringLiteral("GOTO"),
        QStringLiteral("GRANT"),
        QStringLiteral("GROUP"),
        QStringLiteral("HAVING"),
        QStringLiteral("HOLDLOCK"),
        QStringLiteral("IDENTITY"),
        QStringLiteral("IDENTITY_INSERT"),
        QStringLiteral("IDENTITYCOL"),
        QStringLiteral("IF"),
        QStringLiteral("IN"),
        QStringLiteral("INDEX"),
        QStringLiteral("INNER"),
        QStringLiteral("INSERT"),
        QStringLiteral("INTERSECT"),
        QStringLiteral("INTO"),
        QStringLiteral("IS"),
        QStringLiteral("JOIN"),
        QStringLiteral("KEY"),
        QStringLiteral("KILL"),
        QStringLiteral("LEFT"),
        QStringLiteral("LIKE"),
        QStringLiteral("LINENO"),
        QStringLiteral("LOAD"),
        QStringLiteral("MERGE"),
        QStringLiteral("NATIONAL"),
        QStringLiteral("NOCHECK"),
        QStringLiteral("NONCLUSTERED"),
        QStringLiteral("NOT"),
        QStringLiteral("NULL"),
        QStringLiteral("NULLIF"),
        QStringLiteral("OF"),
        QStringLiteral("OFF"),
        QStringLiteral("OFFSETS"),
        QStringLiteral("ON"),
        QStringLiteral("OPEN"),
        QStringLiteral("OPENDATASOURCE"),
        QStringLiteral("OPENQUERY"),
        QStringLiteral("OPENROWSET"),
        QStringLiteral("OPENXML"),
        QStringLiteral("OPTION"),
        QStringLiteral("OR"),
        QStringLiteral("ORDER"),
        QStringLiteral("OUTER"),
        QStringLiteral("OVER"),
        QStringLiteral("PERCENT"),
        QStringLiteral("PIVOT"),
        QStringLiteral("PLAN"),
        QStringLiteral("PRECISION"),
        QStringLiteral("PRIMARY"),
        QStringLiteral("PRINT"),
        QStringLiteral("PROC"),
        QStringLiteral("PROCEDURE"),
        QStringLiteral("PUBLIC"),
        QStringLiteral("RAISERROR"),
        QStringLiteral("READ"),
        QStringLiteral("READTEXT"),
        QStringLiteral("RECONFIGURE"),
        QStringLiteral("REFERENCES"),
        QStringLiteral("REPLICATION"),
        QStringLiteral("RESTORE"),
        QStringLiteral("RESTRICT"),
        QStringLiteral("RETURN"),
        QStringLiteral("REVERT"),
        QStringLiteral("REVOKE"),
        QStringLiteral("RIGHT"),
        QStringLiteral("ROLLBACK"),
        QStringLiteral("ROWCOUNT"),
        QStringLiteral("ROWGUIDCOL"),
        QStringLiteral("RULE"),
        QStringLiteral("SAVE"),
        QStringLiteral("SCHEMA"),
        QStringLiteral("SECURITYAUDIT"),
        QStringLiteral("SELECT"),
        QStringLiteral("SEMANTICKEYPHRASETABLE"),
        QStringLiteral("SEMANTICSIMILARITYDETAILSTABLE"),
        QStringLiteral("SEMANTICSIMILARITYTABLE"),
        QStringLiteral("SESSION_USER"),
        QStringLiteral("SET"),
        QStringLiteral("SETUSER"),
        QStringLiteral("SHUTDOWN"),
        QStringLiteral("SOME"),
        QStringLiteral("STATISTICS"),
        QStringLiteral("SYSTEM_USER"),
        QStringLiteral("TABLE"),
        QStringLiteral("TABLESAMPLE"),
        QStringLiteral("TEXTSIZE"),
        QStringLiteral("THEN"),
        QStringLiteral("TO"),
        QStringLiteral("TOP"),
        QStringLiteral("TRAN"),
        QStringLiteral("TRANSACTION"),
        QStringLiteral("TRIGGER"),
        QStringLiteral("TRUNCATE"),
        QStringLiteral("TRY_CONVERT"),
        QStringLiteral("TSEQUAL"),
        QStringLiteral("UNION"),
        QStringLiteral("UNIQUE"),
        QStringLiteral("UNPIVOT"),
        QStringLiteral("UPDATE"),
        QStringLiteral("UPDATETEXT"),
        QStringLiteral("USE"),
        QStringLiteral("USER"),
        QStringLiteral("VALUES"),
        QStringLiteral("VARYING"),
        QStringLiteral("VIEW"),
        QStringLiteral("WAITFOR"),
        QStringLiteral("WHEN"),
        QStringLiteral("WHERE"),
        QStringLiteral("WHILE"),
        QStringLiteral("WITH"),
        QStringLiteral("WITHIN"),
        QStringLiteral("WRITETEXT"),
    };
    return words;
}

bool isFirstCharacter(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isFollowingCharacter(QChar c) {
    return c.isLetter() || c.isDigit() || c == u'_' || c == u'@' || c == u'$' || c == u'#';
}

} // namespace

bool SqlServerIdentifier::isReservedKeyword(const QString& word) {
    return reservedKeywords().contains(word.toUpper());
}

bool SqlServerIdentifier::isRegular(const QString& name) {
    if (name.isEmpty() || !isFirstCharacter(name.front())) {
        return false;
    }
    for (const QChar c : name) {
        // A surrogate half stands for a character outside the letters the server accepts
        // undelimited; bracketing is always safe.
        if (c.isSurrogate() || !isFollowingCharacter(c)) {
            return false;
        }
    }
    return !isReservedKeyword(name);
}

QString SqlServerIdentifier::quote(const QString& name) {
    return isRegular(name) ? name : bracket(name);
}

SqlServerIdentifier::TableName SqlServerIdentifier::splitTableName(const QString& name) {
    // The schema ends at the first "."; a name without one, or with nothing on either side of
    // it, is a dbo table.
    const qsizetype dot = name.indexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {QString(), name};
    return {name.left(dot), name.mid(dot + 1)};
}

QString SqlServerIdentifier::tableName(const QString& schema, const QString& table) {
    return schema.isEmpty() || schema == QLatin1String("dbo") ? table : schema + u'.' + table;
}

QString SqlServerIdentifier::quoteTableName(const QString& name) {
    const TableName parts = splitTableName(name);
    if (parts.schema.isEmpty())
        return quote(name);
    return quote(parts.schema) + u'.' + quote(parts.table);
}

QString SqlServerIdentifier::schemaPrefix(const QString& tableName) {
    const TableName parts = splitTableName(tableName);
    return parts.schema.isEmpty() ? QString() : quote(parts.schema) + u'.';
}

QString SqlServerIdentifier::bracket(const QString& name) {
    QString doubled = name;
    doubled.replace(u']', QStringLiteral("]]"));
    return u'[' + doubled + u']';
}

QString SqlServerIdentifier::literal(const QString& value) {
    QString doubled = value;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QString SqlServerIdentifier::unicodeLiteral(const QString& value) {
    return u'N' + literal(value);
}

} // namespace quorvex::sqlserver
