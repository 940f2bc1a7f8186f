// Result rows from the driver: the kinds of the SQL types, reading row by row, and reading
// ahead into memory when the connection is wanted for something else.
#include "components/OdbcRowSource.h"
#include "components/OdbcConnectionHandle.h"
#include "components/OdbcDiagnostics.h"
#include "components/OdbcEnvironmentHandle.h"
#include "components/OdbcSession.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlext.h>

using namespace quorvex;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

TEST(OdbcFieldKinds, EverySqlTypeMapsToItsKind) {
    const std::vector<std::pair<SQLSMALLINT, FieldKind>> kinds{
        {SQL_CHAR, FieldKind::Text},
        {SQL_VARCHAR, FieldKind::Text},
        {SQL_LONGVARCHAR, FieldKind::Text},
        {SQL_WCHAR, FieldKind::Text},
        {SQL_WVARCHAR, FieldKind::Text},
        {SQL_WLONGVARCHAR, FieldKind::Text},
        {SQL_TINYINT, FieldKind::Integer},
        {SQL_SMALLINT, FieldKind::Integer},
        {SQL_INTEGER, FieldKind::Integer},
        {SQL_BIGINT, FieldKind::BigInt},
        {SQL_DECIMAL, FieldKind::Decimal},
        {SQL_NUMERIC, FieldKind::Decimal},
        {SQL_REAL, FieldKind::Float},
        {SQL_FLOAT, FieldKind::Float},
        {SQL_DOUBLE, FieldKind::Float},
        {SQL_BIT, FieldKind::Boolean},
        {SQL_TYPE_DATE, FieldKind::Date},
        {SQL_TYPE_TIME, FieldKind::Time},
        {SQL_TYPE_TIMESTAMP, FieldKind::DateTime},
        {SQL_BINARY, FieldKind::Binary},
        {SQL_VARBINARY, FieldKind::Binary},
        {SQL_LONGVARBINARY, FieldKind::Binary},
        {SQL_GUID, FieldKind::Guid},
    };
    for (const auto& [sqlType, kind] : kinds)
        EXPECT_EQ(OdbcRowSource::kindOf(sqlType), kind) << "SQL type " << sqlType;
}

TEST(OdbcFieldKinds, UnknownTypesReadAsText) {
    EXPECT_EQ(OdbcRowSource::kindOf(SQL_UNKNOWN_TYPE), FieldKind::Text);
    EXPECT_EQ(OdbcRowSource::kindOf(-150), FieldKind::Text); // SQL Server's sql_variant
    EXPECT_EQ(OdbcRowSource::kindOf(12345), FieldKind::Text);
}

// --- reading from the driver, and reading ahead into memory -----------------------------------

namespace {

// A session on a fresh SQLite database with a table N holding 1 to 10.
class SqliteSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        OdbcConnectionHandle connection(OdbcEnvironmentHandle::shared());
        connection.connect(QStringLiteral("DRIVER={SQLite3};StepAPI=1;Database=") +
                           m_dir.filePath(QStringLiteral("rows.db")));
        m_session.open(std::move(connection));
        run(QStringLiteral("CREATE TABLE N (I INTEGER)"));
        run(QStringLiteral("INSERT INTO N WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT "
                           "I + 1 FROM S WHERE I < 10) SELECT I FROM S"));
    }

    OdbcStatementHandle run(const QString& statement) {
        OdbcStatementHandle handle(m_session.connection());
        std::u16string text = statement.toStdU16String();
        OdbcDiagnostics::check(
            SQLExecDirectW(handle.handle(), reinterpret_cast<SQLWCHAR*>(text.data()), SQL_NTS),
            SQL_HANDLE_STMT, handle.handle());
        return handle;
    }

    static QStringList readAll(OdbcRowSource& source) {
        QStringList values;
        Row row;
        while (source.fetch(row))
            values << row.at(0).value_or(QStringLiteral("NULL"));
        return values;
    }

    static QStringList oneToTen(int from = 1) {
        QStringList values;
        for (int i = from; i <= 10; ++i)
            values << QString::number(i);
        return values;
    }

    QTemporaryDir m_dir;
    OdbcSession m_session;
};

} // namespace

TEST_F(SqliteSession, RowsComeFromTheDriverUntilTheEnd) {
    OdbcRowSource source(run(QStringLiteral("SELECT I FROM N ORDER BY I")), m_session);
    EXPECT_TRUE(source.isReadingFromDriver());
    EXPECT_EQ(readAll(source), oneToTen());
    EXPECT_FALSE(source.isReadingFromDriver()); // the statement is freed at the end
    Row row;
    EXPECT_FALSE(source.fetch(row));
}

TEST_F(SqliteSession, PendingRowsMoveToMemoryAndReadOnUnchanged) {
    OdbcRowSource first(run(QStringLiteral("SELECT I FROM N ORDER BY I")), m_session);
    OdbcRowSource second(run(QStringLiteral("SELECT I * 10 FROM N ORDER BY I")), m_session);
    Row row;
    ASSERT_TRUE(first.fetch(row));
    EXPECT_EQ(row, Row{FieldValue(QStringLiteral("1"))});

    m_session.bufferPendingResults();
    EXPECT_FALSE(first.isReadingFromDriver());
    EXPECT_FALSE(second.isReadingFromDriver());

    // Rows changed afterwards do not reach what was already read ahead.
    run(QStringLiteral("DELETE FROM N"));
    EXPECT_EQ(readAll(first), oneToTen(2));
    QStringList tens;
    for (const QString& value : oneToTen())
        tens << QString::number(value.toInt() * 10);
    EXPECT_EQ(readAll(second), tens);
}

TEST_F(SqliteSession, ClosingTheSessionKeepsPendingRowsReadable) {
    auto source = std::make_unique<OdbcRowSource>(run(QStringLiteral("SELECT I FROM N ORDER BY I")),
                                                  m_session);
    auto finished =
        std::make_unique<OdbcRowSource>(run(QStringLiteral("SELECT I FROM N")), m_session);
    finished.reset(); // a source that is gone is no longer the session's concern
    m_session.close();
    EXPECT_FALSE(m_session.isOpen());
    EXPECT_FALSE(source->isReadingFromDriver());
    EXPECT_EQ(readAll(*source), oneToTen());
}
