// The ODBC connection against the real SQLite ODBC driver, on a fresh database file per test.
#include "components/OdbcConnection.h"
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace quorvex;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quorvex {
inline void PrintTo(const FieldInfo& f, std::ostream* out) {
    *out << f.name.toStdString() << " kind " << int(f.kind) << " size " << f.size << " ("
         << f.precision << "," << f.scale << ")" << (f.nullable ? " null" : " not null");
}
} // namespace quorvex

namespace {

std::string describe(const DbErrorList& errors) {
    std::string text;
    for (const DbErrorRecord& e : errors)
        text += QStringLiteral("%1 %2 %3 %4 %5\n")
                    .arg(e.number)
                    .arg(e.sqlState, e.source, e.description)
                    .arg(e.nativeError)
                    .toStdString();
    return text;
}

FieldValue text(const char* value) {
    return FieldValue(QString::fromUtf8(value));
}

class SqliteConnection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_connection.open(connectionString())) << describe(m_connection.errors());
    }

    // StepAPI: the driver steps through a result as rows are fetched instead of reading it
    // whole at execution, as a server's driver does.
    QString connectionString(const QString& file = QStringLiteral("test.db")) const {
        return QStringLiteral("DRIVER={SQLite3};StepAPI=1;Database=") +
               quoteOdbcValue(m_dir.filePath(file));
    }

    // PEOPLE: ID, NAME, NOTE; Ann has an empty note, Bob none at all.
    void createPeople() {
        m_connection.execute(QStringLiteral(
            "CREATE TABLE PEOPLE (ID INTEGER NOT NULL, NAME VARCHAR(20), NOTE VARCHAR(40))"));
        m_connection.execute(QStringLiteral("INSERT INTO PEOPLE VALUES (1, 'Ann', '')"));
        m_connection.execute(QStringLiteral("INSERT INTO PEOPLE VALUES (2, 'Bob', NULL)"));
        m_connection.execute(QStringLiteral("INSERT INTO PEOPLE VALUES (3, 'Cy', 'x')"));
    }

    void createNumbers(const QString& table, int count) {
        m_connection.execute(QStringLiteral("CREATE TABLE %1 (N INTEGER)").arg(table));
        m_connection.execute(
            QStringLiteral("INSERT INTO %1 WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 "
                           "FROM S WHERE I < %2) SELECT I FROM S")
                .arg(table)
                .arg(count));
    }

    QTemporaryDir m_dir;
    OdbcConnection m_connection;
};

} // namespace

// --- opening and closing ---------------------------------------------------------------------

TEST_F(SqliteConnection, OpensClosesAndClosesAgainHarmlessly) {
    EXPECT_EQ(m_connection.state(), ConnectionState::Open);
    EXPECT_TRUE(m_connection.errors().isEmpty());
    m_connection.close();
    EXPECT_EQ(m_connection.state(), ConnectionState::Closed);
    m_connection.close();
    EXPECT_EQ(m_connection.state(), ConnectionState::Closed);
    ASSERT_TRUE(m_connection.open(connectionString())) << describe(m_connection.errors());
    EXPECT_EQ(m_connection.state(), ConnectionState::Open);
}

TEST_F(SqliteConnection, OpeningAnOpenConnectionIsRefusedAndLeavesItOpen) {
    EXPECT_FALSE(m_connection.open(connectionString()));
    ASSERT_EQ(m_connection.errors().size(), 1);
    EXPECT_EQ(m_connection.errors()[0].sqlState, QStringLiteral("08002"));
    EXPECT_EQ(m_connection.state(), ConnectionState::Open);
}

TEST(OdbcConnectionOpen, UnknownDriverFailsWithTheDriverManagersRecords) {
    OdbcConnection connection;
    EXPECT_FALSE(connection.open(QStringLiteral("DRIVER={NoSuchDriver};Database=x")));
    EXPECT_EQ(connection.state(), ConnectionState::Closed);
    ASSERT_FALSE(connection.errors().isEmpty());
    const DbErrorRecord& first = connection.errors()[0];
    EXPECT_EQ(first.number, -1);
    EXPECT_EQ(first.source, QStringLiteral("[unixODBC][Driver Manager]"));
    EXPECT_TRUE(first.description.contains(QStringLiteral("NoSuchDriver")))
        << describe(connection.errors());
    for (const DbErrorRecord& e : connection.errors()) {
        EXPECT_EQ(e.sqlState.size(), 5) << describe(connection.errors());
        EXPECT_FALSE(e.description.isEmpty());
    }
}

TEST(OdbcConnectionOpen, DatabaseInAMissingFolderFailsWithTheDriversRecords) {
    QTemporaryDir dir;
    OdbcConnection connection;
    EXPECT_FALSE(connection.open(QStringLiteral("DRIVER={SQLite3};Database=") +
                                 dir.filePath(QStringLiteral("missing/folder/x.db"))));
    EXPECT_EQ(connection.state(), ConnectionState::Closed);
    ASSERT_FALSE(connection.errors().isEmpty());
    for (const DbErrorRecord& e : connection.errors()) {
        EXPECT_EQ(e.number, -1);
        EXPECT_EQ(e.sqlState.size(), 5) << describe(connection.errors());
        EXPECT_FALSE(e.description.isEmpty());
        EXPECT_TRUE(e.source.startsWith(QLatin1Char('['))) << describe(connection.errors());
    }
}

TEST(OdbcConnectionOpen, SqlBaseWithoutDriverFailsWithTheNoDriverRecord) {
    OdbcConnection connection;
    const QString database = QStringLiteral("QUORVEX_NO_SUCH_DB");
    const bool opened = connection.open(
        QStringLiteral("Provider=SQLBASEOLEDB.1;Password=x;Persist Security Info=True;"
                       "User ID=SYSADM;Data Source=") +
        database);
    EXPECT_FALSE(opened);
    const DbErrorList expected{
        mapToOdbc(QStringLiteral("Provider=SQLBASEOLEDB.1;Data Source=") + database,
                  OdbcEnvironmentInfo{})
            .error.value()};
    EXPECT_EQ(connection.errors(), expected) << describe(connection.errors());
}

TEST(OdbcConnectionOpen, FactoryMakesClosedOdbcConnections) {
    OdbcConnectionFactory factory;
    const std::unique_ptr<IConnection> connection = factory.createConnection();
    ASSERT_NE(dynamic_cast<OdbcConnection*>(connection.get()), nullptr);
    EXPECT_EQ(connection->state(), ConnectionState::Closed);
    EXPECT_TRUE(connection->errors().isEmpty());
}

TEST(OdbcConnectionOpen, StatementsOnAClosedConnectionThrow) {
    OdbcConnection connection;
    EXPECT_THROW(connection.execute(QStringLiteral("SELECT 1")), DbException);
    EXPECT_THROW(connection.openRecordset(QStringLiteral("SELECT 1")), DbException);
    ASSERT_EQ(connection.errors().size(), 1);
    EXPECT_EQ(connection.errors()[0].sqlState, QStringLiteral("08003"));
}

// --- statements and their results ------------------------------------------------------------

TEST_F(SqliteConnection, RowsWrittenWithExecuteReadBackInOrder) {
    createPeople();
    Recordset rs =
        m_connection.openRecordset(QStringLiteral("SELECT ID, NAME FROM PEOPLE ORDER BY ID"));
    ASSERT_EQ(rs.fieldCount(), 2);
    EXPECT_EQ(rs.fieldName(0), QStringLiteral("ID"));
    EXPECT_EQ(rs.fieldName(1), QStringLiteral("NAME"));
    std::vector<Row> rows;
    for (; !rs.eof(); rs.moveNext())
        rows.push_back(rs.currentRow());
    const std::vector<Row> expected{
        {text("1"), text("Ann")}, {text("2"), text("Bob")}, {text("3"), text("Cy")}};
    EXPECT_EQ(rows, expected);
}

TEST_F(SqliteConnection, ColumnsAreDescribedWithKindAndSize) {
    m_connection.execute(QStringLiteral(
        "CREATE TABLE T (ID INTEGER, NAME VARCHAR(20), NOTE TEXT, SMALL SMALLINT, BIG BIGINT, "
        "RATE DOUBLE, FLAG BIT, BORN DATE, AT TIME, STAMP TIMESTAMP, DATA VARBINARY(10))"));
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT * FROM T"));
    const auto field = [](const char* name, FieldKind kind, qint64 size = 0) {
        return FieldInfo{QString::fromLatin1(name), kind, size};
    };
    const std::vector<FieldInfo> expected{
        field("ID", FieldKind::Integer),     field("NAME", FieldKind::Text, 20),
        field("NOTE", FieldKind::Text),      field("SMALL", FieldKind::Integer),
        field("BIG", FieldKind::BigInt),     field("RATE", FieldKind::Float),
        field("FLAG", FieldKind::Boolean),   field("BORN", FieldKind::Date),
        field("AT", FieldKind::Time),        field("STAMP", FieldKind::DateTime),
        field("DATA", FieldKind::Binary, 10)};
    EXPECT_EQ(rs.fields(), expected);
}

TEST_F(SqliteConnection, NullIsToldApartFromEmptyText) {
    createPeople();
    Recordset rs =
        m_connection.openRecordset(QStringLiteral("SELECT NAME, NOTE FROM PEOPLE ORDER BY ID"));
    std::vector<Row> rows;
    for (; !rs.eof(); rs.moveNext())
        rows.push_back(rs.currentRow());
    const std::vector<Row> expected{
        {text("Ann"), text("")}, {text("Bob"), std::nullopt}, {text("Cy"), text("x")}};
    EXPECT_EQ(rows, expected);
}

TEST_F(SqliteConnection, EmptyResultIsAtEofAndBofWithNoRecords) {
    createPeople();
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT * FROM PEOPLE WHERE ID > 9"));
    EXPECT_EQ(rs.fieldCount(), 3);
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST_F(SqliteConnection, RecordCountCountsEveryRowAndKeepsThePlace) {
    createPeople();
    Recordset rs =
        m_connection.openRecordset(QStringLiteral("SELECT NAME FROM PEOPLE ORDER BY ID"));
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.value(0), text("Ann"));
    rs.moveNext();
    EXPECT_EQ(rs.value(0), text("Bob"));
}

TEST_F(SqliteConnection, FindPositionsOnTheMatchingRow) {
    createPeople();
    Recordset rs =
        m_connection.openRecordset(QStringLiteral("SELECT ID, NAME FROM PEOPLE ORDER BY ID"));
    EXPECT_TRUE(rs.find(QStringLiteral("NAME = 'bob'")));
    EXPECT_EQ(rs.currentRow(), (Row{text("2"), text("Bob")}));
    EXPECT_FALSE(rs.find(QStringLiteral("NAME = 'Ann'"))); // only forward from here
    EXPECT_TRUE(rs.eof());
}

TEST_F(SqliteConnection, GetStringWritesEveryRowWithTheNullText) {
    createPeople();
    Recordset rs =
        m_connection.openRecordset(QStringLiteral("SELECT ID, NAME, NOTE FROM PEOPLE ORDER BY ID"));
    EXPECT_EQ(rs.getString(QStringLiteral(","), QStringLiteral("\r\n"), QStringLiteral("(NULL)")),
              QStringLiteral("1,Ann,\r\n2,Bob,(NULL)\r\n3,Cy,x\r\n"));
    EXPECT_TRUE(rs.eof());
}

TEST_F(SqliteConnection, SavedXmlHoldsEveryRowAndField) {
    createPeople();
    Recordset rs =
        m_connection.openRecordset(QStringLiteral("SELECT ID, NAME, NOTE FROM PEOPLE ORDER BY ID"));
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    rs.saveXml(buffer);
    buffer.close();

    QXmlStreamReader xml(buffer.data());
    QStringList schemaNames;
    std::vector<Row> rows;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("AttributeType")) {
            schemaNames << xml.attributes().value(QLatin1String("name")).toString();
        } else if (xml.name() == QLatin1String("row")) {
            Row row;
            for (const char* column : {"ID", "NAME", "NOTE"}) {
                const QXmlStreamAttributes attributes = xml.attributes();
                row.push_back(attributes.hasAttribute(QLatin1String(column))
                                  ? FieldValue(attributes.value(QLatin1String(column)).toString())
                                  : std::nullopt);
            }
            rows.push_back(row);
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(schemaNames,
              (QStringList{QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("NOTE")}));
    const std::vector<Row> expected{{text("1"), text("Ann"), text("")},
                                    {text("2"), text("Bob"), std::nullopt},
                                    {text("3"), text("Cy"), text("x")}};
    EXPECT_EQ(rows, expected);
}

TEST_F(SqliteConnection, FailingStatementThrowsTheDriversMessageAndSetsErrors) {
    try {
        m_connection.execute(QStringLiteral("SELEKT * FROM NOWHERE"));
        FAIL() << "the statement ran";
    } catch (const DbException& e) {
        ASSERT_FALSE(e.errors().isEmpty());
        EXPECT_TRUE(e.description().contains(QStringLiteral("syntax error")))
            << describe(e.errors());
        EXPECT_EQ(e.errors()[0].number, -1);
        EXPECT_EQ(e.errors()[0].sqlState.size(), 5);
        EXPECT_EQ(m_connection.errors(), e.errors());
    }
    try {
        m_connection.openRecordset(QStringLiteral("SELECT * FROM NOWHERE"));
        FAIL() << "the query ran";
    } catch (const DbException& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("no such table")))
            << describe(e.errors());
        EXPECT_EQ(m_connection.errors(), e.errors());
    }
    EXPECT_EQ(m_connection.state(), ConnectionState::Open);
}

TEST_F(SqliteConnection, StatementWithoutRowsGivesARecordsetWithoutFields) {
    createPeople();
    Recordset purge = m_connection.openRecordset(QStringLiteral("DELETE FROM PEOPLE WHERE ID = 2"));
    EXPECT_EQ(purge.fieldCount(), 0);
    EXPECT_TRUE(purge.eof());
    EXPECT_TRUE(purge.bof());
    // A DELETE that meets no rows is no failure either.
    m_connection.execute(QStringLiteral("DELETE FROM PEOPLE WHERE ID = 2"));
    Recordset rest =
        m_connection.openRecordset(QStringLiteral("SELECT ID FROM PEOPLE ORDER BY ID"));
    EXPECT_EQ(rest.getString(QStringLiteral(","), QStringLiteral(";"), QString()),
              QStringLiteral("1;3;"));
}

TEST_F(SqliteConnection, FailureWhileFetchingThrowsAtItsRowAndSetsErrors) {
    // The third row overflows while it is computed, after the first two were handed out.
    Recordset rs = m_connection.openRecordset(QStringLiteral(
        "WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S WHERE I < 5) "
        "SELECT CASE WHEN I = 3 THEN ABS(-9223372036854775807 - 1) ELSE I END FROM S"));
    EXPECT_EQ(rs.value(0), text("1"));
    rs.moveNext();
    EXPECT_EQ(rs.value(0), text("2"));
    try {
        rs.moveNext();
        FAIL() << "the third row was read";
    } catch (const DbException& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("integer overflow")))
            << describe(e.errors());
        EXPECT_EQ(m_connection.errors(), e.errors());
    }
    // The connection goes on working.
    EXPECT_EQ(m_connection.openRecordset(QStringLiteral("SELECT 7")).value(0), text("7"));
}

// --- several statements at once --------------------------------------------------------------

TEST_F(SqliteConnection, StatementsSentWhileAResultIsReadLeaveItWhole) {
    createNumbers(QStringLiteral("SOURCE"), 50);
    m_connection.execute(QStringLiteral("CREATE TABLE COPY (N INTEGER)"));

    Recordset source =
        m_connection.openRecordset(QStringLiteral("SELECT N FROM SOURCE ORDER BY N"));
    int expected = 1;
    for (; !source.eof(); source.moveNext(), ++expected) {
        ASSERT_EQ(source.value(0), FieldValue(QString::number(expected)));
        m_connection.execute(QStringLiteral("INSERT INTO COPY VALUES (%1)").arg(expected * 10));
        if (expected == 25) {
            // A second result set in the middle, read to its end.
            Recordset copied =
                m_connection.openRecordset(QStringLiteral("SELECT COUNT(*) FROM COPY"));
            EXPECT_EQ(copied.value(0), text("25"));
        }
    }
    EXPECT_EQ(expected, 51);

    Recordset copy = m_connection.openRecordset(QStringLiteral("SELECT SUM(N) FROM COPY"));
    EXPECT_EQ(copy.value(0), FieldValue(QString::number(10 * 50 * 51 / 2)));
}

TEST_F(SqliteConnection, FailureWhileReadingAheadArrivesAtItsRow) {
    Recordset rs = m_connection.openRecordset(QStringLiteral(
        "WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S WHERE I < 5) "
        "SELECT CASE WHEN I = 3 THEN ABS(-9223372036854775807 - 1) ELSE I END FROM S"));
    // Another statement makes the result read its remaining rows now; the statement itself
    // runs.
    m_connection.execute(QStringLiteral("CREATE TABLE AFTER (A INTEGER)"));
    EXPECT_EQ(rs.value(0), text("1"));
    rs.moveNext();
    EXPECT_EQ(rs.value(0), text("2"));
    EXPECT_THROW(rs.moveNext(), DbException);
    EXPECT_TRUE(m_connection.errors()[0].description.contains(QStringLiteral("integer overflow")))
        << describe(m_connection.errors());
    EXPECT_EQ(m_connection.openRecordset(QStringLiteral("SELECT COUNT(*) FROM AFTER")).value(0),
              text("0"));
}

TEST_F(SqliteConnection, ResultStaysReadableAfterTheConnectionCloses) {
    createNumbers(QStringLiteral("A"), 30);
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT N FROM A ORDER BY N"));
    rs.moveNext(); // on 2
    m_connection.close();
    EXPECT_EQ(rs.recordCount(), 30);
    EXPECT_EQ(
        rs.getString(QString(), QStringLiteral(","), QString()).section(QLatin1Char(','), 0, 2),
        QStringLiteral("2,3,4"));
}

TEST_F(SqliteConnection, ResultOutlivesTheConnectionObject) {
    createNumbers(QStringLiteral("A"), 5);
    Recordset rs;
    {
        OdbcConnection other;
        ASSERT_TRUE(other.open(connectionString())) << describe(other.errors());
        rs = other.openRecordset(QStringLiteral("SELECT N FROM A ORDER BY N"));
    }
    EXPECT_EQ(rs.getString(QString(), QStringLiteral(","), QString()),
              QStringLiteral("1,2,3,4,5,"));
}

TEST_F(SqliteConnection, MovedConnectionKeepsItsResultsReadable) {
    createNumbers(QStringLiteral("A"), 5);
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT N FROM A ORDER BY N"));
    OdbcConnection moved(std::move(m_connection));
    EXPECT_EQ(moved.state(), ConnectionState::Open);
    moved.execute(QStringLiteral("DELETE FROM A"));
    EXPECT_EQ(rs.getString(QString(), QStringLiteral(","), QString()),
              QStringLiteral("1,2,3,4,5,"));
}

// --- large results and long values -----------------------------------------------------------

TEST_F(SqliteConnection, HundredThousandRowsReadOneByOne) {
    Recordset rs = m_connection.openRecordset(QStringLiteral(
        "WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S WHERE I < 100000) "
        "SELECT I, 'row ' || I FROM S"));
    int expected = 1;
    for (; !rs.eof(); rs.moveNext(), ++expected) {
        const Row& row = rs.currentRow();
        if (row != Row{FieldValue(QString::number(expected)),
                       FieldValue(QStringLiteral("row ") + QString::number(expected))}) {
            FAIL() << "row " << expected << " reads wrong";
        }
    }
    EXPECT_EQ(expected, 100001);
}

TEST_F(SqliteConnection, LongTextArrivesWhole) {
    // Longer than one read of the driver, with characters beyond ASCII. (Characters beyond the
    // BMP cannot reach SQLite's driver: the driver manager converts for it through UCS-2.)
    QString value;
    for (int i = 0; i < 3000; ++i)
        value += QStringLiteral("Grüße-日本|");
    m_connection.execute(QStringLiteral("CREATE TABLE T (V TEXT)"));
    m_connection.execute(QStringLiteral("INSERT INTO T VALUES ('%1')").arg(value));
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT V FROM T"));
    EXPECT_EQ(rs.value(0), FieldValue(value));
}

TEST_F(SqliteConnection, ValuesOfEveryLengthFollowEachOtherIntact) {
    // Each row is read into the storage of the row before it: shorter, longer, NULL and long
    // values in turn must each come out whole, also when the reader keeps no copy.
    const QString longValue = QString(5000, u'L');
    const QList<std::optional<QString>> values{QStringLiteral("abcdef"),
                                               QStringLiteral("x"),
                                               std::nullopt,
                                               longValue,
                                               QStringLiteral("yy"),
                                               QString(),
                                               QStringLiteral("zzzzzzzz")};
    m_connection.execute(QStringLiteral("CREATE TABLE T (ID INTEGER, V TEXT)"));
    for (int i = 0; i < values.size(); ++i)
        m_connection.execute(QStringLiteral("INSERT INTO T VALUES (%1, %2)")
                                 .arg(i)
                                 .arg(values[i] ? QStringLiteral("'") + *values[i] + u'\''
                                                : QStringLiteral("NULL")));
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT V FROM T ORDER BY ID"));
    for (int i = 0; i < values.size(); ++i, rs.moveNext()) {
        ASSERT_FALSE(rs.eof()) << i;
        EXPECT_EQ(rs.value(0), values[i]) << i;
    }
    EXPECT_TRUE(rs.eof());
}

TEST_F(SqliteConnection, AValueLongerThanItsDeclaredColumnFailsInsteadOfBeingCut) {
    // SQLite keeps longer values than a column declares; rows read in blocks have room for the
    // declared size only, so such a value stops the read with a clear error, never cut short.
    m_connection.execute(QStringLiteral("CREATE TABLE T (ID INTEGER, V VARCHAR(5))"));
    m_connection.execute(QStringLiteral("INSERT INTO T VALUES (1, 'short')"));
    m_connection.execute(QStringLiteral("INSERT INTO T VALUES (2, 'much too long')"));
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT V FROM T ORDER BY ID"));
    ASSERT_EQ(rs.fields().at(0).size, 5);
    try {
        while (!rs.eof()) {
            EXPECT_NE(rs.value(0), text("much "));
            rs.moveNext();
        }
        FAIL() << "the long value was read";
    } catch (const DbException& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("longer than the 5 characters")))
            << describe(e.errors());
    }
}

TEST_F(SqliteConnection, RowsReadInBlocksKeepTheirOrderAndNullsAcrossBlocks) {
    m_connection.execute(QStringLiteral("CREATE TABLE T (ID INTEGER, V VARCHAR(10))"));
    m_connection.execute(QStringLiteral(
        "INSERT INTO T WITH RECURSIVE S(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM S WHERE "
        "I < 1000) SELECT I, CASE WHEN I % 7 = 0 THEN NULL WHEN I % 5 = 0 THEN '' "
        "ELSE 'v' || I END FROM S"));
    Recordset rs = m_connection.openRecordset(QStringLiteral("SELECT ID, V FROM T ORDER BY ID"));
    for (int i = 1; i <= 1000; ++i, rs.moveNext()) {
        ASSERT_FALSE(rs.eof()) << i;
        ASSERT_EQ(rs.value(0), FieldValue(QString::number(i)));
        const FieldValue expected = i % 7 == 0   ? FieldValue()
                                    : i % 5 == 0 ? FieldValue(QString(QLatin1String("")))
                                                 : FieldValue(QStringLiteral("v%1").arg(i));
        ASSERT_EQ(rs.value(1), expected) << i;
    }
    EXPECT_TRUE(rs.eof());
}

TEST_F(SqliteConnection, BinaryArrivesAsUpperCaseHex) {
    m_connection.execute(QStringLiteral("CREATE TABLE T (ID INTEGER, V BLOB)"));
    m_connection.execute(QStringLiteral("INSERT INTO T VALUES (1, X'00FF10AB')"));
    m_connection.execute(QStringLiteral("INSERT INTO T VALUES (2, X'')"));
    m_connection.execute(QStringLiteral("INSERT INTO T VALUES (3, NULL)"));
    m_connection.execute(QStringLiteral("INSERT INTO T VALUES (4, RANDOMBLOB(20000))"));
    Recordset rs =
        m_connection.openRecordset(QStringLiteral("SELECT V, HEX(V) FROM T ORDER BY ID"));
    EXPECT_EQ(rs.value(0), text("00FF10AB"));
    rs.moveNext();
    EXPECT_EQ(rs.value(0), text(""));
    rs.moveNext();
    EXPECT_EQ(rs.value(0), FieldValue());
    rs.moveNext();
    ASSERT_TRUE(rs.value(0).has_value());
    EXPECT_EQ(rs.value(0)->size(), 40000);
    EXPECT_EQ(rs.value(0), rs.value(1));
}
