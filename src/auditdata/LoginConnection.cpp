#include "auditdata/LoginConnection.h"

#include "components/IConnection.h"
#include "components/Timeouts.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlite/SqliteConnection.h"
#include "sqlserver/SqlServerConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

namespace quorvex {

namespace {

bool readPasswordFile(LoginArguments& login, QString* error) {
    if (login.passwordFile.isEmpty())
        return true;
    QFile file(login.passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QCoreApplication::translate("ExportCommandRunner",
                                             "The password file %1 cannot be read: %2")
                     .arg(login.passwordFile, file.errorString());
        return false;
    }
    login.password = QString::fromUtf8(file.readLine()).remove(u'\n').remove(u'\r');
    return true;
}

QString loginTargetProblem(const LoginArguments& login) {
    if (login.store == AuditStore::Sqlite && login.odbc.isEmpty() &&
        !QFileInfo(login.database).isFile())
        return sqlite::missingFileMessage(login.database);
    return {};
}

} // namespace

std::optional<int> loginRefused(LoginArguments& login, QTextStream& err) {
    QString unreadable;
    if (!readPasswordFile(login, &unreadable)) {
        err << unreadable << Qt::endl;
        return toolUsageError;
    }
    if (const QString problem = loginTargetProblem(login); !problem.isEmpty()) {
        err << problem << Qt::endl;
        return toolFailure;
    }
    return std::nullopt;
}

std::unique_ptr<IConnection> openLoginConnection(IConnectionFactory& connections,
                                                 const LoginArguments& login, QTextStream& err) {
    std::unique_ptr<IConnection> connection = connections.createConnection();
    connection->setConnectionTimeout(loginTimeoutSeconds);
    if (!connection->open(loginConnectionString(login))) {
        err << QCoreApplication::translate("ExportCommandRunner",
                                           "The connection could not be opened:")
            << Qt::endl
            << errorLines(connection->errors()) << Qt::endl;
        return nullptr;
    }
    return connection;
}

QString errorLines(const DbErrorList& errors) {
    QStringList lines;
    for (const DbErrorRecord& e : errors)
        lines << QStringLiteral("%1 [%2] %3").arg(e.source, e.sqlState, e.description);
    return lines.join(u'\n');
}

QString loginConnectionString(const LoginArguments& login) {
    if (!login.odbc.isEmpty())
        return login.odbc;
    if (login.store == AuditStore::Sqlite)
        return sqlite::sqliteConnectionString(login.database, sqlite::SqliteFileUse::ExistingFile,
                                              sqlite::SqliteReading::StepByStep);
    if (login.store == AuditStore::SqlServer)
        return buildSqlServerConnectionString(
            SqlServerLoginValues{login.server, login.user, login.password, login.database});
    return sqlbase::buildSqlBaseConnectionString(
        sqlbase::SqlBaseLoginValues{login.database, login.password});
}

} // namespace quorvex
