// Where each back end's viewer and export window get their rows and send their purge: a
// connection of the operation's own, closed at its end, and nothing sent without one or once
// cancelled. A cancel while the server waits is tested through the windows.
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/DbException.h"
#include "components/MessageLog.h"
#include "components/TaskContext.h"
#include "sqlserver/SqlServerConnection.h"

#include "AuditDataTesting.h"
#include "support/FakeDatabase.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    SqlServerAuditDataTest() : m_data(m_db, sqlServerLogin) {}

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
