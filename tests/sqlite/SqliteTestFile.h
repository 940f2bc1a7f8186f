#pragma once

#include "components/OdbcConnection.h"
#include "sqlite/SqliteConnection.h"
#include "support/QueryRows.h"

#include <QStringList>
#include <QTemporaryDir>

namespace quorvex::testing {

// A SQLite database file in a folder of its own that goes with the test, and a plain connection
// to it, as a user's application has one: the statements that fire the audits' triggers and
// the reads of what they recorded go through it.
class SqliteTestFile {
public:
    // A file of that name in a folder of its own, or (Place::Given) the file at that path.
    enum class Place { OwnFolder, Given };
    explicit SqliteTestFile(const QString& name = QStringLiteral("test.db"),
                            Place place = Place::OwnFolder)
        : m_path(place == Place::Given ? name : m_dir.filePath(name)) {}

    const QString& path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    // The driver's message, empty when the statement ran; each row as its values joined by "|".
    QString run(const QString& statement) { return runStatement(connection(), statement); }
    QStringList rows(const QString& query, const QString& nullText = QStringLiteral("NULL")) {
        return queryRows(connection(), query, nullText);
    }

    // One statement on a connection of its own, opened and closed for it (another application,
    // on another thread, that waits up to 20 seconds for a busy database): the driver's
    // message, empty when it ran.
    static QString runAlone(const QString& file, const QString& statement) {
        OdbcConnection connection;
        const QString patient = sqlite::sqliteConnectionString(file).replace(
            QStringLiteral("Timeout=%1;").arg(sqlite::busyAttemptMilliseconds / 2),
            QStringLiteral("Timeout=10000;"));
        return connection.open(patient) ? runStatement(connection, statement)
                                        : QStringLiteral("not opened");
    }

private:
    OdbcConnection& connection() {
        if (m_connection.state() != ConnectionState::Open)
            m_connection.open(
                sqlite::sqliteConnectionString(m_path, sqlite::SqliteFileUse::NewFile));
        return m_connection;
    }

    QTemporaryDir m_dir;
    QString m_path;
    OdbcConnection m_connection;
};

} // namespace quorvex::testing
