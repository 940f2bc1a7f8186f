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

TEST(OdbcFieldKinds, EverySqlTypeMapsToItsKindAndUnknownOnesToText) {
    using K = FieldKind;
    // clang-format off
    const std::pair<SQLSMALLINT, FieldKind> kinds[] = {
        {SQL_CHAR, K::Text}, {SQL_VARCHAR, K::Text}, {SQL_LONGVARCHAR, K::Text},
        {SQL_WCHAR, K::Text}, {SQL_WVARCHAR, K::Text}, {SQL_WLONGVARCHAR, K::Text},
        {SQL_TINYINT, K::Integer}, {SQL_SMALLINT, K::Integer}, {SQL_INTEGER, K::Integer},
        {SQL_BIGINT, K::BigInt}, {SQL_DECIMAL, K::Decimal}, {SQL_NUMERIC, K::Decimal},
        {SQL_REAL, K::Float}, {SQL_FLOAT, K::Float}, {SQL_DOUBLE, K::Float}, {SQL_BIT, K::Boolean},
        {SQL_TYPE_DATE, K::Date}, {SQL_TYPE_TIME, K::Time}, {SQL_TYPE_TIMESTAMP, K::DateTime},
        {SQL_BINARY, K::Binary}, {SQL_VARBINARY, K::Binary}, {SQL_LONGVARBINARY, K::Binary},
        {SQL_GUID, K::Guid}, {SQL_UNKNOWN_TYPE, K::Text}, {12345, K::Text},
        {-150, K::Text}}; // SQL Server's sql_variant
    // clang-format on
    for (const auto& [sqlType, kind] : kinds)
        EXPECT_EQ(OdbcRowSource::kindOf(sqlType), kind) << "SQL type " << sqlType;
}

namespace {

// A session on a fresh SQLite database with a table N holding 1 to 10.
class SqliteSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        OdbcConnectionHandle connection(OdbcEnvironmentHandle::shared());
        connection.connect("DRIVER={SQLite3};StepAPI=1;Database=" + m_dir.filePath("rows.db"));
        m_session.open(std::move(connection));
        run("CREATE TABLE N (I INTEGER)");
        run("INSERT INTO N WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S "
            "WHERE I < 10) SELECT I FROM S");
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
            values << row.at(0).value_or("NULL");
        return values;
    }

    static QStringList count(int from, int step = 1) {
        QStringList values;
        for (int i = from; i <= 10; ++i)
            values << QString::number(i * step);
        return values;
    }

    QTemporaryDir m_dir;
    OdbcSession m_session;
};

} // namespace

TEST_F(SqliteSession, PendingRowsMoveToMemoryAndReadOnUnchanged) {
    OdbcRowSource first(run("SELECT I FROM N ORDER BY I"), m_session);
    OdbcRowSource second(run("SELECT I * 10 FROM N ORDER BY I"), m_session);
    Row row;
    ASSERT_TRUE(first.fetch(row));
    EXPECT_EQ(row, Row{FieldValue("1")});
    m_session.bufferPendingResults();
    EXPECT_FALSE(first.isReadingFromDriver());
    EXPECT_FALSE(second.isReadingFromDriver());
    run("DELETE FROM N"); // does not reach what was already read ahead
    EXPECT_EQ(readAll(first), count(2));
    EXPECT_EQ(readAll(second), count(1, 10));
}

TEST_F(SqliteSession, ClosingTheSessionKeepsPendingRowsReadable) {
    auto source = std::make_unique<OdbcRowSource>(run("SELECT I FROM N ORDER BY I"), m_session);
    auto finished = std::make_unique<OdbcRowSource>(run("SELECT I FROM N"), m_session);
    finished.reset(); // a source that is gone is no longer the session's concern
    m_session.close();
    EXPECT_FALSE(m_session.isOpen());
    EXPECT_FALSE(source->isReadingFromDriver());
    EXPECT_EQ(readAll(*source), count(1));
}
