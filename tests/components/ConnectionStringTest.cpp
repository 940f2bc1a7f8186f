// Connection strings: reading the back ends' provider strings, quoting values for both kinds of
// string, and mapping to ODBC against a made-up set of installed drivers.
#include "components/ConnectionString.h"

#include <gtest/gtest.h>

using namespace quorvex;

namespace {

using Pair = std::pair<QString, QString>;

QString sqlServerString(const QString& password, const QString& database, const QString& server,
                        const QString& user = QStringLiteral("sa")) {
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + password +
           QStringLiteral(";Persist Security Info=True;User ID=") + user +
           QStringLiteral(";Initial Catalog=") + database + QStringLiteral(";Data Source=") +
           server;
}

QString sqlBaseString(const QString& password, const QString& database) {
    return QStringLiteral("Provider=SQLBASEOLEDB.1;Password=") + password +
           QStringLiteral(";Persist Security Info=True;User ID=SYSADM;Data Source=") + database;
}

OdbcEnvironmentInfo workstation() {
    OdbcEnvironmentInfo env;
    env.drivers = {QStringLiteral("SQLite3"), QStringLiteral("FreeTDS")};
    env.dataSources = {QStringLiteral("Reports")};
    env.freeTdsServers = {QStringLiteral("ProdServer"), QStringLiteral("egServer73")};
    return env;
}

} // namespace

// Failed comparisons show texts readably.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// --- reading provider strings --------------------------------------------------------------

TEST(ConnectionStringParsing, SplitsPairsAndDropsBlanksAroundKeysAndPlainValues) {
    const ConnectionStringPairs pairs =
        parseConnectionString(QStringLiteral(" Provider = SQLOLEDB.1 ; User ID= sa ;;Password="));
    const ConnectionStringPairs expected{{QStringLiteral("Provider"), QStringLiteral("SQLOLEDB.1")},
                                         {QStringLiteral("User ID"), QStringLiteral("sa")},
                                         {QStringLiteral("Password"), QString()}};
    EXPECT_EQ(pairs, expected);
}

TEST(ConnectionStringParsing, ReadsQuotedValuesWithDoubledQuotesInside) {
    const ConnectionStringPairs pairs = parseConnectionString(
        QStringLiteral("Password=\"a;b\"\"c\";Data Source='it''s;here' ;User ID= \" sa \""));
    const ConnectionStringPairs expected{
        {QStringLiteral("Password"), QStringLiteral("a;b\"c")},
        {QStringLiteral("Data Source"), QStringLiteral("it's;here")},
        {QStringLiteral("User ID"), QStringLiteral(" sa ")}};
    EXPECT_EQ(pairs, expected);
}

TEST(ConnectionStringParsing, KeepsEqualsSignsInValuesAndSkipsPiecesWithoutOne) {
    const ConnectionStringPairs pairs =
        parseConnectionString(QStringLiteral("junk;Password=a=b;=orphan;Data Source=x"));
    const ConnectionStringPairs expected{{QStringLiteral("Password"), QStringLiteral("a=b")},
                                         {QStringLiteral("Data Source"), QStringLiteral("x")}};
    EXPECT_EQ(pairs, expected);
}

TEST(ConnectionStringParsing, UnclosedQuoteRunsToTheEnd) {
    const ConnectionStringPairs pairs =
        parseConnectionString(QStringLiteral("Password=\"open;Data Source=x"));
    const ConnectionStringPairs expected{
        {QStringLiteral("Password"), QStringLiteral("open;Data Source=x")}};
    EXPECT_EQ(pairs, expected);
}

// --- quoting -------------------------------------------------------------------------------

TEST(ProviderValueQuoting, LeavesOrdinaryValuesAsTheyAre) {
    for (const QString& value : {QStringLiteral("secret"), QString(), QStringLiteral("a=b"),
                                 QStringLiteral("O'Brien"), QStringLiteral("{x}")})
        EXPECT_EQ(quoteProviderValue(value), value);
}

TEST(ProviderValueQuoting, QuotesSemicolonsLeadingQuotesAndOuterBlanks) {
    EXPECT_EQ(quoteProviderValue(QStringLiteral("a;b")), QStringLiteral("\"a;b\""));
    EXPECT_EQ(quoteProviderValue(QStringLiteral("\"x;\"")), QStringLiteral("\"\"\"x;\"\"\""));
    EXPECT_EQ(quoteProviderValue(QStringLiteral("'x")), QStringLiteral("\"'x\""));
    EXPECT_EQ(quoteProviderValue(QStringLiteral(" x")), QStringLiteral("\" x\""));
    EXPECT_EQ(quoteProviderValue(QStringLiteral("x ")), QStringLiteral("\"x \""));
}

TEST(ProviderValueQuoting, QuotedValueReadsBackUnchanged) {
    const QStringList values{
        QStringLiteral("p;w"),   QStringLiteral("\"q\""),     QStringLiteral("'single'"),
        QStringLiteral(" lead"), QStringLiteral("trail "),    QStringLiteral("a\"b;c"),
        QStringLiteral("=;="),   QStringLiteral("x'';\"\"y"), QString()};
    for (const QString& value : values) {
        const ConnectionStringPairs pairs =
            parseConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Password=") +
                                  quoteProviderValue(value) + QStringLiteral(";User ID=sa"));
        ASSERT_EQ(pairs.size(), 3) << value.toStdString();
        EXPECT_EQ(pairs[1], Pair(QStringLiteral("Password"), value));
        EXPECT_EQ(pairs[2], Pair(QStringLiteral("User ID"), QStringLiteral("sa")));
    }
}

TEST(OdbcValueQuoting, BracesSemicolonsClosingBracesLeadingBracesAndOuterBlanks) {
    EXPECT_EQ(quoteOdbcValue(QStringLiteral("secret")), QStringLiteral("secret"));
    EXPECT_EQ(quoteOdbcValue(QString()), QString());
    EXPECT_EQ(quoteOdbcValue(QStringLiteral("a{b")), QStringLiteral("a{b"));
    EXPECT_EQ(quoteOdbcValue(QStringLiteral("a;b")), QStringLiteral("{a;b}"));
    EXPECT_EQ(quoteOdbcValue(QStringLiteral("a}b")), QStringLiteral("{a}}b}"));
    EXPECT_EQ(quoteOdbcValue(QStringLiteral("{x")), QStringLiteral("{{x}"));
    EXPECT_EQ(quoteOdbcValue(QStringLiteral(" x")), QStringLiteral("{ x}"));
    EXPECT_EQ(quoteOdbcValue(QStringLiteral("x ")), QStringLiteral("{x }"));
}

// --- SQL Server ------------------------------------------------------------------------------

TEST(SqlServerMapping, HostGoesToServer) {
    const OdbcConnectTarget target = mapToOdbc(
        sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"), QStringLiteral("dbhost")),
        workstation());
    EXPECT_EQ(target.connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost;DATABASE=Sales;UID=sa;PWD=pw;"
                             "ClientCharset=UTF-8"));
    EXPECT_FALSE(target.error.has_value());
}

TEST(SqlServerMapping, HostCommaPortGivesServerAndPort) {
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"),
                                        QStringLiteral("10.0.0.5,14330")),
                        workstation())
                  .connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=10.0.0.5;PORT=14330;DATABASE=Sales;UID=sa;"
                             "PWD=pw;ClientCharset=UTF-8"));
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"),
                                        QStringLiteral("tcp:dbhost, 1433")),
                        workstation())
                  .connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost;PORT=1433;DATABASE=Sales;UID=sa;"
                             "PWD=pw;ClientCharset=UTF-8"));
}

TEST(SqlServerMapping, NamedInstanceStaysInServer) {
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"),
                                        QStringLiteral("dbhost\\SQLEXPRESS")),
                        workstation())
                  .connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost\\SQLEXPRESS;DATABASE=Sales;UID=sa;"
                             "PWD=pw;ClientCharset=UTF-8"));
}

TEST(SqlServerMapping, FreeTdsConfServerNameGoesToServernameWhateverItsCase) {
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"),
                                        QStringLiteral("prodserver")),
                        workstation())
                  .connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVERNAME=ProdServer;DATABASE=Sales;UID=sa;"
                             "PWD=pw;ClientCharset=UTF-8"));
}

TEST(SqlServerMapping, LocalServerNamesMeanTheLoopbackAddress) {
    const QString expected = QStringLiteral(
        "DRIVER={FreeTDS};SERVER=127.0.0.1%1;DATABASE=Sales;UID=sa;PWD=pw;ClientCharset=UTF-8");
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"),
                                        QStringLiteral("(local)")),
                        workstation())
                  .connectionString,
              expected.arg(QString()));
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"),
                                        QStringLiteral(".")),
                        workstation())
                  .connectionString,
              expected.arg(QString()));
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QStringLiteral("Sales"),
                                        QStringLiteral(".\\SQLEXPRESS")),
                        workstation())
                  .connectionString,
              expected.arg(QStringLiteral("\\SQLEXPRESS")));
}

TEST(SqlServerMapping, EmptyDatabaseIsLeftOut) {
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QString(), QStringLiteral("dbhost")),
                        workstation())
                  .connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost;UID=sa;PWD=pw;ClientCharset=UTF-8"));
}

TEST(SqlServerMapping, UsesTheInstalledFreeTdsDriverNameElseTheUsualOne) {
    OdbcEnvironmentInfo env;
    env.drivers = {QStringLiteral("ODBC Driver 18 for SQL Server"),
                   QStringLiteral("freetds (1.3)")};
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QString(), QStringLiteral("h")), env)
                  .connectionString,
              QStringLiteral("DRIVER={freetds (1.3)};SERVER=h;UID=sa;PWD=pw;ClientCharset=UTF-8"));
    EXPECT_EQ(mapToOdbc(sqlServerString(QStringLiteral("pw"), QString(), QStringLiteral("h")),
                        OdbcEnvironmentInfo{})
                  .connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=h;UID=sa;PWD=pw;ClientCharset=UTF-8"));
}

TEST(SqlServerMapping, SemicolonsInPasswordAndDatabaseArriveBraced) {
    const OdbcConnectTarget target = mapToOdbc(
        sqlServerString(quoteProviderValue(QStringLiteral("p;w")),
                        quoteProviderValue(QStringLiteral("Sales;2024")), QStringLiteral("dbhost")),
        workstation());
    EXPECT_EQ(target.connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost;DATABASE={Sales;2024};UID=sa;"
                             "PWD={p;w};ClientCharset=UTF-8"));
}

TEST(SqlServerMapping, QuotesAndBracesInValuesSurvive) {
    const OdbcConnectTarget target = mapToOdbc(
        sqlServerString(quoteProviderValue(QStringLiteral("\"a}b\"")), QStringLiteral("{db"),
                        QStringLiteral("dbhost"), quoteProviderValue(QStringLiteral("o'neil "))),
        workstation());
    EXPECT_EQ(target.connectionString,
              QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost;DATABASE={{db};UID={o'neil };"
                             "PWD={\"a}}b\"};ClientCharset=UTF-8"));
}

// --- SQLBase ---------------------------------------------------------------------------------

TEST(SqlBaseMapping, DataSourceOfTheSameNameIsUsedWhateverItsCase) {
    OdbcEnvironmentInfo env = workstation();
    env.dataSources << QStringLiteral("Island");
    env.drivers << QStringLiteral("Gupta SQLBase 12.2");
    const OdbcConnectTarget target =
        mapToOdbc(sqlBaseString(QStringLiteral("sysadm"), QStringLiteral("ISLAND")), env);
    EXPECT_EQ(target.connectionString, QStringLiteral("DSN=Island;UID=SYSADM;PWD=sysadm"));
    EXPECT_FALSE(target.error.has_value());
}

TEST(SqlBaseMapping, WithoutDataSourceTheSqlBaseDriverIsNamed) {
    OdbcEnvironmentInfo env = workstation();
    env.drivers << QStringLiteral("Gupta SQLBASE 12.2");
    const OdbcConnectTarget target = mapToOdbc(
        sqlBaseString(quoteProviderValue(QStringLiteral("a;b")), QStringLiteral("ISLAND")), env);
    EXPECT_EQ(target.connectionString,
              QStringLiteral("DRIVER={Gupta SQLBASE 12.2};DATABASE=ISLAND;UID=SYSADM;PWD={a;b}"));
    EXPECT_FALSE(target.error.has_value());
}

TEST(SqlBaseMapping, NeitherDataSourceNorDriverGivesTheNoDriverRecord) {
    const OdbcConnectTarget target =
        mapToOdbc(sqlBaseString(QStringLiteral("sysadm"), QStringLiteral("ISLAND")), workstation());
    DbErrorRecord expected;
    expected.number = -1;
    expected.description = QStringLiteral(
        "No SQLBase ODBC driver is installed: no ODBC data source is named \"ISLAND\" and no "
        "installed ODBC driver has \"SQLBase\" in its name.");
    expected.source = QStringLiteral("Quorvex");
    expected.sqlState = QStringLiteral("IM002");
    expected.nativeError = 0;
    ASSERT_TRUE(target.error.has_value());
    EXPECT_EQ(*target.error, expected);
    EXPECT_EQ(target.connectionString, QString());
}

// --- anything else ---------------------------------------------------------------------------

TEST(OtherConnectionStrings, WithoutProviderPassThroughExactly) {
    for (const QString& text :
         {QStringLiteral("DRIVER={SQLite3};Database=/tmp/x.db"),
          QStringLiteral("  DSN=Reports ;UID = x;PWD={a;Provider=b}"), QString()}) {
        const OdbcConnectTarget target = mapToOdbc(text, workstation());
        EXPECT_EQ(target.connectionString, text);
        EXPECT_FALSE(target.error.has_value());
    }
}

TEST(OtherConnectionStrings, UnknownProviderIsRefusedRatherThanSentOn) {
    const OdbcConnectTarget target =
        mapToOdbc(QStringLiteral("Provider=MSDASQL;DSN=Reports"), workstation());
    ASSERT_TRUE(target.error.has_value());
    EXPECT_EQ(target.error->description,
              QStringLiteral("The provider \"MSDASQL\" is not supported."));
    EXPECT_EQ(target.error->sqlState, QStringLiteral("IM002"));
    EXPECT_EQ(target.connectionString, QString());
}
