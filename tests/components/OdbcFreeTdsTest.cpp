// Opening a SQL Server connection string through FreeTDS to a loopback port nobody listens on:
// the open fails with every record the driver reported, and can be tried again.
#include "components/DbException.h"
#include "components/OdbcConnection.h"
#include "components/OdbcEnvironmentProbe.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace quorvex;

namespace {

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

    // More than one record: a reader that keeps only the first loses why the server is out of
    // reach.
    const DbErrorList errors = connection.errors();
    ASSERT_GE(errors.size(), 2);
    for (const DbErrorRecord& e : errors) {
        SCOPED_TRACE(e.description.toStdString());
        EXPECT_EQ(e.number, -1);
        EXPECT_EQ(e.sqlState.size(), 5);
        EXPECT_TRUE(e.source.startsWith(QStringLiteral("[FreeTDS]")));
        EXPECT_FALSE(e.description.isEmpty());
        EXPECT_FALSE(e.description.startsWith(u'['));
    }
    EXPECT_EQ(errors.last().sqlState, QStringLiteral("08001"));

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
