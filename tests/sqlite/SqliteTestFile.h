#pragma once

#include "components/DbException.h"
#include "components/OdbcConnection.h"
#include "components/Recordset.h"
#include "sqlite/SqliteConnection.h"

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

    // The driver's message, empty when the statement ran.
    QString run(const QString& statement) {
        try {
            connection().execute(statement);
            return {};
        } catch (const DbException& e) {
            return e.description();
        }
    }
    // Each row as its values joined by "|", NULL as `nullText`; a failure as "failed: ...".
    QStringList rows(const QString& query, const QString& nullText = QStringLiteral("NULL")) {
        QStringList result;
        try {
            for (Recordset rs = connection().openRecordset(query); !rs.eof(); rs.moveNext()) {
                QStringList values;
                for (const FieldValue& value : rs.currentRow())
                    values << value.value_or(nullText);
                result << values.join(u'|');
            }
        } catch (const DbException& e) {
            result << QStringLiteral("failed: ") + e.description();
        }
        return result;
    }
    void close() { m_connection.close(); }

    // One statement on a connection of its own, opened and closed for it (another application,
    // on another thread, that waits up to 20 seconds for a busy database): the driver's
    // message, empty when it ran.
    static QString runAlone(const QString& file, const QString& statement) {
        OdbcConnection connection;
        const QString patient = sqlite::sqliteConnectionString(file).replace(
            QStringLiteral("Timeout=%1;").arg(sqlite::busyAttemptMilliseconds / 2),
            QStringLiteral("Timeout=10000;"));
        if (!connection.open(patient))
            return QStringLiteral("not opened");
        try {
            connection.execute(statement);
            return {};
        } catch (const DbException& e) {
            return e.description();
        }
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
