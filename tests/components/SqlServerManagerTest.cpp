// The SQL Server management layer against the scripted database: the connection string, the
// catalogue statements it sends and how their rows are read, the batches and their failures.
// The last group runs against a real server when QUORVEX_TEST_MSSQL names one.
#include "components/SqlServerManager.h"
#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/OdbcConnectionFactory.h"
#include "support/FakeDatabase.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::FakeDatabase;
using quorvex::testing::textRow;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quorvex {
inline void PrintTo(const ColumnInfo& c, std::ostream* out) {
    *out << "{" << c.name.toStdString() << " " << c.type.toStdString() << " length " << c.length
         << " precision " << c.precision << " scale " << c.scale << (c.primaryKey ? " key}" : "}");
}
inline void PrintTo(const SqlServerManager::CatalogObject& o, std::ostream* out) {
    *out << "{" << o.name.toStdString() << (o.systemObject ? " system}" : "}");
}
inline void PrintTo(const DbErrorRecord& e, std::ostream* out) {
    *out << "{" << e.number << " " << e.description.toStdString() << " " << e.sqlState.toStdString()
         << " " << e.nativeError << "}";
}
} // namespace quorvex

namespace {

using Catalog = SqlServerManager::CatalogObjectList;

const QString databasesQuery =
    QStringLiteral("SELECT name, CAST(is_distributor AS int) AS is_distributor FROM sys.databases "
                   "ORDER BY database_id");

// The catalogue statements with the database written bracketed and the table name as its
// literal, exactly as they must reach the server.
QString tablesQuery(const QString& db) {
    return QStringLiteral("SELECT s.name AS schema_name, t.name AS table_name, "
                          "CAST(t.is_ms_shipped AS int) AS is_ms_shipped FROM ") +
           db + QStringLiteral(".sys.tables AS t JOIN ") + db +
           QStringLiteral(".sys.schemas AS s ON s.schema_id = t.schema_id ORDER BY s.name, t.name");
}

QString lookUpQuery(const QString& db, const QString& nameLiteral) {
    return QStringLiteral("SELECT s.name AS schema_name, t.name AS table_name, "
                          "CAST(t.is_ms_shipped AS int) AS is_ms_shipped FROM ") +
           db + QStringLiteral(".sys.tables AS t JOIN ") + db +
           QStringLiteral(".sys.schemas AS s ON s.schema_id = t.schema_id WHERE CASE WHEN "
                          "s.name = N'dbo' THEN t.name ELSE s.name + N'.' + t.name END = ") +
           nameLiteral;
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
        "AND ic.index_id = pk.index_id AND ic.column_id = c.column_id "
        "WHERE CASE WHEN s.name = N'dbo' THEN t.name ELSE s.name + N'.' + t.name END = ");
    q.replace(QLatin1Char('@'), db);
    return q + nameLiteral + QStringLiteral(" ORDER BY c.column_id");
}

const QStringList columnFields{"column_name", "type_name", "max_length",
                               "precision",   "scale",     "primary_key"};
const QStringList tableFields{"schema_name", "table_name", "is_ms_shipped"};

DbErrorList loginFailed() {
    DbErrorRecord login{-1, "Login failed for user 'sa'.", "[FreeTDS][SQL Server]", "42000", 18456};
    DbErrorRecord connect{-1, "Unable to connect to data source", "[FreeTDS][SQL Server]", "08001",
                          0};
    return {login, connect};
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

// --- connecting -------------------------------------------------------------------------------

TEST(SqlServerManagerConnect, OpensMasterWithEveryLoginValueQuotedWhereNeeded) {
    FakeDatabase db;
    SqlServerManager manager(db);
    ASSERT_TRUE(manager.connectServer("DBHOST\\SQLEXPRESS", "sa", "se;cret"));

    EXPECT_EQ(db.connectionStrings(),
              QStringList{"Provider=SQLOLEDB.1;Password=\"se;cret\";Persist Security Info=True;"
                          "User ID=sa;Initial Catalog=master;Data Source=DBHOST\\SQLEXPRESS"});
    // The quoted password reads back whole, so the ";" does not cut the string.
    const ConnectionStringPairs pairs = parseConnectionString(db.connectionStrings().value(0));
    EXPECT_EQ(pairs.value(1), std::make_pair(QString("Password"), QString("se;cret")));
    EXPECT_EQ(pairs.value(4), std::make_pair(QString("Initial Catalog"), QString("master")));
    EXPECT_EQ(db.connectionTimeouts(), QList<int>{15});
    EXPECT_TRUE(manager.isConnected());
    EXPECT_EQ(manager.serverName(), QString("DBHOST\\SQLEXPRESS"));
}

TEST(SqlServerManagerConnect, AFailedConnectKeepsEveryRecordAndListsNothing) {
    FakeDatabase db;
    db.failOpen(loginFailed());
    SqlServerManager manager(db);

    EXPECT_FALSE(manager.connectServer("DBHOST", "sa", "wrong"));
    EXPECT_EQ(manager.errors(), loginFailed());
    EXPECT_FALSE(manager.isConnected());
    EXPECT_EQ(manager.serverName(), QString());
    try {
        manager.databases();
        ADD_FAILURE() << "listing without a connection did not fail";
    } catch (const DbException& e) {
        EXPECT_EQ(e.description(), QString("No SQL Server is connected."));
    }
    EXPECT_EQ(db.statements(), QStringList());
}

TEST(SqlServerManagerConnect, ConnectingAgainReplacesTheEarlierConnection) {
    FakeDatabase db;
    SqlServerManager manager(db);
    ASSERT_TRUE(manager.connectServer("FIRST", "sa", "pw"));
    ASSERT_TRUE(manager.connectServer("SECOND", "sa", "pw"));
    EXPECT_EQ(db.opened(), 2);
    EXPECT_EQ(db.openNow(), 1);
    EXPECT_EQ(manager.serverName(), QString("SECOND"));

    // A failed choice leaves no connection to the server chosen before.
    db.failOpen(loginFailed());
    EXPECT_FALSE(manager.connectServer("THIRD", "sa", "pw"));
    EXPECT_EQ(db.openNow(), 0);
    EXPECT_FALSE(manager.isConnected());

    db.failOpen({});
    EXPECT_TRUE(manager.connectServer("THIRD", "sa", "pw"));
    EXPECT_EQ(manager.errors(), DbErrorList());
}

TEST(SqlServerManagerConnect, TheConnectionLastsAsLongAsTheManager) {
    FakeDatabase db;
    {
        SqlServerManager manager(db);
        ASSERT_TRUE(manager.connectServer("DBHOST", "sa", "pw"));
        EXPECT_EQ(db.openNow(), 1);
    }
    EXPECT_EQ(db.openNow(), 0);
}

// --- the catalogue ----------------------------------------------------------------------------

TEST_F(ConnectedManager, ListsDatabasesInTheServersOrderWithSystemFlags) {
    m_db.onQuery(databasesQuery, QStringList{"name", "is_distributor"},
                 {textRow({"master", "0"}), textRow({"tempdb", "0"}), textRow({"model", "0"}),
                  textRow({"msdb", "0"}), textRow({"Sales", "0"}), textRow({"distribution", "1"}),
                  textRow({"ReplDist", "1"}), textRow({"Archive", nullptr})});

    EXPECT_EQ(m_manager.databases(), (Catalog{{"master", true},
                                              {"tempdb", true},
                                              {"model", true},
                                              {"msdb", true},
                                              {"Sales", false},
                                              {"distribution", true},
                                              {"ReplDist", true},
                                              {"Archive", false}}));
    EXPECT_EQ(m_db.statements(), QStringList{databasesQuery});
}

TEST_F(ConnectedManager, ListsTablesOutsideDboAsSchemaDotTable) {
    m_db.onQuery(tablesQuery("[Sales]"), tableFields,
                 {textRow({"app", "Customers", "0"}), textRow({"dbo", "Orders", "0"}),
                  textRow({"dbo", "sysdiagrams", "1"}), textRow({"DBO2", "Orders", "0"})});

    EXPECT_EQ(m_manager.tables("Sales"), (Catalog{{"app.Customers", false},
                                                  {"Orders", false},
                                                  {"sysdiagrams", true},
                                                  {"DBO2.Orders", false}}));
    EXPECT_EQ(m_db.statements(), QStringList{tablesQuery("[Sales]")});
}

TEST_F(ConnectedManager, ReadsColumnsInCatalogueOrderWithLengthsInCharacters) {
    m_db.onQuery(columnsQuery("[Sales]", "N'app.Customers'"), columnFields,
                 {textRow({"ID", "int", "4", "10", "0", "1"}),
                  textRow({"REGION", "char", "2", "0", "0", "1"}),
                  // An alias type over nvarchar: the base type, its length halved.
                  textRow({"NAME", "NVARCHAR", "100", "0", "0", "0"}),
                  textRow({"CODE", "nchar", "10", "0", "0", "0"}),
                  textRow({"NOTES", "nvarchar", "-1", "0", "0", "0"}),
                  textRow({"MEMO", "varchar", "-1", "0", "0", "0"}),
                  textRow({"LIMIT", "decimal", "9", "18", "2", "0"}),
                  textRow({"PHOTO", "varbinary", "50", "0", "0", "0"})});

    EXPECT_EQ(m_manager.columns("Sales", "app.Customers"),
              (ColumnInfoList{{"ID", "int", 4, 10, 0, true},
                              {"REGION", "char", 2, 0, 0, true},
                              {"NAME", "nvarchar", 50, 0, 0, false},
                              {"CODE", "nchar", 5, 0, 0, false},
                              {"NOTES", "nvarchar", -1, 0, 0, false},
                              {"MEMO", "varchar", -1, 0, 0, false},
                              {"LIMIT", "decimal", 9, 18, 2, false},
                              {"PHOTO", "varbinary", 50, 0, 0, false}}));
    EXPECT_EQ(m_db.statements(), QStringList{columnsQuery("[Sales]", "N'app.Customers'")});
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
    EXPECT_EQ(m_manager.lookUpUserTable("Q]1 data", "O'Brien]"),
              (SqlServerManager::CatalogObject{"O'Brien]", false}));
    EXPECT_EQ(m_db.statements(),
              (QStringList{tablesQuery("[Q]]1 data]"), columnsQuery("[Q]]1 data]", "N'O''Brien]'"),
                           lookUpQuery("[Q]]1 data]", "N'O''Brien]'")}));
}

TEST_F(ConnectedManager, LooksUpAUserTableByTheNameTheListingGave) {
    m_db.onQuery(lookUpQuery("[Sales]", "N'app.Customers'"), tableFields,
                 {textRow({"app", "Customers", "0"})});
    EXPECT_EQ(m_manager.lookUpUserTable("Sales", "app.Customers"),
              (SqlServerManager::CatalogObject{"app.Customers", false}));
}

TEST_F(ConnectedManager, AMissingTableIsNotFoundByItsOwnName) {
    m_db.onQuery(lookUpQuery("[Sales]", "N'tblZOTA_SYSTEM_TABLE'"), tableFields, {});
    m_db.onQuery(columnsQuery("[Sales]", "N'Gone'"), columnFields, {});

    try {
        m_manager.lookUpUserTable("Sales", "tblZOTA_SYSTEM_TABLE");
        ADD_FAILURE() << "the lookup of a missing table did not fail";
    } catch (const DbException& e) {
        EXPECT_EQ(e.description(), QString("The name 'tblZOTA_SYSTEM_TABLE' was not found in the "
                                           "Tables collection of database 'Sales'."));
        EXPECT_EQ(e.errors().value(0).sqlState, QString("42S02"));
    }
    try {
        m_manager.columns("Sales", "Gone");
        ADD_FAILURE() << "the columns of a missing table were listed";
    } catch (const DbException& e) {
        EXPECT_TRUE(e.description().contains("The name 'Gone' was not found"))
            << e.description().toStdString();
    }
}

TEST_F(ConnectedManager, ACatalogueFailureCarriesTheServersRecords) {
    const DbErrorList noDatabase = FakeDatabase::error(
        "Database 'Nowhere' does not exist. Make sure that the name is entered correctly.", 911);
    m_db.failOn(lookUpQuery("[Nowhere]", "N'tblZOTA_SYSTEM_TABLE'"), noDatabase);
    try {
        m_manager.lookUpUserTable("Nowhere", "tblZOTA_SYSTEM_TABLE");
        ADD_FAILURE() << "the lookup in a missing database did not fail";
    } catch (const DbException& e) {
        EXPECT_EQ(e.errors(), noDatabase);
    }
}

// --- batches ----------------------------------------------------------------------------------

TEST_F(ConnectedManager, RunsABatchInTheChosenDatabase) {
    const QString trigger = "CREATE TRIGGER trgZOTA_Big ON ORDERS FOR INSERT AS\r\nBEGIN\r\nEND";
    m_manager.runBatch("Sales", trigger);
    m_manager.runBatch("Q]1", "DROP TABLE tblZOTA_Big");
    EXPECT_EQ(m_db.statements(),
              (QStringList{"USE [Sales]", trigger, "USE [Q]]1]", "DROP TABLE tblZOTA_Big"}));
}

TEST_F(ConnectedManager, AFailingBatchCarriesTheServersMessages) {
    DbErrorRecord exists{-1, "There is already an object named 'tblZOTA_Big' in the database.",
                         "[FreeTDS][SQL Server]", "42S01", 2714};
    DbErrorRecord aborted{-1, "The statement has been terminated.", "[FreeTDS][SQL Server]",
                          "01000", 3621};
    m_db.failOn("CREATE TABLE [tblZOTA_Big] ([ID] [int] NULL)", {exists, aborted});
    try {
        m_manager.runBatch("Sales", "CREATE TABLE [tblZOTA_Big] ([ID] [int] NULL)");
        ADD_FAILURE() << "the failing batch was reported as run";
    } catch (const DbException& e) {
        EXPECT_EQ(e.errors(), (DbErrorList{exists, aborted}));
        EXPECT_EQ(e.description(),
                  QString("There is already an object named 'tblZOTA_Big' in the database.\r\n"
                          "The statement has been terminated."));
    }
}

TEST_F(ConnectedManager, ABatchIsNotSentWhenItsDatabaseCannotBeUsed) {
    m_db.failOn("USE [Gone]", FakeDatabase::error("Database 'Gone' does not exist.", 911));
    EXPECT_THROW(m_manager.runBatch("Gone", "DROP TABLE tblZOTA_Big"), DbException);
    EXPECT_EQ(m_db.statements(), QStringList{"USE [Gone]"});
}

TEST(SqlServerManagerBatch, NothingRunsWithoutAConnection) {
    FakeDatabase db;
    SqlServerManager manager(db);
    EXPECT_THROW(manager.runBatch("Sales", "DROP TABLE tblZOTA_Big"), DbException);
    EXPECT_EQ(db.statements(), QStringList());
}

// --- a real server ----------------------------------------------------------------------------

namespace {

struct RealServer {
    QString server, user, password, database;
};

std::optional<RealServer> realServer() {
    const QStringList parts = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(QLatin1Char('|'));
    if (parts.size() != 4)
        return std::nullopt;
    return RealServer{parts[0], parts[1], parts[2], parts[3]};
}

} // namespace

TEST(SqlServerManagerRealServer, ListsCreatesLooksUpAndDropsATable) {
    const std::optional<RealServer> target = realServer();
    if (!target)
        GTEST_SKIP() << "QUORVEX_TEST_MSSQL is not set (server|user|password|database)";

    OdbcConnectionFactory factory;
    SqlServerManager manager(factory);
    ASSERT_TRUE(manager.connectServer(target->server, target->user, target->password))
        << manager.errors().value(0).description.toStdString();

    const Catalog databases = manager.databases();
    EXPECT_TRUE(databases.contains(SqlServerManager::CatalogObject{"master", true}));
    bool listed = false;
    for (const auto& d : databases)
        listed = listed || d.name == target->database;
    EXPECT_TRUE(listed) << "the test database is not listed";

    const QString table =
        QStringLiteral("qvxManagerTest%1").arg(QCoreApplication::applicationPid());
    manager.runBatch(target->database, "CREATE TABLE dbo." + table +
                                           " (ID int NOT NULL PRIMARY KEY, NAME nvarchar(20) "
                                           "NULL, NOTES nvarchar(max) NULL, PRICE decimal(9,2))");
    try {
        EXPECT_TRUE(manager.tables(target->database)
                        .contains(SqlServerManager::CatalogObject{table, false}));
        EXPECT_EQ(manager.columns(target->database, table),
                  (ColumnInfoList{{"ID", "int", 4, 10, 0, true},
                                  {"NAME", "nvarchar", 20, 0, 0, false},
                                  {"NOTES", "nvarchar", -1, 0, 0, false},
                                  {"PRICE", "decimal", 5, 9, 2, false}}));
        EXPECT_EQ(manager.lookUpUserTable(target->database, table),
                  (SqlServerManager::CatalogObject{table, false}));
        EXPECT_THROW(manager.lookUpUserTable(target->database, table + "_missing"), DbException);
        EXPECT_THROW(manager.runBatch(target->database, "CREATE TABLE dbo." + table + " (X int)"),
                     DbException);
    } catch (const DbException& e) {
        ADD_FAILURE() << e.description().toStdString();
    }
    manager.runBatch(target->database, "DROP TABLE dbo." + table);
    EXPECT_THROW(manager.lookUpUserTable(target->database, table), DbException);
}
