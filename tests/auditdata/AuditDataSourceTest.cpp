// Where each back end's viewer and export window get their rows and send their purge: a
// connection of the operation's own, closed at its end, and a cancel that stops the statement
// it waits on.
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/DbException.h"
#include "components/MessageLog.h"
#include "components/TaskContext.h"
#include "sqlserver/SqlServerConnection.h"

#include "AuditDataTesting.h"
#include "support/FakeDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace quorvex;
using quorvex::testing::FakeDatabase;
using quorvex::testing::textRow;

namespace {

const QString sqlBaseConnection =
    QStringLiteral("Provider=SQLBASEOLEDB.1;Password=pw;Persist Security Info=True;User "
                   "ID=SYSADM;Data Source=ISLAND");
const SqlServerLoginValues sqlServerLogin{"db1", "sa", "secret", "Sales"};

AuditTable sqlServerAudit(const char* name) {
    return *AuditTable::fromName(AuditStore::SqlServer, QString::fromUtf8(name));
}
AuditTable sqlBaseAudit(const char* name) {
    return *AuditTable::fromName(AuditStore::SqlBase, QString::fromUtf8(name));
}

class SqlServerAuditDataTest : public ::testing::Test {
protected:
    SqlServerAuditDataTest() : m_data(m_db, sqlServerLogin) {
        m_db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO", "AuditDate"},
                     {textRow({"1", "2026-01-01 10:00:00"}), textRow({"2", nullptr})});
    }

    FakeDatabase m_db;
    MessageLog m_log;
    TaskContext m_task;
    SqlServerAuditData m_data;
};

class SqlBaseAuditDataTest : public ::testing::Test {
protected:
    SqlBaseAuditDataTest()
        : m_data([this](MessageService&) -> std::unique_ptr<IConnection> {
              ++m_opens;
              auto connection = m_db.createConnection();
              if (!connection->open(sqlBaseConnection))
                  return nullptr; // the login module tells the failure
              return connection;
          }) {
        m_db.onQuery("Select * from ZOTA_ORDERS", QStringList{"ORDER_NO"},
                     {textRow({"1"}), textRow({"2"})});
    }

    FakeDatabase m_db;
    MessageLog m_log;
    TaskContext m_task;
    int m_opens = 0;
    SqlBaseAuditData m_data;
};

} // namespace

TEST_F(SqlServerAuditDataTest, EachReadOpensAConnectionFromTheLoginAndClosesItWithTheRows) {
    auto rows = m_data.openRows(sqlServerAudit("Orders"), m_log, m_task);
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(m_db.connectionStrings(),
              QStringList{buildSqlServerConnectionString(sqlServerLogin)});
    // The read waits a bounded time for a table another session holds.
    EXPECT_EQ(m_db.statements(),
              (QStringList{"SET LOCK_TIMEOUT 10000", "Select * from tblZOTA_Orders"}));
    EXPECT_EQ(rows->recordset().fieldName(1), QStringLiteral("AuditDate"));
    EXPECT_EQ(rows->recordset().recordCount(), 2);
    EXPECT_EQ(m_db.openNow(), 1);
    rows->close();
    EXPECT_EQ(m_db.openNow(), 0);
    EXPECT_TRUE(m_log.isEmpty());
}

TEST_F(SqlServerAuditDataTest, ConnectionThatWillNotOpenTellsItsReportAndSendsNothing) {
    const DbErrorList errors = FakeDatabase::error(QStringLiteral("Login failed for user 'sa'."),
                                                   18456, QStringLiteral("28000"));
    m_db.failOpen(errors);
    EXPECT_FALSE(m_data.openRows(sqlServerAudit("Orders"), m_log, m_task).has_value());
    EXPECT_FALSE(m_data.purge(sqlServerAudit("Orders"), m_log, m_task).has_value());
    EXPECT_EQ(m_log.texts(),
              (QStringList{sqlServerConnectionReport(errors), sqlServerConnectionReport(errors)}));
    EXPECT_EQ(m_db.statements(), QStringList());
}

TEST_F(SqlBaseAuditDataTest, FailingStatementsStillCloseTheirConnection) {
    m_db.failOn("Select * from ZOTA_GONE", FakeDatabase::error(QStringLiteral("Table not found")));
    m_db.failOn("Delete from ZOTA_GONE", FakeDatabase::error(QStringLiteral("Table not found")));
    EXPECT_THROW(m_data.openRows(sqlBaseAudit("ZOTA_GONE"), m_log, m_task), DbException);
    EXPECT_EQ(m_data.purge(sqlBaseAudit("ZOTA_GONE"), m_log, m_task)->message,
              QStringLiteral("Table not found"));
    EXPECT_EQ(m_opens, 2);
    EXPECT_EQ(m_db.openNow(), 0);
}

TEST_F(SqlBaseAuditDataTest, NoConnectionMeansNoStatement) {
    m_db.failOpen(FakeDatabase::error(QStringLiteral("Cannot connect")));
    EXPECT_FALSE(m_data.openRows(sqlBaseAudit("ZOTA_ORDERS"), m_log, m_task).has_value());
    EXPECT_FALSE(m_data.purge(sqlBaseAudit("ZOTA_ORDERS"), m_log, m_task).has_value());
    EXPECT_EQ(m_db.statements(), QStringList());
}

// Each operation waits on a busy server (its statement, or a read after its first rows) on a
// worker; the cancel of its task stops the statement, and it ends Cancelled with its connection
// closed, no file, nothing told and nothing committed.
TEST(AuditDataSourceCancel, EveryOperationWaitingOnTheServerEndsCancelledLeavingNothing) {
    const QString select = QStringLiteral("Select * from tblZOTA_Orders");
    const QString deleteAll = QStringLiteral("Delete from tblZOTA_Orders");
    const QString deleteReturning = QStringLiteral("Delete from tblZOTA_Orders Output deleted.*");
    using Operation =
        std::function<bool(const AuditDataSource&, AuditExporter&, MessageService&, TaskContext&)>;
    const auto exportOutcome = [](std::optional<ExportResult> r) {
        return r && r->outcome == ExportResult::Outcome::Cancelled;
    };
    const auto purgeOutcome = [](std::optional<PurgeResult> r) {
        return r && r->outcome == PurgeResult::Outcome::Cancelled;
    };
    const AuditTable audit = sqlServerAudit("Orders");
    const struct {
        const char* name;
        QString held;
        int rowsFirst;
        QStringList sent;
        Operation run;
    } cases[] = {
        {"the viewer's read",
         select,
         2,
         {"SET LOCK_TIMEOUT 10000", select},
         [&](const AuditDataSource& s, AuditExporter&, MessageService& m, TaskContext& t) {
             std::optional<AuditRows> rows = s.openRows(audit, m, t);
             try {
                 while (rows && !rows->recordset().eof())
                     rows->recordset().moveNext();
             } catch (const DbException& e) {
                 return e.description() == FakeDatabase::cancelledText();
             }
             return false;
         }},
        {"EXPORT",
         select,
         2,
         {"SET LOCK_TIMEOUT 10000", select},
         [&](const AuditDataSource& s, AuditExporter& e, MessageService& m, TaskContext& t) {
             return exportOutcome(s.exportRows(audit, e, m, t));
         }},
        {"PURGE",
         deleteAll,
         0,
         {"SET LOCK_TIMEOUT 10000", deleteAll, "SET LOCK_TIMEOUT -1"},
         [&](const AuditDataSource& s, AuditExporter&, MessageService& m, TaskContext& t) {
             return purgeOutcome(s.purge(audit, m, t));
         }},
        {"BOTH",
         deleteReturning,
         2,
         {"SET LOCK_TIMEOUT 10000", FakeDatabase::beginEntry(), deleteReturning,
          FakeDatabase::rollbackEntry(), "SET LOCK_TIMEOUT -1"},
         [&](const AuditDataSource& s, AuditExporter& e, MessageService& m, TaskContext& t) {
             return purgeOutcome(s.exportAndPurge(audit, e, m, t));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDatabase db;
        for (const QString& query : {select, deleteReturning})
            db.onQuery(query, QStringList{"ORDER_NO"},
                       {textRow({"1"}), textRow({"2"}), textRow({"3"})});
        db.holdOn(c.held, c.rowsFirst);
        SqlServerAuditData data(db, sqlServerLogin);
        QTemporaryDir folder;
        AuditExporter exporter(ExportFormat::Csv, folder.filePath("orders.CSV"), "Orders");
        MessageLog log;
        TaskContext task;
        bool cancelled = false;
        std::thread worker([&] { cancelled = c.run(data, exporter, log, task); });
        const auto start = std::chrono::steady_clock::now();
        while (db.waiting() == 0 &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(db.waiting(), 1);
        task.cancelToken().cancel();
        worker.join();
        EXPECT_TRUE(cancelled);
        EXPECT_EQ(db.cancels(), 1);
        EXPECT_EQ(db.statements(), c.sent);
        EXPECT_EQ(db.openNow(), 0);
        EXPECT_EQ(log.texts(), QStringList());
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

TEST(AuditDataSourceCancel, CancelledBeforeTheStatementSendsNothing) {
    FakeDatabase db;
    SqlServerAuditData data(db, sqlServerLogin);
    MessageLog log;
    TaskContext task;
    task.cancelToken().cancel();
    QTemporaryDir folder;
    AuditExporter exporter(ExportFormat::Csv, folder.filePath("orders.CSV"), "Orders");
    const AuditTable audit = sqlServerAudit("Orders");
    EXPECT_FALSE(data.openRows(audit, log, task).has_value());
    EXPECT_EQ(data.exportRows(audit, exporter, log, task)->outcome,
              ExportResult::Outcome::Cancelled);
    EXPECT_EQ(data.purge(audit, log, task)->outcome, PurgeResult::Outcome::Cancelled);
    EXPECT_EQ(data.exportAndPurge(audit, exporter, log, task)->outcome,
              PurgeResult::Outcome::Cancelled);
    EXPECT_EQ(db.statements(), QStringList());
    EXPECT_EQ(db.openNow(), 0);
}
