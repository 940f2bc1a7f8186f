#include "auditdata/LoginConnection.h"

#include "components/ConnectionString.h"
#include "sqlite/SqliteConnection.h"
#include "sqlserver/SqlServerConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace quorvex {

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

QString loginConnectionString(const LoginArguments& login) {
    if (!login.odbc.isEmpty())
        return login.odbc;
    if (login.store == AuditStore::Sqlite)
        return sqlite::sqliteConnectionString(login.database, sqlite::SqliteFileUse::ExistingFile,
                                              sqlite::SqliteReading::StepByStep);
    if (login.store == AuditStore::SqlServer)
        return buildSqlServerConnectionString(
            SqlServerLoginValues{login.server, login.user, login.password, login.database});
    return QStringLiteral("Provider=SQLBASEOLEDB.1;Password=") +
           quoteProviderValue(login.password) +
           QStringLiteral(";Persist Security Info=True;User ID=SYSADM;Data Source=") +
           quoteProviderValue(login.database);
}

} // namespace quorvex
