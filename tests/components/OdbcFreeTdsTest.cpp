// Opening a SQL Server connection string through FreeTDS to a loopback port nobody listens on:
// the open fails with every record the driver reported, and can be tried again.
#include "components/DbException.h"
#include "components/OdbcConnection.h"
#include "components/OdbcEnvironmentProbe.h"
#include "components/Recordset.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
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

// The driver's connection string for the server named in QUORVEX_TEST_MSSQL, or empty.
QString engineConnectionString() {
    const QStringList target = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split('|');
    if (target.size() != 4)
        return {};
    const QString host = target[0].section(',', 0, 0);
    const QString port = target[0].contains(',') ? target[0].section(',', 1) : "1433";
    return "DRIVER={FreeTDS};SERVER=" + host + ";PORT=" + port + ";UID=" + target[1] + ";PWD={" +
           target[2] + "};DATABASE=" + target[3] + ";TDS_Version=7.4";
}

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

    // More than one record: the first alone does not say why the server is out of reach.
    const DbErrorList errors = connection.errors();
    ASSERT_GE(errors.size(), 2);
    for (const DbErrorRecord& e : errors)
        EXPECT_TRUE(e.source.startsWith(QStringLiteral("[FreeTDS]")) &&
                    !e.description.startsWith(u'['))
            << e.description.toStdString();
    EXPECT_EQ(errors.last().sqlState, QStringLiteral("08001"));

    EXPECT_FALSE(connection.open(target));
    EXPECT_EQ(connection.errors(), errors);
    EXPECT_EQ(connection.state(), ConnectionState::Closed);
}

// On the server named in QUORVEX_TEST_MSSQL: a statement waiting for a lock another session
// holds ends at the query timeout; on SQL Server also at once when another thread cancels it.
TEST(FreeTdsOnTheEngine, AWaitingStatementEndsAtItsTimeoutOrWhenCancelled) {
    const QString odbc = engineConnectionString();
    if (odbc.isEmpty())
        GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";
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

// On the server named in QUORVEX_TEST_MSSQL: another thread cancels while rows stream in, at a
// different moment each time. The read always ends, and the connection serves the next
// statement. (The driver waits for ever when a cancel is sent from another thread while its
// reader is busy between network reads; the connection must never send it then.)
TEST(FreeTdsOnTheEngine, ACancelWhileRowsStreamInAlwaysEndsTheRead) {
    const QString odbc = engineConnectionString();
    if (odbc.isEmpty())
        GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";
    OdbcConnection connection;
    ASSERT_TRUE(connection.open(odbc));
    const QString many = QStringLiteral("SELECT a.name FROM sys.all_columns a CROSS JOIN "
                                        "(SELECT TOP 20 object_id FROM sys.all_columns) b");
    // A read that hangs would hang the whole test program: a watchdog ends it with the reason.
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, std::chrono::seconds(60), [&] { return finished; })) {
            std::fprintf(stderr, "A read did not end after a cancel from another thread.\n");
            std::_Exit(3);
        }
    });
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> moment(0, 40000);
    int stoppedEarly = 0;
    for (int i = 0; i < 150; ++i) {
        const auto delay = std::chrono::microseconds(moment(random));
        std::thread canceller([&connection, delay] {
            std::this_thread::sleep_for(delay);
            connection.cancel();
        });
        qint64 rows = 0;
        bool cancelled = false;
        try {
            Recordset read = connection.openRecordset(many);
            for (; !read.eof(); read.moveNext())
                ++rows;
        } catch (const DbException&) {
            cancelled = true;
        }
        canceller.join();
        connection.clearCancel(); // a cancel that came after the last row waits for nobody
        stoppedEarly += cancelled ? 1 : 0;
        Recordset next = connection.openRecordset("SELECT 7");
        EXPECT_EQ(next.value(0), FieldValue(QStringLiteral("7"))) << "after " << rows << " rows";
    }
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    ended.notify_all();
    watchdog.join();
    EXPECT_GT(stoppedEarly, 0); // the cancels did meet running reads
}
