// Connection strings mapped to ODBC against made-up installed drivers.
#include "components/ConnectionString.h"

#include "ComponentsTestSupport.h"
#include <gtest/gtest.h>

using namespace quorvex;

namespace {

QString sqlServer(const QString& server, const QString& database = "Sales",
                  const QString& password = "pw", const QString& user = "sa") {
    return "Provider=SQLOLEDB.1;Password=" + password +
           ";Persist Security Info=True;User ID=" + user + ";Initial Catalog=" + database +
           ";Data Source=" + server;
}

QString sqlBase(const QString& password) {
    return "Provider=SQLBASEOLEDB.1;Password=" + password +
           ";Persist Security Info=True;User ID=SYSADM;Data Source=ISLAND";
}

OdbcEnvironmentInfo workstation(const QStringList& moreDrivers = {},
                                const QStringList& moreSources = {}) {
    OdbcEnvironmentInfo env;
    env.drivers = QStringList{"SQLite3", "FreeTDS"} + moreDrivers;
    env.dataSources = QStringList{"Reports"} + moreSources;
    env.freeTdsServers = {"ProdServer", "egServer73"};
    return env;
}

} // namespace

TEST(SqlServerMapping, GivesTheFreeTdsConnectionString) {
    const QString tail = ";UID=sa;PWD=pw;ClientCharset=UTF-8";
    // The server as written, what it becomes; a freetds.conf name matches whatever its case.
    // clang-format off
    const std::pair<QString, QString> cases[] = {
        {sqlServer("10.0.0.5,14330"), "SERVER=10.0.0.5;PORT=14330;DATABASE=Sales"},
        {sqlServer("tcp:dbhost, 1433"), "SERVER=dbhost;PORT=1433;DATABASE=Sales"},
        {sqlServer("prodserver"), "SERVERNAME=ProdServer;DATABASE=Sales"},
        {sqlServer(".\\SQLEXPRESS"), "SERVER=127.0.0.1\\SQLEXPRESS;DATABASE=Sales"},
        {sqlServer("dbhost", ""), "SERVER=dbhost"}}; // an empty database is left out
    // clang-format on
    for (const auto& [from, to] : cases) {
        const OdbcConnectTarget target = mapToOdbc(from, workstation());
        EXPECT_EQ(target.connectionString, "DRIVER={FreeTDS};" + to + tail) << from.toStdString();
        EXPECT_FALSE(target.error.has_value()) << from.toStdString();
    }
}

TEST(SqlServerMapping, QuotedValuesArriveBraced) {
    EXPECT_EQ(mapToOdbc(sqlServer("dbhost", "{db", quoteProviderValue("\"a}b\""),
                                  quoteProviderValue("o'neil ")),
                        workstation())
                  .connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost;DATABASE={{db};UID={o'neil };"
                             "PWD={\"a}}b\"};ClientCharset=UTF-8"));
}

TEST(SqlBaseMapping, UsesADataSourceOfTheSameNameElseTheSqlBaseDriver) {
    const OdbcConnectTarget byName =
        mapToOdbc(sqlBase("sysadm"), workstation({"Gupta SQLBase 12.2"}, {"Island"}));
    EXPECT_EQ(byName.connectionString, QStringLiteral("DSN=Island;UID=SYSADM;PWD=sysadm"));
    EXPECT_FALSE(byName.error.has_value());
    const OdbcConnectTarget byDriver =
        mapToOdbc(sqlBase(quoteProviderValue("a;b")), workstation({"Gupta SQLBASE 12.2"}));
    EXPECT_EQ(byDriver.connectionString,
              QStringLiteral("DRIVER={Gupta SQLBASE 12.2};DATABASE=ISLAND;UID=SYSADM;PWD={a;b}"));
    EXPECT_FALSE(byDriver.error.has_value());
}

TEST(OtherConnectionStrings, UnknownProviderIsRefusedRatherThanSentOn) {
    // Without a provider the text goes on exactly as written.
    const QString odbc = "  DSN=Reports ;UID = x;PWD={a;Provider=b}";
    EXPECT_EQ(mapToOdbc(odbc, workstation()).connectionString, odbc);
    const OdbcConnectTarget target = mapToOdbc("Provider=MSDASQL;DSN=Reports", workstation());
    ASSERT_TRUE(target.error.has_value());
    EXPECT_EQ(target.error->description,
              QStringLiteral("The provider \"MSDASQL\" is not supported."));
    EXPECT_EQ(target.error->sqlState, QStringLiteral("IM002"));
    EXPECT_EQ(target.connectionString, QString());
}
