// The SQL Server management layer against the scripted database: the statements it sends, how
// their rows are read, and failures. The last test needs a real server in QUORVEX_TEST_MSSQL.
#include "components/SqlServerManager.h"
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"
#include "support/FakeDatabase.h"

#include "ComponentsTestSupport.h"
#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::FakeDatabase;
using quorvex::testing::textRow;

namespace {

using Catalog = SqlServerManager::CatalogObjectList;
using Object = SqlServerManager::CatalogObject;

const QString databasesQuery =
    "SELECT name, CAST(is_distributor AS int) AS is_distributor FROM sys.databases "
    "ORDER BY database_id";

// The catalogue statements with the database written bracketed and the table name as its
// literal, exactly as they must reach the server.
QString tablesFrom(const QString& db) {
    return "SELECT s.name AS schema_name, t.name AS table_name, CAST(t.is_ms_shipped AS int) AS "
           "is_ms_shipped FROM " +
           db + ".sys.tables AS t JOIN " + db + ".sys.schemas AS s ON s.schema_id = t.schema_id";
}

QString tablesQuery(const QString& db) {
    return tablesFrom(db) + " ORDER BY s.name, t.name";
}

const QString byName = " WHERE CASE WHEN s.name = N'dbo' THEN t.name ELSE s.name + N'.' + t.name "
                       "END = ";

QString lookUpQuery(const QString& db, const QString& nameLiteral) {
    return tablesFrom(db) + byName + nameLiteral;
}

QString columnsQuery(const QString& db, const QString& nameLiteral) {
    QString q = QStringLiteral(
        "SELECT c.name AS column_name, COALESCE(bt.name, ut.name) AS type_name, c.max_length, "
        "c.[precision], c.scale, CAST(CASE WHEN ic.column_id IS NULL THEN 0 ELSE 1 END AS int) "
        "AS primary_key FROM @.sys.columns AS c "
        "JOIN @.sys.tables AS t ON t.object_id = c.object_id "
        "JOIN @.sys.schemas AS s ON s.schema_id = t.schema_id "
        "JOIN @.sys.types AS ut ON ut.user_type_id = c.user_type_id "
        "LEFT JOIN @.sys.types AS bt ON bt.user_type_id = c.system_type_id "
        "LEFT JOIN @.sys.indexes AS pk ON pk.object_id = c.object_id AND pk.is_primary_key = 1 "
        "LEFT JOIN @.sys.index_columns AS ic ON ic.object_id = pk.object_id "
        "AND ic.index_id = pk.index_id AND ic.column_id = c.column_id");
    return q.replace('@', db) + byName + nameLiteral + " ORDER BY c.column_id";
}

const QStringList columnFields{"column_name", "type_name", "max_length",
                               "precision",   "scale",     "primary_key"};
const QStringList tableFields{"schema_name", "table_name", "is_ms_shipped"};

DbErrorList loginFailed() {
    return {{-1, "Login failed for user 'sa'.", "[FreeTDS][SQL Server]", "42000", 18456},
            {-1, "Unable to connect to data source", "[FreeTDS][SQL Server]", "08001", 0}};
}

// The failure a call is expected to throw.
template <typename Call> DbException thrownBy(Call call) {
    try {
        call();
    } catch (const DbException& e) {
        return e;
    }
    ADD_FAILURE() << "no DbException";
    return DbException(DbErrorList{});
}

// A manager already connected to the scripted server.
class ConnectedManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_manager.connectServer("DBHOST", "sa", "pw"));
        m_db.clearLog();
    }

    FakeDatabase m_db;
    SqlServerManager m_manager{m_db};
};

} // namespace

TEST(SqlServerManagerConnect, OpensMasterWithEveryLoginValueQuotedWhereNeeded) {
    FakeDatabase db;
    SqlServerManager manager(db);
    ASSERT_TRUE(manager.connectServer("DBHOST\\SQLEXPRESS", "sa", "se;cret"));
    EXPECT_EQ(db.connectionStrings(),
              QStringList{"Provider=SQLOLEDB.1;Password=\"se;cret\";Persist Security Info=True;"
                          "User ID=sa;Initial Catalog=master;Data Source=DBHOST\\SQLEXPRESS"});
    // The quoted password reads back whole, so the ";" does not cut the string.
    EXPECT_EQ(parseConnectionString(db.connectionStrings().value(0)).value(1),
              std::make_pair(QString("Password"), QString("se;cret")));
    EXPECT_EQ(db.connectionTimeouts(), QList<int>{15});
}

// A failed connect leaves no connection to the server chosen before.
TEST(SqlServerManagerConnect, AFailedConnectKeepsEveryRecordAndRunsNothing) {
    FakeDatabase db;
    {
        SqlServerManager manager(db);
        ASSERT_TRUE(manager.connectServer("FIRST", "sa", "pw"));
        db.failOpen(loginFailed());
        EXPECT_FALSE(manager.connectServer("DBHOST", "sa", "wrong"));
        EXPECT_EQ(manager.errors(), loginFailed());
        EXPECT_EQ(db.openNow(), 0);
        EXPECT_FALSE(manager.isConnected());
        EXPECT_EQ(manager.serverName(), QString());
        EXPECT_EQ(thrownBy([&] { manager.databases(); }).description(),
                  QString("No SQL Server is connected."));
        EXPECT_THROW(manager.runBatch("Sales", "DROP TABLE tblZOTA_Big"), DbException);
        EXPECT_EQ(db.statements(), QStringList());
        db.failOpen({});
        EXPECT_TRUE(manager.connectServer("SECOND", "sa", "pw"));
        EXPECT_EQ(manager.errors(), DbErrorList());
    }
    EXPECT_EQ(db.openNow(), 0); // the manager closes its connection when it goes
}

TEST_F(ConnectedManager, ListsDatabasesAndTablesInTheServersOrderWithSystemFlags) {
    m_db.onQuery(databasesQuery, QStringList{"name", "is_distributor"},
                 {textRow({"master", "0"}), textRow({"tempdb", "0"}), textRow({"model", "0"}),
                  textRow({"msdb", "0"}), textRow({"Sales", "0"}), textRow({"distribution", "1"}),
                  textRow({"ReplDist", "1"}), textRow({"Archive", nullptr})});
    m_db.onQuery(tablesQuery("[Sales]"), tableFields,
                 {textRow({"app", "Customers", "0"}), textRow({"dbo", "Orders", "0"}),
                  textRow({"dbo", "sysdiagrams", "1"}), textRow({"DBO2", "Orders", "0"})});
    m_db.onQuery(lookUpQuery("[Sales]", "N'app.Customers'"), tableFields,
                 {textRow({"app", "Customers", "0"})});

    // clang-format off
    EXPECT_EQ(m_manager.databases(),
              (Catalog{{"master", true}, {"tempdb", true}, {"model", true}, {"msdb", true},
                       {"Sales", false}, {"distribution", true}, {"ReplDist", true},
                       {"Archive", false}}));
    EXPECT_EQ(m_manager.tables("Sales"), (Catalog{{"app.Customers", false}, {"Orders", false},
                                                  {"sysdiagrams", true}, {"DBO2.Orders", false}}));
    // clang-format on
    EXPECT_EQ(m_manager.lookUpUserTable("Sales", "app.Customers"),
              (Object{"app.Customers", false}));
    EXPECT_EQ(m_db.statements(), (QStringList{databasesQuery, tablesQuery("[Sales]"),
                                              lookUpQuery("[Sales]", "N'app.Customers'")}));
}

TEST_F(ConnectedManager, ReadsColumnsInCatalogueOrderWithLengthsInCharacters) {
    // An alias type over nvarchar (NAME) reads as the base type, its length halved.
    // clang-format off
    m_db.onQuery(columnsQuery("[Sales]", "N'app.Customers'"), columnFields,
        {textRow({"ID", "int", "4", "10", "0", "1"}), textRow({"REGION", "char", "2", "0", "0", "1"}),
         textRow({"NAME", "NVARCHAR", "100", "0", "0", "0"}),
         textRow({"CODE", "nchar", "10", "0", "0", "0"}),
         textRow({"NOTES", "nvarchar", "-1", "0", "0", "0"}),
         textRow({"LIMIT", "decimal", "9", "18", "2", "0"}),
         textRow({"PHOTO", "varbinary", "50", "0", "0", "0"})});
    EXPECT_EQ(m_manager.columns("Sales", "app.Customers"),
        (ColumnInfoList{{"ID", "int", 4, 10, 0, true}, {"REGION", "char", 2, 0, 0, true},
                        {"NAME", "nvarchar", 50, 0, 0, false}, {"CODE", "nchar", 5, 0, 0, false},
                        {"NOTES", "nvarchar", -1, 0, 0, false}, {"LIMIT", "decimal", 9, 18, 2, false},
                        {"PHOTO", "varbinary", 50, 0, 0, false}}));
    // clang-format on
}

TEST_F(ConnectedManager, BracketsTheDatabaseAndDoublesQuotesInNames) {
    m_db.onQuery(tablesQuery("[Q]]1 data]"), tableFields, {});
    m_db.onQuery(columnsQuery("[Q]]1 data]", "N'O''Brien]'"), columnFields,
                 {textRow({"ID", "int", "4", "10", "0", "0"})});
    m_db.onQuery(lookUpQuery("[Q]]1 data]", "N'O''Brien]'"), tableFields,
                 {textRow({"dbo", "O'Brien]", "0"})});
    EXPECT_EQ(m_manager.tables("Q]1 data"), Catalog());
    EXPECT_EQ(m_manager.columns("Q]1 data", "O'Brien]"),
              (ColumnInfoList{{"ID", "int", 4, 10, 0, false}}));
    EXPECT_EQ(m_manager.lookUpUserTable("Q]1 data", "O'Brien]"), (Object{"O'Brien]", false}));
    EXPECT_EQ(m_db.statements(),
              (QStringList{tablesQuery("[Q]]1 data]"), columnsQuery("[Q]]1 data]", "N'O''Brien]'"),
                           lookUpQuery("[Q]]1 data]", "N'O''Brien]'")}));
}

TEST_F(ConnectedManager, AMissingTableIsNotFoundByItsOwnName) {
    m_db.onQuery(lookUpQuery("[Sales]", "N'tblZOTA_SYSTEM_TABLE'"), tableFields, {});
    const DbException missing =
        thrownBy([&] { m_manager.lookUpUserTable("Sales", "tblZOTA_SYSTEM_TABLE"); });
    EXPECT_EQ(missing.description(), QString("The name 'tblZOTA_SYSTEM_TABLE' was not found in the "
                                             "Tables collection of database 'Sales'."));
    EXPECT_EQ(missing.errors().value(0).sqlState, QString("42S02"));
}

TEST_F(ConnectedManager, RunsABatchInTheChosenDatabaseOnlyWhenItCanBeUsed) {
    const QString trigger = "CREATE TRIGGER trgZOTA_Big ON ORDERS FOR INSERT AS\r\nBEGIN\r\nEND";
    m_manager.runBatch("Sales", trigger);
    m_manager.runBatch("Q]1", "DROP TABLE tblZOTA_Big");
    m_db.failOn("USE [Gone]", FakeDatabase::error("Database 'Gone' does not exist.", 911));
    EXPECT_THROW(m_manager.runBatch("Gone", "DROP TABLE tblZOTA_Big"), DbException);
    EXPECT_EQ(m_db.statements(), (QStringList{"USE [Sales]", trigger, "USE [Q]]1]",
                                              "DROP TABLE tblZOTA_Big", "USE [Gone]"}));
}

TEST_F(ConnectedManager, AFailingBatchCarriesTheServersMessages) {
    const DbErrorList messages{
        {-1, "There is already an object named 'tblZOTA_Big' in the database.",
         "[FreeTDS][SQL Server]", "42S01", 2714},
        {-1, "The statement has been terminated.", "[FreeTDS][SQL Server]", "01000", 3621}};
    m_db.failOn("CREATE TABLE [tblZOTA_Big] ([ID] [int] NULL)", messages);
    const DbException e = thrownBy(
        [&] { m_manager.runBatch("Sales", "CREATE TABLE [tblZOTA_Big] ([ID] [int] NULL)"); });
    EXPECT_EQ(e.errors(), messages);
    EXPECT_EQ(e.description(),
              QString("There is already an object named 'tblZOTA_Big' in the database.\r\n"
                      "The statement has been terminated."));
}

TEST(SqlServerManagerRealServer, ListsCreatesLooksUpAndDropsATable) {
    const QStringList target = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split('|');
    if (target.size() != 4)
        GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";
    const QString& database = target[3];
    OdbcConnectionFactory factory;
    SqlServerManager manager(factory);
    ASSERT_TRUE(manager.connectServer(target[0], target[1], target[2]))
        << manager.errors().value(0).description.toStdString();
    EXPECT_TRUE(manager.databases().contains(Object{"master", true}));
    const QString table =
        QStringLiteral("qvxManagerTest%1").arg(QCoreApplication::applicationPid());
    manager.runBatch(database, "CREATE TABLE dbo." + table +
                                   " (ID int NOT NULL PRIMARY KEY, NAME nvarchar(20) NULL)");
    try {
        EXPECT_TRUE(manager.tables(database).contains(Object{table, false}));
        EXPECT_EQ(
            manager.columns(database, table),
            (ColumnInfoList{{"ID", "int", 4, 10, 0, true}, {"NAME", "nvarchar", 20, 0, 0, false}}));
    } catch (const DbException& e) {
        ADD_FAILURE() << e.description().toStdString();
    }
    manager.runBatch(database, "DROP TABLE dbo." + table);
    EXPECT_THROW(manager.lookUpUserTable(database, table), DbException);
}
