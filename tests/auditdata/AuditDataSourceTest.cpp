// Where each back end's viewer and export window get their rows and send their purge.
#include "auditdata/SqlBaseAuditData.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/DbException.h"
#include "sqlserver/SqlServerConnection.h"
#include "sqlserver/SqlServerSession.h"

#include "support/FakeDatabase.h"
#include "support/ScriptedMessageService.h"

#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::FakeDatabase;
using quorvex::testing::ScriptedMessageService;
using quorvex::testing::textRow;

namespace {

const QString sqlBaseConnection =
    QStringLiteral("Provider=SQLBASEOLEDB.1;Password=pw;Persist Security Info=True;User "
                   "ID=SYSADM;Data Source=ISLAND");

AuditTable sqlServerAudit(const char* name) {
    return *AuditTable::fromName(AuditStore::SqlServer, QString::fromUtf8(name));
}
AuditTable sqlBaseAudit(const char* name) {
    return *AuditTable::fromName(AuditStore::SqlBase, QString::fromUtf8(name));
}

class SqlServerAuditDataTest : public ::testing::Test {
protected:
    SqlServerAuditDataTest() : m_session(m_db), m_data(m_session, m_messages) {
        m_session.login() = SqlServerLoginValues{"db1", "sa", "secret", "Sales"};
        m_db.onQuery("Select * from tblZOTA_Orders", QStringList{"ORDER_NO", "AuditDate"},
                     {textRow({"1", "2026-01-01 10:00:00"}), textRow({"2", nullptr})});
    }

    FakeDatabase m_db;
    ScriptedMessageService m_messages;
    SqlServerSession m_session;
    SqlServerAuditData m_data;
};

class SqlBaseAuditDataTest : public ::testing::Test {
protected:
    SqlBaseAuditDataTest()
        : m_data(
              [this]() -> std::unique_ptr<IConnection> {
                  ++m_opens;
                  auto connection = m_db.createConnection();
                  if (!connection->open(sqlBaseConnection))
                      return nullptr; // the login module shows the failure
                  return connection;
              },
              [](Grid&) {}) {
        m_db.onQuery("Select * from ZOTA_ORDERS", QStringList{"ORDER_NO"},
                     {textRow({"1"}), textRow({"2"})});
    }

    FakeDatabase m_db;
    int m_opens = 0;
    SqlBaseAuditData m_data;
};

} // namespace

TEST_F(SqlServerAuditDataTest, ClosedSharedConnectionIsOpenedFromTheLoginThenReadsTheTable) {
    auto rows = m_data.openRows(sqlServerAudit("Orders"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(m_db.connectionStrings(),
              QStringList{buildSqlServerConnectionString(m_session.login())});
    EXPECT_EQ(m_db.statements(), QStringList{"Select * from tblZOTA_Orders"});
    EXPECT_EQ(rows->recordset().fieldName(1), QStringLiteral("AuditDate"));
    EXPECT_EQ(rows->recordset().recordCount(), 2);
    rows->close();
    // The shared connection is kept for the run.
    EXPECT_EQ(m_session.sharedConnection().state(), ConnectionState::Open);
}

TEST_F(SqlServerAuditDataTest, ConnectionThatWillNotOpenShowsItsReportAndSendsNothing) {
    const DbErrorList errors = FakeDatabase::error(QStringLiteral("Login failed for user 'sa'."),
                                                   18456, QStringLiteral("28000"));
    m_db.failOpen(errors);
    EXPECT_FALSE(m_data.openRows(sqlServerAudit("Orders")).has_value());
    EXPECT_FALSE(m_data.purge(sqlServerAudit("Orders")).has_value());
    EXPECT_EQ(m_messages.texts(),
              (QStringList{sqlServerConnectionReport(errors), sqlServerConnectionReport(errors)}));
    EXPECT_EQ(m_db.statements(), QStringList());
}

TEST_F(SqlBaseAuditDataTest, FailingStatementsStillCloseTheirConnection) {
    m_db.failOn("Select * from ZOTA_GONE", FakeDatabase::error(QStringLiteral("Table not found")));
    m_db.failOn("Delete from ZOTA_GONE", FakeDatabase::error(QStringLiteral("Table not found")));
    EXPECT_THROW(m_data.openRows(sqlBaseAudit("ZOTA_GONE")), DbException);
    EXPECT_EQ(m_data.purge(sqlBaseAudit("ZOTA_GONE"))->message, QStringLiteral("Table not found"));
    EXPECT_EQ(m_db.openNow(), 0);
}

TEST_F(SqlBaseAuditDataTest, NoConnectionMeansNoStatement) {
    m_db.failOpen(FakeDatabase::error(QStringLiteral("Cannot connect")));
    EXPECT_FALSE(m_data.openRows(sqlBaseAudit("ZOTA_ORDERS")).has_value());
    EXPECT_FALSE(m_data.purge(sqlBaseAudit("ZOTA_ORDERS")).has_value());
    EXPECT_EQ(m_db.statements(), QStringList());
}
