// The server list: Browser replies as captured bytes, the freetds.conf sections, and one round
// trip with a responder of our own on the loopback address. Nothing here leaves 127.0.0.1.
#include "components/SqlServerBrowser.h"

#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace quorvex;
using namespace std::chrono_literals;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// An SVR_RESP datagram around data, with the size field it should carry.
QByteArray reply(const QByteArray& data) {
    QByteArray datagram;
    datagram.append('\x05');
    datagram.append(static_cast<char>(data.size() & 0xff));
    datagram.append(static_cast<char>((data.size() >> 8) & 0xff));
    return datagram + data;
}

QByteArray entry(const QByteArray& server, const QByteArray& instance,
                 const QByteArray& port = "1433") {
    return "ServerName;" + server + ";InstanceName;" + instance +
           ";IsClustered;No;Version;16.0.1000.6;tcp;" + port + ";;";
}

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Answers the first request it receives on 127.0.0.1 with the given datagrams, then stops.
// It answers only a loopback sender, so a mistaken test cannot make it talk to the network.
class LoopbackBrowser {
public:
    explicit LoopbackBrowser(QList<QByteArray> replies) : m_replies(std::move(replies)) {
        std::promise<quint16> bound;
        std::future<quint16> port = bound.get_future();
        m_thread = std::thread([this, &bound] { serve(bound); });
        m_port = port.get();
    }
    ~LoopbackBrowser() {
        if (m_thread.joinable())
            m_thread.join();
    }
    LoopbackBrowser(const LoopbackBrowser&) = delete;
    LoopbackBrowser& operator=(const LoopbackBrowser&) = delete;

    quint16 port() const { return m_port; }
    // What arrived; read once the listing is over.
    QByteArray request() {
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }

private:
    void serve(std::promise<quint16>& bound) {
        QUdpSocket socket;
        if (!socket.bind(QHostAddress(QHostAddress::LocalHost), 0)) {
            bound.set_value(0);
            return;
        }
        bound.set_value(socket.localPort());
        if (!socket.waitForReadyRead(10000))
            return;
        const QNetworkDatagram request = socket.receiveDatagram();
        m_request = request.data();
        if (!request.senderAddress().isLoopback())
            return;
        for (const QByteArray& datagram : m_replies)
            socket.writeDatagram(datagram, request.senderAddress(), request.senderPort());
    }

    QList<QByteArray> m_replies;
    QByteArray m_request;
    quint16 m_port = 0;
    std::thread m_thread;
};

// A loopback port nobody listens on.
quint16 silentPort() {
    QUdpSocket socket;
    if (!socket.bind(QHostAddress(QHostAddress::LocalHost), 0))
        return 0;
    return socket.localPort();
}

} // namespace

// --- the reply parser -----------------------------------------------------------------------

TEST(SqlServerBrowserReply, ListsEveryInstanceOfOneReply) {
    const QByteArray data = entry("DBHOST", "SQLEXPRESS", "49172") + entry("DBHOST", "REPORTS") +
                            entry("DBHOST", "MSSQLSERVER");
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(data)),
              (QStringList{"DBHOST\\SQLEXPRESS", "DBHOST\\REPORTS", "DBHOST"}));
}

TEST(SqlServerBrowserReply, NamesTheDefaultInstanceByItsServerWhateverItsCase) {
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(entry("DBHOST", "MSSQLSERVER"))),
              QStringList{"DBHOST"});
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(entry("dbhost", "mssqlserver"))),
              QStringList{"dbhost"});
}

TEST(SqlServerBrowserReply, ReadsTokensInAnyOrder) {
    const QByteArray data = "tcp;1433;Version;15.0.2000.5;InstanceName;SALES;IsClustered;No;"
                            "ServerName;APPSRV;;"
                            "InstanceName;HR;ServerName;APPSRV;np;\\\\APPSRV\\pipe\\MSSQL$HR\\sql\\"
                            "query;;";
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(data)),
              (QStringList{"APPSRV\\SALES", "APPSRV\\HR"}));
}

TEST(SqlServerBrowserReply, AnEmptyValueDoesNotEndItsEntry) {
    const QByteArray data = "ServerName;APPSRV;Version;;InstanceName;SALES;tcp;1433;;";
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(data)), QStringList{"APPSRV\\SALES"});
}

TEST(SqlServerBrowserReply, ReadsTheSizeFieldLittleEndian) {
    // More than 255 bytes of data, so both bytes of the size field count.
    QByteArray data;
    QStringList expected;
    for (int i = 0; i < 6; ++i) {
        const QByteArray instance = "INSTANCE_NUMBER_" + QByteArray::number(i);
        data += entry("A_RATHER_LONG_HOST_NAME", instance);
        expected << QStringLiteral("A_RATHER_LONG_HOST_NAME\\") + QString::fromLatin1(instance);
    }
    ASSERT_GT(data.size(), 255);
    const QByteArray datagram = reply(data);
    EXPECT_EQ(static_cast<quint8>(datagram.at(1)), data.size() % 256);
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(datagram), expected);
}

TEST(SqlServerBrowserReply, SkipsAnEntryWithoutBothNames) {
    const QByteArray data = "ServerName;LONELY;IsClustered;No;;"
                            "InstanceName;ORPHAN;tcp;1433;;" +
                            entry("DBHOST", "SALES") + "ServerName;;InstanceName;EMPTYHOST;;";
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(data)), QStringList{"DBHOST\\SALES"});
}

TEST(SqlServerBrowserReply, DropsAnEntryCutShortAtTheEnd) {
    const QByteArray keyWithoutValue = entry("DBHOST", "SALES") + "ServerName;DBHOST;InstanceName";
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(keyWithoutValue)),
              QStringList{"DBHOST\\SALES"});
    const QByteArray noClosingMark = entry("DBHOST", "SALES") + "ServerName;DBHOST;InstanceName;HR";
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply(noClosingMark)),
              QStringList{"DBHOST\\SALES"});
}

TEST(SqlServerBrowserReply, IgnoresDatagramsThatAreNotAnswers) {
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(QByteArray()), QStringList());
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(QByteArray("\x05\x00", 2)), QStringList());
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(QByteArray(1, '\x02')), QStringList());
    // Right layout, wrong message type.
    QByteArray otherType = reply(entry("DBHOST", "SALES"));
    otherType[0] = '\x04';
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(otherType), QStringList());
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(QByteArray("GET / HTTP/1.1\r\n\r\n")),
              QStringList());
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(reply("\x01\x02\xff;;;;\x7f;")), QStringList());
}

TEST(SqlServerBrowserReply, IgnoresAReplyWhoseSizeFieldDoesNotMatch) {
    const QByteArray good = reply(entry("DBHOST", "SALES"));
    ASSERT_EQ(SqlServerBrowser::parseBrowserReply(good), QStringList{"DBHOST\\SALES"});

    const QByteArray truncated = good.left(good.size() - 10);
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(truncated), QStringList());

    QByteArray sizeTooSmall = good;
    sizeTooSmall[1] = static_cast<char>(sizeTooSmall.at(1) - 1);
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(sizeTooSmall), QStringList());

    QByteArray sizeHighByteSet = good;
    sizeHighByteSet[2] = '\x01';
    EXPECT_EQ(SqlServerBrowser::parseBrowserReply(sizeHighByteSet), QStringList());
}

// --- freetds.conf and the merged list ---------------------------------------------------------

TEST(SqlServerBrowserFreeTds, ListsTheSectionsButGlobal) {
    const QString conf = QStringLiteral("#   $Id: freetds.conf $\n"
                                        "[global]\n"
                                        "\ttds version = auto\n"
                                        "; [commentedOut]\n"
                                        "#[alsoCommented]\n"
                                        "[ProdServer]\n"
                                        "\thost = prod.example.test\n"
                                        "\tport = 1433\n"
                                        "  [ Reports ]  \n"
                                        "[GLOBAL]\n"
                                        "[prodserver]\n");
    EXPECT_EQ(SqlServerBrowser::freeTdsServerNames(conf), (QStringList{"ProdServer", "Reports"}));
}

TEST(SqlServerBrowserFreeTds, ReadsEveryReadableFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("freetds.conf"));
    const QString second = dir.filePath(QStringLiteral(".freetds.conf"));
    ASSERT_TRUE(writeFile(first, "[global]\n[Zeta]\n[alpha]\n"));
    ASSERT_TRUE(writeFile(second, "[ALPHA]\n[Beta]\n"));
    EXPECT_EQ(SqlServerBrowser::freeTdsServers(
                  {first, dir.filePath(QStringLiteral("missing.conf")), second}),
              (QStringList{"alpha", "Beta", "Zeta"}));
}

TEST(SqlServerBrowserMerge, KeepsEachNameOnceSortedWithoutRegardToCase) {
    EXPECT_EQ(SqlServerBrowser::mergeServerNames({"dbhost\\SALES", "Zulu", "DBHOST"},
                                                 {"DBHOST\\sales", "alpha", "zulu", "Mid"}),
              (QStringList{"alpha", "DBHOST", "dbhost\\SALES", "Mid", "Zulu"}));
}

// --- a round trip over the loopback address ----------------------------------------------------

TEST(SqlServerBrowserLoopback, ListsWhatAResponderAnswersWithTheConfiguredServers) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString conf = dir.filePath(QStringLiteral("freetds.conf"));
    ASSERT_TRUE(writeFile(conf, "[global]\n[Archive]\n[dbhost\\reports]\n"));

    LoopbackBrowser responder({reply(entry("DBHOST", "MSSQLSERVER") + entry("DBHOST", "REPORTS")),
                               QByteArray("not an answer"),
                               reply(entry("DBHOST", "SALES")).left(20),
                               reply(entry("BACKUP", "SALES"))});
    ASSERT_NE(responder.port(), 0);

    const QStringList servers = SqlServerBrowser::listServers(QHostAddress(QHostAddress::LocalHost),
                                                              responder.port(), 1000ms, {conf});

    EXPECT_EQ(responder.request(), QByteArray(1, '\x02'));
    EXPECT_EQ(servers, (QStringList{"Archive", "BACKUP\\SALES", "DBHOST", "DBHOST\\REPORTS"}));
}

TEST(SqlServerBrowserLoopback, ListsTheConfiguredServersWhenNoBrowserAnswers) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString conf = dir.filePath(QStringLiteral("freetds.conf"));
    ASSERT_TRUE(writeFile(conf, "[global]\n[Warehouse]\n[Archive]\n"));
    const quint16 port = silentPort();
    ASSERT_NE(port, 0);

    EXPECT_EQ(
        SqlServerBrowser::listServers(QHostAddress(QHostAddress::LocalHost), port, 200ms, {conf}),
        (QStringList{"Archive", "Warehouse"}));
    EXPECT_EQ(SqlServerBrowser::queryBrowsers(QHostAddress(QHostAddress::LocalHost), port, 200ms),
              QStringList());
}
