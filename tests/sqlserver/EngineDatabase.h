#pragma once

#include "components/OdbcConnection.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerLoginValues.h"
#include "support/QueryRows.h"

#include <QCoreApplication>
#include <QStringList>

#include <optional>

namespace quorvex::testing {

// The engine named in QUORVEX_TEST_MSSQL as server|user|password|database, over a plain ODBC
// connection: the other session, as a user's application. Names it hands out are unique per
// process; what it made or was told of is removed when it goes, except the audit catalog.
class EngineDatabase {
public:
    static std::optional<SqlServerLoginValues> target() {
        const QStringList parts = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
        if (parts.size() != 4)
            return std::nullopt;
        return SqlServerLoginValues{parts[0], parts[1], parts[2], parts[3]};
    }
    static const char* skipReason() {
        return "QUORVEX_TEST_MSSQL is not set (server|user|password|database): no T-SQL engine "
               "to test against";
    }

    explicit EngineDatabase(SqlServerLoginValues login) : m_login(std::move(login)) {
        if (!m_connection.open(buildSqlServerConnectionString(m_login))) {
            m_openError = m_connection.errors().value(0).description;
            return;
        }
        run(QStringLiteral(
            "IF OBJECT_ID(N'dbo.tblZOTA_SYSTEM_TABLE', N'U') IS NULL "
            "Create Table [tblZOTA_SYSTEM_TABLE] ([AUDIT_NAME] [VARCHAR](20) NOT NULL , "
            "[AUDIT_DESCRIPTION] [VARCHAR] (200) NULL , [ENABLED] [CHAR] (1) NOT NULL, "
            "[TRIGGERTABLE] [CHAR] (100) NOT NULL)"));
    }

    ~EngineDatabase() {
        if (m_connection.state() != ConnectionState::Open)
            return;
        for (const QString& audit : std::as_const(m_audits)) {
            run(QStringLiteral("DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = ") +
                literal(audit));
            run(QStringLiteral("DROP TABLE ") + bracket(QStringLiteral("tblZOTA_") + audit));
        }
        for (auto table = m_tables.crbegin(); table != m_tables.crend(); ++table)
            run(QStringLiteral("DROP TABLE ") + *table);
        for (const QString& schema : std::as_const(m_schemas))
            run(QStringLiteral("DROP SCHEMA ") + bracket(schema));
        for (auto statement = m_atEnd.crbegin(); statement != m_atEnd.crend(); ++statement)
            run(*statement);
        m_connection.close();
    }

    EngineDatabase(const EngineDatabase&) = delete;
    EngineDatabase& operator=(const EngineDatabase&) = delete;

    bool isOpen() const { return m_openError.isEmpty(); }
    const QString& openError() const { return m_openError; }
    const SqlServerLoginValues& login() const { return m_login; }

    // Short enough for an audit name (20 characters) when the word is.
    QString uniqueName(const QString& word) {
        return QStringLiteral("E2e%1x%2%3")
            .arg(QCoreApplication::applicationPid() % 100000)
            .arg(++m_counter)
            .arg(word);
    }

    QString run(const QString& statement) { return runStatement(m_connection, statement); }
    QStringList rows(const QString& query, const QString& nullText = QStringLiteral("NULL")) {
        return queryRows(m_connection, query, nullText);
    }
    QString value(const QString& query) { return rows(query).value(0); }

    // The server's message, or nothing.
    QString createTable(const QString& schema, const QString& table, const QString& columns) {
        if (!schema.isEmpty()) {
            if (const QString failure = run(QStringLiteral("CREATE SCHEMA ") + bracket(schema));
                !failure.isEmpty())
                return failure;
            m_schemas << schema;
        }
        const QString name =
            (schema.isEmpty() ? QString() : bracket(schema) + u'.') + bracket(table);
        const QString failure =
            run(QStringLiteral("CREATE TABLE ") + name + QStringLiteral(" (") + columns + u')');
        if (failure.isEmpty())
            m_tables << name;
        return failure;
    }

    void removeAtEnd(const QString& auditName) { m_audits << auditName; }
    // A statement run after everything else is removed (the latest first): a login, a user.
    void runAtEnd(const QString& statement) { m_atEnd << statement; }

    static QString bracket(const QString& name) {
        return u'[' + QString(name).replace(u']', QStringLiteral("]]")) + u']';
    }
    static QString literal(const QString& text) {
        return QStringLiteral("N'") + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
    }

    // What the catalog holds for an audit: "description|enabled|table", or nothing.
    QStringList catalogRow(const QString& auditName) {
        return rows(QStringLiteral("SELECT AUDIT_DESCRIPTION, ENABLED, RTRIM(TRIGGERTABLE) FROM "
                                   "tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = ") +
                    literal(auditName));
    }
    bool auditTableExists(const QString& auditName) {
        return value(QStringLiteral("SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLES WHERE "
                                    "TABLE_NAME = ") +
                     literal(QStringLiteral("tblZOTA_") + auditName)) != QStringLiteral("0");
    }
    // The audit's trigger as sys.triggers sees it: "enabled", "disabled" or "missing".
    QString triggerState(const QString& auditName) {
        const QString disabled = value(
            QStringLiteral("SELECT CAST(is_disabled AS int) FROM sys.triggers WHERE name = ") +
            literal(QStringLiteral("trgZOTA_") + auditName));
        if (disabled.isEmpty())
            return QStringLiteral("missing");
        return disabled == QStringLiteral("1") ? QStringLiteral("disabled")
                                               : QStringLiteral("enabled");
    }
    bool isBabelfish() {
        return value(QStringLiteral("SELECT CAST(SERVERPROPERTY('Babelfish') AS int)")) ==
               QStringLiteral("1");
    }
    QString databaseUser() { return value(QStringLiteral("SELECT CURRENT_USER")); }

    // The chosen columns, the user, and whether the date is the server's time of the change.
    QStringList recorded(const QString& auditName, const QString& columns, const QString& orderBy) {
        return rows(QStringLiteral("SELECT ") + columns +
                    QStringLiteral(", RTRIM(UserName), CASE WHEN ABS(DATEDIFF(second, AuditDate, "
                                   "GETDATE())) < 300 THEN 'recent' ELSE 'stale' END FROM ") +
                    bracket(QStringLiteral("tblZOTA_") + auditName) + QStringLiteral(" ORDER BY ") +
                    orderBy);
    }

private:
    SqlServerLoginValues m_login;
    OdbcConnection m_connection;
    QString m_openError;
    int m_counter = 0;
    QStringList m_audits;
    QStringList m_tables;
    QStringList m_schemas;
    QStringList m_atEnd;
};

} // namespace quorvex::testing
