// The ODBC connection against the real SQLite ODBC driver, on a fresh database file per test.
#include "components/OdbcConnection.h"
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quorvex;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

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

    // StepAPI: the driver steps through a result as rows are fetched instead of reading it
    // whole at execution, as a server's driver does.
    QString connectionString() const {
        return "DRIVER={SQLite3};StepAPI=1;Database=" + quoteOdbcValue(m_dir.filePath("test.db"));
    }

    void run(std::initializer_list<const char*> statements) {
        for (const char* statement : statements)
            m_connection.execute(QString::fromUtf8(statement));
    }

    // PEOPLE: ID, NAME, NOTE; Ann has an empty note, Bob none at all.
    void createPeople() {
        run({"CREATE TABLE PEOPLE (ID INTEGER NOT NULL, NAME VARCHAR(20), NOTE VARCHAR(40))",
             "INSERT INTO PEOPLE VALUES (1, 'Ann', '')",
             "INSERT INTO PEOPLE VALUES (2, 'Bob', NULL)",
             "INSERT INTO PEOPLE VALUES (3, 'Cy', 'x')"});
    }

    void createNumbers(int count) {
        run({"CREATE TABLE A (N INTEGER)"});
        m_connection.execute(QStringLiteral("INSERT INTO A WITH RECURSIVE S(I) AS (SELECT 1 UNION "
                                            "ALL SELECT I + 1 FROM S WHERE I < %1) SELECT I FROM S")
                                 .arg(count));
    }

    QString numbers(Recordset& rs) { return rs.getString(QString(), ",", QString()); }

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

// --- opening and closing ---------------------------------------------------------------------

TEST_F(SqliteConnection, OpensClosesAndRefusesToOpenTwice) {
    EXPECT_EQ(m_connection.state(), ConnectionState::Open);
    EXPECT_TRUE(m_connection.errors().isEmpty());
    EXPECT_FALSE(m_connection.open(connectionString()));
    ASSERT_EQ(m_connection.errors().size(), 1);
    EXPECT_EQ(m_connection.errors()[0].sqlState, QStringLiteral("08002"));
    EXPECT_EQ(m_connection.state(), ConnectionState::Open);
    m_connection.close();
    m_connection.close(); // harmless
    EXPECT_EQ(m_connection.state(), ConnectionState::Closed);
    ASSERT_TRUE(m_connection.open(connectionString())) << describe(m_connection.errors());
}

// The driver manager's own records are checked with the diagnostics.
TEST(OdbcConnectionOpen, FailedOpenKeepsEveryRecordOfTheDriverOrItsManager) {
    QTemporaryDir dir;
    for (const QString& target :
         {QStringLiteral("DRIVER={NoSuchDriver};Database=x"),
          "DRIVER={SQLite3};Database=" + dir.filePath("missing/folder/x.db")}) {
        OdbcConnection connection;
        EXPECT_FALSE(connection.open(target));
        EXPECT_EQ(connection.state(), ConnectionState::Closed);
        const DbErrorList errors = connection.errors();
        ASSERT_FALSE(errors.isEmpty()) << target.toStdString();
        for (const DbErrorRecord& e : errors) {
            EXPECT_EQ(e.number, -1);
            EXPECT_EQ(e.sqlState.size(), 5) << describe(errors);
            EXPECT_FALSE(e.description.isEmpty());
            EXPECT_TRUE(e.source.startsWith(QLatin1Char('['))) << describe(errors);
        }
    }
}

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

TEST(OdbcConnectionOpen, FactoryMakesClosedConnectionsThatRefuseStatements) {
    const std::unique_ptr<IConnection> connection = OdbcConnectionFactory().createConnection();
    ASSERT_NE(dynamic_cast<OdbcConnection*>(connection.get()), nullptr);
    EXPECT_EQ(connection->state(), ConnectionState::Closed);
    EXPECT_TRUE(connection->errors().isEmpty());
    EXPECT_THROW(connection->execute("SELECT 1"), DbException);
    EXPECT_THROW(connection->openRecordset("SELECT 1"), DbException);
    ASSERT_EQ(connection->errors().size(), 1);
    EXPECT_EQ(connection->errors()[0].sqlState, QStringLiteral("08003"));
}

// --- statements and their results ------------------------------------------------------------

TEST_F(SqliteConnection, RowsReadBackInOrderWithNullToldApartFromEmptyText) {
    createPeople();
    Recordset rs = m_connection.openRecordset("SELECT ID, NAME, NOTE FROM PEOPLE ORDER BY ID");
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.fieldName(2), QStringLiteral("NOTE"));
    EXPECT_EQ(readAll(rs), (std::vector<Row>{{text("1"), text("Ann"), text("")},
                                             {text("2"), text("Bob"), std::nullopt},
                                             {text("3"), text("Cy"), text("x")}}));
    Recordset none = m_connection.openRecordset("SELECT * FROM PEOPLE WHERE ID > 9");
    EXPECT_EQ(none.fieldCount(), 3);
    EXPECT_TRUE(none.eof() && none.bof());
    EXPECT_EQ(none.recordCount(), 0);
}

TEST_F(SqliteConnection, ColumnsAreDescribedWithKindAndSize) {
    run({"CREATE TABLE T (ID INTEGER, NAME VARCHAR(20), NOTE TEXT, SMALL SMALLINT, BIG BIGINT, "
         "RATE DOUBLE, FLAG BIT, BORN DATE, AT TIME, STAMP TIMESTAMP, DATA VARBINARY(10))"});
    Recordset rs = m_connection.openRecordset("SELECT * FROM T");
    using K = FieldKind;
    // clang-format off
    EXPECT_EQ(rs.fields(), (std::vector<FieldInfo>{
        {"ID", K::Integer}, {"NAME", K::Text, 20}, {"NOTE", K::Text}, {"SMALL", K::Integer},
        {"BIG", K::BigInt}, {"RATE", K::Float}, {"FLAG", K::Boolean}, {"BORN", K::Date},
        {"AT", K::Time}, {"STAMP", K::DateTime}, {"DATA", K::Binary, 10}}));
    // clang-format on
}

TEST_F(SqliteConnection, FailingStatementThrowsTheDriversMessageAndSetsErrors) {
    const DbErrorList syntax = thrownBy([&] { m_connection.execute("SELEKT * FROM NOWHERE"); });
    ASSERT_FALSE(syntax.isEmpty());
    EXPECT_TRUE(syntax[0].description.contains("syntax error")) << describe(syntax);
    EXPECT_EQ(syntax[0].number, -1);
    EXPECT_EQ(syntax[0].sqlState.size(), 5);
    EXPECT_EQ(m_connection.errors(), syntax);
    const DbErrorList table =
        thrownBy([&] { m_connection.openRecordset("SELECT * FROM NOWHERE"); });
    EXPECT_TRUE(describe(table).find("no such table") != std::string::npos) << describe(table);
    EXPECT_EQ(m_connection.errors(), table);
    EXPECT_EQ(m_connection.state(), ConnectionState::Open);
}

TEST_F(SqliteConnection, StatementWithoutRowsGivesARecordsetWithoutFields) {
    createPeople();
    Recordset purge = m_connection.openRecordset("DELETE FROM PEOPLE WHERE ID = 2");
    EXPECT_EQ(purge.fieldCount(), 0);
    EXPECT_TRUE(purge.eof() && purge.bof());
    m_connection.execute("DELETE FROM PEOPLE WHERE ID = 2"); // meeting no rows is no failure
    Recordset rest = m_connection.openRecordset("SELECT ID FROM PEOPLE ORDER BY ID");
    EXPECT_EQ(numbers(rest), QStringLiteral("1,3,"));
}

TEST_F(SqliteConnection, FailureWhileFetchingThrowsAtItsRowAndSetsErrors) {
    Recordset rs = m_connection.openRecordset(overflowOnThirdRow);
    expectOverflowAtTheThirdRow(rs);
    EXPECT_EQ(m_connection.openRecordset("SELECT 7").value(0), text("7")); // still working
}

// --- several statements at once --------------------------------------------------------------

TEST_F(SqliteConnection, StatementsSentWhileAResultIsReadLeaveItWhole) {
    createNumbers(50);
    run({"CREATE TABLE COPY (N INTEGER)"});
    Recordset source = m_connection.openRecordset("SELECT N FROM A ORDER BY N");
    int expected = 1;
    for (; !source.eof(); source.moveNext(), ++expected) {
        ASSERT_EQ(source.value(0), FieldValue(QString::number(expected)));
        m_connection.execute(QStringLiteral("INSERT INTO COPY VALUES (%1)").arg(expected * 10));
        if (expected == 25) { // a second result set in the middle, read to its end
            EXPECT_EQ(m_connection.openRecordset("SELECT COUNT(*) FROM COPY").value(0), text("25"));
        }
    }
    EXPECT_EQ(expected, 51);
    EXPECT_EQ(m_connection.openRecordset("SELECT SUM(N) FROM COPY").value(0), text("12750"));
}

TEST_F(SqliteConnection, FailureWhileReadingAheadArrivesAtItsRow) {
    Recordset rs = m_connection.openRecordset(overflowOnThirdRow);
    // Another statement makes the result read its remaining rows now; the statement runs.
    run({"CREATE TABLE AFTER (A INTEGER)"});
    expectOverflowAtTheThirdRow(rs);
    EXPECT_EQ(m_connection.openRecordset("SELECT COUNT(*) FROM AFTER").value(0), text("0"));
}

TEST_F(SqliteConnection, ResultStaysReadableAfterTheConnectionCloses) {
    createNumbers(30);
    Recordset rs = m_connection.openRecordset("SELECT N FROM A ORDER BY N");
    rs.moveNext(); // on 2
    m_connection.close();
    EXPECT_EQ(rs.recordCount(), 30);
    EXPECT_EQ(numbers(rs).section(',', 0, 2), QStringLiteral("2,3,4"));
}

TEST_F(SqliteConnection, ResultOutlivesTheConnectionObjectAndItsMove) {
    createNumbers(5);
    Recordset fromGone;
    {
        OdbcConnection other;
        ASSERT_TRUE(other.open(connectionString())) << describe(other.errors());
        fromGone = other.openRecordset("SELECT N FROM A ORDER BY N");
    }
    Recordset fromMoved = m_connection.openRecordset("SELECT N FROM A ORDER BY N");
    OdbcConnection moved(std::move(m_connection));
    EXPECT_EQ(moved.state(), ConnectionState::Open);
    moved.execute("DELETE FROM A");
    EXPECT_EQ(numbers(fromMoved), QStringLiteral("1,2,3,4,5,"));
    EXPECT_EQ(numbers(fromGone), QStringLiteral("1,2,3,4,5,"));
}

// --- long values and reading in blocks -------------------------------------------------------

TEST_F(SqliteConnection, ValuesOfEveryLengthFollowEachOtherIntact) {
    // Each row is read into the storage of the row before it: shorter, longer, NULL and long
    // values in turn must each come out whole. The long one takes more than one read of the
    // driver and has characters beyond ASCII (beyond the BMP cannot reach SQLite's driver: the
    // driver manager converts for it through UCS-2).
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

TEST_F(SqliteConnection, AValueLongerThanItsDeclaredColumnFailsInsteadOfBeingCut) {
    // SQLite keeps longer values than a column declares; rows read in blocks have room for the
    // declared size only, so such a value stops the read with a clear error, never cut short.
    run({"CREATE TABLE T (ID INTEGER, V VARCHAR(5))", "INSERT INTO T VALUES (1, 'short')",
         "INSERT INTO T VALUES (2, 'much too long')"});
    Recordset rs = m_connection.openRecordset("SELECT V FROM T ORDER BY ID");
    ASSERT_EQ(rs.fields().at(0).size, 5);
    const DbErrorList errors = thrownBy([&] {
        for (; !rs.eof(); rs.moveNext())
            EXPECT_NE(rs.value(0), text("much "));
    });
    EXPECT_TRUE(describe(errors).find("longer than the 5 characters") != std::string::npos)
        << describe(errors);
}

TEST_F(SqliteConnection, RowsReadInBlocksKeepTheirOrderAndNullsAcrossBlocks) {
    run({"CREATE TABLE T (ID INTEGER, V VARCHAR(10))",
         "INSERT INTO T WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S WHERE "
         "I < 1000) SELECT I, CASE WHEN I % 7 = 0 THEN NULL WHEN I % 5 = 0 THEN '' "
         "ELSE 'v' || I END FROM S"});
    std::vector<Row> expected;
    for (int i = 1; i <= 1000; ++i)
        expected.push_back({FieldValue(QString::number(i)),
                            i % 7 == 0   ? FieldValue()
                            : i % 5 == 0 ? text("")
                                         : FieldValue(QStringLiteral("v%1").arg(i))});
    Recordset rs = m_connection.openRecordset("SELECT ID, V FROM T ORDER BY ID");
    EXPECT_EQ(readAll(rs), expected);
}

TEST_F(SqliteConnection, BinaryArrivesAsUpperCaseHex) {
    run({"CREATE TABLE T (ID INTEGER, V BLOB)", "INSERT INTO T VALUES (1, X'00FF10AB')",
         "INSERT INTO T VALUES (2, X'')", "INSERT INTO T VALUES (3, NULL)",
         "INSERT INTO T VALUES (4, RANDOMBLOB(20000))"});
    Recordset rs = m_connection.openRecordset("SELECT V, HEX(V) FROM T ORDER BY ID");
    const std::vector<Row> rows = readAll(rs);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0], text("00FF10AB"));
    EXPECT_EQ(rows[1][0], text(""));
    EXPECT_EQ(rows[2][0], FieldValue());
    ASSERT_TRUE(rows[3][0].has_value());
    EXPECT_EQ(rows[3][0]->size(), 40000);
    EXPECT_EQ(rows[3][0], rows[3][1]);
}
