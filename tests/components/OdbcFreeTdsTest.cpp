// Opening a SQL Server connection string through FreeTDS to a loopback port nobody listens on:
// the open fails and every record the driver reported arrives, in order.
#include "components/OdbcConnection.h"
#include "components/OdbcEnvironmentProbe.h"

#include <QFile>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quorvex;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

struct RawRecord {
    QString sqlState;
    SQLINTEGER nativeError = 0;
    QString message;
};

// A loopback port that was free a moment ago: bound, noted and closed again.
quint16 closedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

std::u16string wide(const QString& text) {
    return text.toStdU16String();
}

// Connects with the driver manager directly and reads the records with a loop of its own, to
// have something independent to compare with.
std::vector<RawRecord> rawConnectFailure(const QString& connectionString, int timeout) {
    std::vector<RawRecord> records;
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(timeout)), 0);
    std::u16string text = wide(connectionString);
    const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (rc == SQL_ERROR) {
        for (SQLSMALLINT i = 1;; ++i) {
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
    } else if (SQL_SUCCEEDED(rc)) {
        SQLDisconnect(dbc);
    }
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
        ASSERT_TRUE(m_dir.isValid());
        const QString conf = m_dir.filePath(QStringLiteral("freetds.conf"));
        QFile file(conf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        m_previousConf = qgetenv("FREETDSCONF");
        m_hadConf = qEnvironmentVariableIsSet("FREETDSCONF");
        qputenv("FREETDSCONF", QFile::encodeName(conf));
        m_port = closedLoopbackPort();
        ASSERT_NE(m_port, 0);
    }
    void TearDown() override {
        if (m_hadConf)
            qputenv("FREETDSCONF", m_previousConf);
        else
            qunsetenv("FREETDSCONF");
    }

    QTemporaryDir m_dir;
    QByteArray m_previousConf;
    bool m_hadConf = false;
    quint16 m_port = 0;
};

} // namespace

TEST_F(FreeTdsClosedPort, OpenFailsWithEveryRecordTheDriverReported) {
    OdbcConnection connection;
    connection.setConnectionTimeout(5);
    const bool opened = connection.open(
        QStringLiteral("Provider=SQLOLEDB.1;Password=x;Persist Security Info=True;User ID=sa;"
                       "Initial Catalog=master;Data Source=127.0.0.1,%1")
            .arg(m_port));
    EXPECT_FALSE(opened);
    EXPECT_EQ(connection.state(), ConnectionState::Closed);

    const std::vector<RawRecord> raw = rawConnectFailure(
        QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=%1;DATABASE=master;UID=sa;PWD=x;"
                       "ClientCharset=UTF-8")
            .arg(m_port),
        5);
    ASSERT_GE(raw.size(), 2u);

    const DbErrorList& errors = connection.errors();
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
}

TEST_F(FreeTdsClosedPort, FailedOpenCanBeRetried) {
    OdbcConnection connection;
    connection.setConnectionTimeout(5);
    const QString target =
        QStringLiteral("Provider=SQLOLEDB.1;Password=x;User ID=sa;Data Source=127.0.0.1,%1")
            .arg(m_port);
    EXPECT_FALSE(connection.open(target));
    const DbErrorList first = connection.errors();
    EXPECT_FALSE(connection.open(target));
    EXPECT_EQ(connection.errors(), first);
    EXPECT_EQ(connection.state(), ConnectionState::Closed);
}
