#include "sqlserver/SqlServerAuditDrift.h"

#include "sqlserver/SqlServerAuditTableGenerator.h"

#include <QRegularExpression>

#include <algorithm>

namespace quorvex::sqlserver {

namespace {

// Literals ('...' with '' inside), line comments and block comments, which may hold anything
// that looks like a column.
QString withoutQuotedTextAndComments(const QString& text) {
    static const QRegularExpression skipped(QStringLiteral(R"('(?:[^']|'')*'|--[^\n]*|/\*.*?\*/)"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QString result = text;
    return result.replace(skipped, QStringLiteral(" "));
}

QString unquoted(const QString& name) {
    if (name.startsWith(u'[') && name.endsWith(u']'))
        return name.mid(1, name.size() - 2).replace(QStringLiteral("]]"), QStringLiteral("]"));
    if (name.startsWith(u'"') && name.endsWith(u'"'))
        return name.mid(1, name.size() - 2);
    return name;
}

} // namespace

const AuditTableRules& sqlServerAuditTableRules() {
    static const AuditTableRules rules{
        {QStringLiteral("AuditDate"), QStringLiteral("UserName"), QStringLiteral("LoginName"),
         QStringLiteral("HostName"), QStringLiteral("AppName")},
        [](const QString& column) { return QStringLiteral("old") + column; },
        [](const ColumnInfo& column) {
            // The catalogue may spell a type in either case; the generator wants lower case.
            ColumnInfo source = column;
            source.type = source.type.toLower();
            return SqlServerAuditTableGenerator::columnDefinition(QStringLiteral("c"), source);
        },
    };
    return rules;
}

QStringList sqlServerTriggerColumns(const QString& triggerText) {
    static const QString name = QStringLiteral(R"((\[(?:[^\]]|\]\])+\]|"[^"]+"|[\w@#$]+))");
    static const QRegularExpression rowColumn(
        QStringLiteral(R"(\b(?:inserted|deleted|ins|del)\s*\.\s*)") + name,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression updateTest(
        QStringLiteral(R"(\bUPDATE\s*\(\s*)") + name + QStringLiteral(R"(\s*\))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);

    const QString code = withoutQuotedTextAndComments(triggerText);
    struct Found {
        qsizetype at;
        QString column;
    };
    QList<Found> found;
    for (const QRegularExpression* pattern : {&rowColumn, &updateTest}) {
        for (const QRegularExpressionMatch& match : pattern->globalMatch(code))
            found.append({match.capturedStart(), unquoted(match.captured(1))});
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.at < b.at; });
    QStringList columns;
    for (const Found& f : std::as_const(found)) {
        if (!columns.contains(f.column, Qt::CaseInsensitive))
            columns << f.column;
    }
    return columns;
}

} // namespace quorvex::sqlserver
