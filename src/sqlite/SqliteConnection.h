#pragma once

#include <QString>
#include <memory>

namespace quorvex {
class IConnection;
class IConnectionFactory;
class MessageService;
} // namespace quorvex

namespace quorvex::sqlite {

// Whether opening may create the file.
enum class SqliteFileUse {
    ExistingFile, // a missing file is an error, never an empty new database
    NewFile,      // created when missing
};

// How results are read. Step by step, the driver fetches a row when it is asked for, so a
// million-row audit table does not sit in memory first; a result being read holds a read lock
// on the file, though, so the management of audits reads whole results.
enum class SqliteReading { WholeResults, StepByStep };

// The ODBC connection string of a SQLite database file through Debian's driver ("SQLite3").
// The file is named as a URI with every character beyond plain ASCII letters and digits
// percent-encoded, since the driver mangles other paths (letters beyond ASCII, ";", "{").
// A statement that waits for another connection's lock gives up after busyAttemptMilliseconds
// with "database is locked"; SqliteTransaction tries again until lockTimeoutMilliseconds.
// How long one statement waits for a lock another connection holds. The driver waits its
// "Timeout" twice (measured: Timeout=1000 fails after 2 seconds), so it is given half of it.
constexpr int busyAttemptMilliseconds = 2000;

QString sqliteConnectionString(const QString& file, SqliteFileUse use = SqliteFileUse::ExistingFile,
                               SqliteReading reading = SqliteReading::WholeResults);

// "The SQLite database file X does not exist."
QString missingFileMessage(const QString& file);

// A new connection to the file, open; null when it could not be opened, after the reason has
// been told through `messages`.
std::unique_ptr<IConnection>
openSqliteConnection(IConnectionFactory& connections, const QString& file, MessageService& messages,
                     SqliteFileUse use = SqliteFileUse::ExistingFile,
                     SqliteReading reading = SqliteReading::WholeResults);

} // namespace quorvex::sqlite
