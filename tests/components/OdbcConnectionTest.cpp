// The ODBC connection against the real SQLite ODBC driver, on a fresh database file per test.
#include "components/OdbcConnection.h"
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"

#include "ComponentsTestSupport.h"
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace quorvex;

namespace {

std::string describe(const DbErrorList& errors) {
    std::string text;
    for (const DbErrorRecord& e : errors)
        text += (e.sqlState + ' ' + e.source + e.description + '\n').toStdString();
    return text;
}

// The failure a call is expected to throw; the connection must keep the same records.
template <typename Call> DbErrorList thrownBy(Call call) {
    try {
        call();
    } catch (const DbException& e) {
        return e.errors();
    }
    ADD_FAILURE() << "no DbException";
    return {};
}

FieldValue text(const char* value) {
    return FieldValue(QString::fromUtf8(value));
}

std::vector<Row> readAll(Recordset& rs) {
    std::vector<Row> rows;
    for (; !rs.eof(); rs.moveNext())
        rows.push_back(rs.currentRow());
    return rows;
}

// Five rows, the third of which overflows while it is computed.
const QString overflowOnThirdRow =
    QStringLiteral("WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S WHERE I < 5) "
                   "SELECT CASE WHEN I = 3 THEN ABS(-9223372036854775807 - 1) ELSE I END FROM S");

class SqliteConnection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_connection.open(connectionString())) << describe(m_connection.errors());
    }

    // StepAPI: rows are fetched as read, as from a server.
    QString connectionString() const {
        return "DRIVER={SQLite3};StepAPI=1;Database=" + quoteOdbcValue(m_dir.filePath("test.db"));
    }

    void run(std::initializer_list<const char*> statements) {
        for (const char* statement : statements)
            m_connection.execute(QString::fromUtf8(statement));
    }

    void expectOverflowAtTheThirdRow(Recordset& rs) {
        EXPECT_EQ(rs.value(0), text("1"));
        rs.moveNext();
        EXPECT_EQ(rs.value(0), text("2"));
        const DbErrorList errors = thrownBy([&] { rs.moveNext(); });
        EXPECT_TRUE(describe(errors).find("integer overflow") != std::string::npos)
            << describe(errors);
        EXPECT_EQ(m_connection.errors(), errors);
    }

    QTemporaryDir m_dir;
    OdbcConnection m_connection;
};

} // namespace

TEST(OdbcConnectionOpen, SqlBaseWithoutDriverFailsWithTheNoDriverRecord) {
    OdbcConnection connection;
    EXPECT_FALSE(connection.open("Provider=SQLBASEOLEDB.1;Password=x;Persist Security Info=True;"
                                 "User ID=SYSADM;Data Source=QUORVEX_NO_SUCH_DB"));
    const DbErrorRecord expected{
        -1,
        "No SQLBase ODBC driver is installed: no ODBC data source is named \"QUORVEX_NO_SUCH_DB\" "
        "and no installed ODBC driver has \"SQLBase\" in its name.",
        "Quorvex", "IM002", 0};
    EXPECT_EQ(connection.errors(), DbErrorList{expected}) << describe(connection.errors());
}

TEST_F(SqliteConnection, FailureWhileFetchingOrReadingAheadThrowsAtItsRowAndSetsErrors) {
    Recordset direct = m_connection.openRecordset(overflowOnThirdRow);
    expectOverflowAtTheThirdRow(direct);
    Recordset rs = m_connection.openRecordset(overflowOnThirdRow);
    // Another statement makes the result read its remaining rows now; the statement runs.
    run({"CREATE TABLE AFTER (A INTEGER)"});
    expectOverflowAtTheThirdRow(rs);
    EXPECT_EQ(m_connection.openRecordset("SELECT COUNT(*) FROM AFTER").value(0), text("0"));
}

TEST_F(SqliteConnection, ValuesOfEveryLengthFollowEachOtherIntact) {
    // Each row is read into the storage of the row before it.
    const std::vector<Row> values{
        {text("abcdef")},  {text("x")},
        {std::nullopt},    {FieldValue(QStringLiteral("Grüße-日本|").repeated(3000))},
        {text("yy")},      {text("")},
        {text("zzzzzzzz")}};
    run({"CREATE TABLE T (ID INTEGER, V TEXT)"});
    for (int i = 0; i < int(values.size()); ++i)
        m_connection.execute(QStringLiteral("INSERT INTO T VALUES (%1, %2)")
                                 .arg(i)
                                 .arg(values[i][0] ? "'" + *values[i][0] + "'" : "NULL"));
    Recordset rs = m_connection.openRecordset("SELECT V FROM T ORDER BY ID");
    EXPECT_EQ(readAll(rs), values);
}

TEST_F(SqliteConnection, EveryValueIsReadWholeAndUnchanged) {
    // Values longer than their column declares are read again piece by piece (of 4,095
    // characters); a U+FEFF or U+FFFE opening a piece is kept.
    const QString feff(QChar(0xFEFF));
    const QString fffe(QChar(0xFFFE));
    const struct {
        const char* name;
        const char* column;
        QString value;
        int rowsBefore;
    } cases[] = {
        {"longer than declared, first row", "VARCHAR(5)", QStringLiteral("much too long"), 0},
        {"longer than declared, deep in", "VARCHAR(5)", QStringLiteral("x").repeated(9000), 300},
        {"U+FEFF first of 5,001", "TEXT", feff + QStringLiteral("a").repeated(5000), 0},
        {"U+FFFE opening the second piece, declared short", "VARCHAR(5)",
         QStringLiteral("a").repeated(4095) + fffe + QStringLiteral("b"), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_connection.execute("DROP TABLE IF EXISTS T");
        m_connection.execute(QStringLiteral("CREATE TABLE T (ID INTEGER, V %1)").arg(c.column));
        m_connection.execute(
            QStringLiteral("INSERT INTO T WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 "
                           "FROM S WHERE I < %1) SELECT I, 'short' FROM S")
                .arg(c.rowsBefore + 1));
        m_connection.execute(QStringLiteral("UPDATE T SET V = '%1' WHERE ID = %2")
                                 .arg(c.value)
                                 .arg(c.rowsBefore + 1));
        m_connection.execute("INSERT INTO T VALUES (999999, 'after')");
        Recordset rs = m_connection.openRecordset("SELECT V, ID FROM T ORDER BY ID");
        std::vector<Row> rows = readAll(rs);
        ASSERT_EQ(rows.size(), std::size_t(c.rowsBefore + 2));
        EXPECT_EQ(rows[c.rowsBefore][0], FieldValue(c.value));
        EXPECT_EQ(rows[c.rowsBefore][0].value_or(QString()).size(), c.value.size());
        EXPECT_EQ(rows.back(), (Row{text("after"), text("999999")}));
    }
}

TEST_F(SqliteConnection, TransactionsRollBackAndEndWithTheConnection) {
    run({"CREATE TABLE PEOPLE (ID INTEGER)", "INSERT INTO PEOPLE VALUES (1), (2), (3)"});
    OdbcConnection other;
    ASSERT_TRUE(other.open(connectionString()));
    const auto people = [&other] {
        return other.openRecordset("SELECT COUNT(*) FROM PEOPLE").value(0).value_or("?");
    };
    // SQLite offers serializable only, which keeps the rows read as read.
    m_connection.beginTransaction(TransactionIsolation::RepeatableRead);
    EXPECT_TRUE(m_connection.inTransaction());
    EXPECT_THROW(m_connection.beginTransaction(TransactionIsolation::DriverDefault), DbException);
    EXPECT_EQ(m_connection.executeCounted("DELETE FROM PEOPLE WHERE ID <= 2"), 2);
    m_connection.rollback();
    EXPECT_FALSE(m_connection.inTransaction());
    EXPECT_EQ(people(), QStringLiteral("3"));

    EXPECT_THROW(m_connection.commit(), DbException);

    // Closed in the middle: nothing of it stays. (Commits are made by every purge.)
    m_connection.beginTransaction(TransactionIsolation::DriverDefault);
    m_connection.execute("DELETE FROM PEOPLE");
    m_connection.close();
    EXPECT_EQ(people(), QStringLiteral("3"));
}

// Another thread cancels the statement that runs; the connection serves the next one.
TEST_F(SqliteConnection, ACancelFromAnotherThreadEndsTheRunningStatement) {
    std::thread canceller([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        m_connection.cancel();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(m_connection.openRecordset(
                     "WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S) "
                     "SELECT COUNT(*) FROM S"),
                 DbException);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    Recordset next = m_connection.openRecordset("SELECT 7");
    EXPECT_EQ(next.value(0), text("7"));
}

// A cancel that meets no running call stops the connection's next call, and only that one; a
// cancel that was cleared stops none. Between rows, the read ends at its next row.
TEST_F(SqliteConnection, ACancelBetweenCallsStopsTheNextCallOnly) {
    run({"CREATE TABLE PEOPLE (NAME TEXT)", "INSERT INTO PEOPLE VALUES ('a'), ('b'), ('c')"});
    m_connection.cancel();
    const DbErrorList refused = thrownBy([&] { m_connection.execute("DELETE FROM PEOPLE"); });
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(refused.first().sqlState, QStringLiteral("HY008"));
    Recordset untouched = m_connection.openRecordset("SELECT COUNT(*) FROM PEOPLE");
    EXPECT_EQ(untouched.value(0), text("3"));

    m_connection.cancel();
    m_connection.clearCancel();
    EXPECT_NO_THROW(m_connection.execute("SELECT 1"));

    Recordset rows = m_connection.openRecordset("SELECT NAME FROM PEOPLE ORDER BY NAME");
    EXPECT_EQ(rows.value(0), text("a"));
    m_connection.cancel();
    EXPECT_EQ(thrownBy([&] { rows.moveNext(); }).value(0).sqlState, QStringLiteral("HY008"));
    rows.close();
    Recordset next = m_connection.openRecordset("SELECT 7");
    EXPECT_EQ(next.value(0), text("7"));
}
