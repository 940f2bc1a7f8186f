#include "sqlite/SqliteConnection.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace quorvex::sqlite {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SqliteConnection", text);
}

} // namespace

QString sqliteConnectionString(const QString& file, SqliteFileUse use, SqliteReading reading) {
    const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    // mode=rw: SQLite itself refuses a missing file; rwc creates it.
    const QString uri = QStringLiteral("file:") +
                        QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) +
                        (use == SqliteFileUse::ExistingFile ? QStringLiteral("?mode=rw")
                                                            : QStringLiteral("?mode=rwc"));
    return QStringLiteral("DRIVER={SQLite3};Timeout=%1;StepAPI=%2;Database=")
               .arg(busyAttemptMilliseconds / 2)
               .arg(reading == SqliteReading::StepByStep ? 1 : 0) +
           uri;
}

QString missingFileMessage(const QString& file) {
    return tr("The SQLite database file %1 does not exist.").arg(QDir::toNativeSeparators(file));
}

std::unique_ptr<IConnection> openSqliteConnection(IConnectionFactory& connections,
                                                  const QString& file, MessageService& messages,
                                                  SqliteFileUse use, SqliteReading reading) {
    // The driver only says "connect failed" for a missing file.
    if (use == SqliteFileUse::ExistingFile && !QFileInfo(file).isFile()) {
        messages.show(missingFileMessage(file));
        return nullptr;
    }
    std::unique_ptr<IConnection> connection = connections.createConnection();
    if (connection->open(sqliteConnectionString(file, use, reading)))
        return connection;
    messages.show(
        tr("The SQLite database file %1 could not be opened:").arg(QDir::toNativeSeparators(file)) +
        QStringLiteral("\r\n\r\n") + DbException::describe(connection->errors()));
    return nullptr;
}

} // namespace quorvex::sqlite
