// Opening a SQL Server connection string through FreeTDS to a loopback port nobody listens on:
// the open fails and every record the driver reported arrives, in order.
#include "components/DbException.h"
#include "components/OdbcConnection.h"
#include "components/OdbcEnvironmentProbe.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <thread>

using namespace quorvex;

namespace {

struct RawRecord {
    QString sqlState;
    SQLINTEGER nativeError = 0;
    QString message;
};

// Connects with the driver manager directly and reads the records with a loop of its own, to
// have something independent to compare with.
std::vector<RawRecord> rawConnectFailure(const QString& connectionString) {
    std::vector<RawRecord> records;
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
    std::u16string text = connectionString.toStdU16String();
    const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    for (SQLSMALLINT i = 1; rc == SQL_ERROR; ++i) {
        SQLWCHAR state[6] = {};
        SQLWCHAR message[2048] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLGetDiagRecW(SQL_HANDLE_DBC, dbc, i, state, &native, message, 2048, &length)))
            break;
        records.push_back({QString::fromUtf16(reinterpret_cast<const char16_t*>(state)), native,
                           QString::fromUtf16(reinterpret_cast<const char16_t*>(message))});
    }
    if (SQL_SUCCEEDED(rc))
        SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return records;
}

class FreeTdsClosedPort : public ::testing::Test {
protected:
    void SetUp() override {
        if (!OdbcEnvironmentProbe::cached().drivers.contains(QStringLiteral("FreeTDS")))
            GTEST_SKIP() << "the FreeTDS ODBC driver is not installed";
        // An empty freetds.conf of our own, so no configured server comes into play.
        const QString conf = m_dir.filePath(QStringLiteral("freetds.conf"));
        QFile file(conf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        qputenv("FREETDSCONF", QFile::encodeName(conf));
        QTcpServer server; // a loopback port that was free a moment ago
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        m_port = server.serverPort();
    }
    void TearDown() override { qunsetenv("FREETDSCONF"); }

    QTemporaryDir m_dir;
    quint16 m_port = 0;
};

} // namespace

TEST_F(FreeTdsClosedPort, OpenFailsWithEveryRecordTheDriverReportedAndCanBeRetried) {
    OdbcConnection connection;
    connection.setConnectionTimeout(5);
    const QString target = QStringLiteral("Provider=SQLOLEDB.1;Password=x;Persist Security "
                                          "Info=True;User ID=sa;Initial Catalog=master;"
                                          "Data Source=127.0.0.1,%1")
                               .arg(m_port);
    EXPECT_FALSE(connection.open(target));
    EXPECT_EQ(connection.state(), ConnectionState::Closed);

    const std::vector<RawRecord> raw =
        rawConnectFailure(QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=%1;"
                                         "DATABASE=master;UID=sa;PWD=x;ClientCharset=UTF-8")
                              .arg(m_port));
    ASSERT_GE(raw.size(), 2u);
    const DbErrorList errors = connection.errors();
    ASSERT_EQ(static_cast<std::size_t>(errors.size()), raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const DbErrorRecord& e = errors[static_cast<qsizetype>(i)];
        SCOPED_TRACE(raw[i].message.toStdString());
        EXPECT_EQ(e.number, -1);
        EXPECT_EQ(e.sqlState, raw[i].sqlState);
        EXPECT_EQ(e.nativeError, raw[i].nativeError);
        EXPECT_TRUE(e.source.startsWith(QStringLiteral("[FreeTDS]")));
        EXPECT_TRUE(raw[i].message.startsWith(e.source));
        EXPECT_EQ(e.description, raw[i].message.mid(e.source.size()).trimmed());
        EXPECT_FALSE(e.description.isEmpty());
    }

    EXPECT_FALSE(connection.open(target));
    EXPECT_EQ(connection.errors(), errors);
    EXPECT_EQ(connection.state(), ConnectionState::Closed);
}

// On the server named in QUORVEX_TEST_MSSQL: a statement waiting for a lock another session
// holds ends at the query timeout; on SQL Server also at once when another thread cancels it.
TEST(FreeTdsOnTheEngine, AWaitingStatementEndsAtItsTimeoutOrWhenCancelled) {
    const QStringList target = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split('|');
    if (target.size() != 4)
        GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";
    const QString host = target[0].section(',', 0, 0);
    const QString port = target[0].contains(',') ? target[0].section(',', 1) : "1433";
    const QString odbc = "DRIVER={FreeTDS};SERVER=" + host + ";PORT=" + port + ";UID=" + target[1] +
                         ";PWD={" + target[2] + "};DATABASE=" + target[3] + ";TDS_Version=7.4";
    const QString table = QStringLiteral("qvxWait%1").arg(QCoreApplication::applicationPid());
    OdbcConnection holder;
    ASSERT_TRUE(holder.open(odbc));
    holder.execute("CREATE TABLE " + table + " (ID int NULL)");
    holder.beginTransaction(TransactionIsolation::DriverDefault);
    holder.execute("INSERT INTO " + table + " VALUES (1)");
    const QString waits = "ALTER TABLE " + table + " ADD EXTRA int NULL";
    bool babelfish = false;
    {
        OdbcConnection connection;
        ASSERT_TRUE(connection.open(odbc));
        Recordset engine =
            connection.openRecordset("SELECT CAST(SERVERPROPERTY('Babelfish') AS int)");
        babelfish = engine.value(0).value_or(QString()).trimmed() == "1";
        connection.setQueryTimeout(1);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_THROW(connection.execute(waits), DbException);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
        // Babelfish drops the session after a timed-out statement ("Communication link
        // failure"); SQL Server keeps it.
    }
    if (!babelfish) {
        OdbcConnection connection;
        ASSERT_TRUE(connection.open(odbc));
        std::thread canceller([&connection] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            connection.cancel();
        });
        const auto started = std::chrono::steady_clock::now();
        EXPECT_THROW(connection.execute(waits), DbException);
        canceller.join();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
        EXPECT_NO_THROW(connection.execute("SELECT 1"));
    }
    holder.rollback();
    holder.execute("DROP TABLE " + table);
    if (babelfish)
        GTEST_SKIP() << "the cancel part needs SQL Server: Babelfish reads a cancel (TDS "
                        "attention) only once the waiting statement has ended";
}
