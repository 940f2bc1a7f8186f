// The server list: Browser replies as captured bytes, and one round trip with a responder of
// our own on the loopback address. Nothing here leaves 127.0.0.1.
#include "sqlserver/SqlServerBrowser.h"

#include "components/ComponentsTestSupport.h"
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace quorvex;
using namespace std::chrono_literals;

namespace {

// An SVR_RESP datagram around data, with the size field it should carry.
QByteArray reply(const QByteArray& data) {
    const char header[] = {'\x05', char(data.size() & 0xff), char((data.size() >> 8) & 0xff)};
    return QByteArray(header, 3) + data;
}

QByteArray entry(const QByteArray& server, const QByteArray& instance,
                 const QByteArray& port = "1433") {
    return "ServerName;" + server + ";InstanceName;" + instance +
           ";IsClustered;No;Version;16.0.1000.6;tcp;" + port + ";;";
}

QString writeConf(const QTemporaryDir& dir, const char* name, const QByteArray& text) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    return file.fileName();
}

// Answers the first request on 127.0.0.1 with the given datagrams, and only a loopback sender,
// so a mistaken test cannot make it talk to the network.
class LoopbackBrowser {
public:
    explicit LoopbackBrowser(QList<QByteArray> replies) : m_replies(std::move(replies)) {
        std::promise<quint16> bound;
        std::future<quint16> port = bound.get_future();
        m_thread = std::thread([this, &bound] { serve(bound); });
        m_port = port.get();
    }
    ~LoopbackBrowser() { request(); }

    quint16 port() const { return m_port; }
    QByteArray request() { // what arrived; read once the listing is over
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }

private:
    void serve(std::promise<quint16>& bound) {
        QUdpSocket socket;
        bound.set_value(socket.bind(QHostAddress::LocalHost, 0) ? socket.localPort() : 0);
        if (socket.localPort() == 0 || !socket.waitForReadyRead(10000))
            return;
        const QNetworkDatagram request = socket.receiveDatagram();
        m_request = request.data();
        if (request.senderAddress().isLoopback())
            for (const QByteArray& datagram : m_replies)
                socket.writeDatagram(datagram, request.senderAddress(), request.senderPort());
    }

    QList<QByteArray> m_replies;
    QByteArray m_request;
    quint16 m_port = 0;
    std::thread m_thread;
};

} // namespace

// Each answer lists its instances; what is no answer lists nothing.
TEST(SqlServerBrowserReply, ListsTheInstancesOfAnAnswerOnly) {
    QByteArray longData; // over 255 bytes, so both bytes of the size field count
    QStringList longNames;
    for (int i = 0; i < 6; ++i) {
        longData += entry("A_RATHER_LONG_HOST_NAME", "INSTANCE_NUMBER_" + QByteArray::number(i));
        longNames << "A_RATHER_LONG_HOST_NAME\\INSTANCE_NUMBER_" + QString::number(i);
    }
    ASSERT_GT(longData.size(), 255);
    const QByteArray good = reply(entry("DBHOST", "SALES"));
    QByteArray otherType = good, sizeTooSmall = good, sizeHighByteSet = good;
    otherType[0] = '\x04';
    sizeTooSmall[1] = char(good.at(1) - 1);
    sizeHighByteSet[2] = '\x01';
    const struct {
        const char* name;
        QByteArray datagram;
        QStringList servers;
    } cases[] = {
        {"every instance, the default one by its server",
         reply(entry("DBHOST", "SQLEXPRESS", "49172") + entry("DBHOST", "REPORTS") +
               entry("DBHOST", "MSSQLSERVER")),
         {"DBHOST\\SQLEXPRESS", "DBHOST\\REPORTS", "DBHOST"}},
        {"tokens in any order",
         reply("tcp;1433;Version;15.0.2000.5;InstanceName;SALES;IsClustered;No;ServerName;APPSRV;;"
               "InstanceName;HR;ServerName;APPSRV;np;\\\\APPSRV\\pipe\\MSSQL$HR\\sql\\query;;"),
         {"APPSRV\\SALES", "APPSRV\\HR"}},
        {"size field little-endian", reply(longData), longNames},
        {"entries without both names skipped",
         reply("ServerName;LONELY;IsClustered;No;;InstanceName;ORPHAN;tcp;1433;;" +
               entry("DBHOST", "SALES") + "ServerName;;InstanceName;EMPTYHOST;;"),
         {"DBHOST\\SALES"}},
        {"empty", QByteArray(), {}},
        {"a request", QByteArray(1, '\x02'), {}},
        {"another type", otherType, {}},
        {"not binary at all", QByteArray("GET / HTTP/1.1\r\n\r\n"), {}},
        {"cut short", good.left(good.size() - 10), {}},
        {"size too small", sizeTooSmall, {}},
        {"size too large", sizeHighByteSet, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SqlServerBrowser::parseBrowserReply(c.datagram), c.servers) << c.name;
}

TEST(SqlServerBrowserLoopback, ListsWhatAResponderAnswersWithTheConfiguredServers) {
    QTemporaryDir dir;
    const QString conf = writeConf(dir, "freetds.conf", "[global]\n[Archive]\n[dbhost\\reports]\n");
    LoopbackBrowser responder({reply(entry("DBHOST", "MSSQLSERVER") + entry("DBHOST", "REPORTS")),
                               QByteArray("not an answer"),
                               reply(entry("DBHOST", "SALES")).left(20),
                               reply(entry("BACKUP", "SALES"))});
    ASSERT_NE(responder.port(), 0);
    const QStringList servers =
        SqlServerBrowser::listServers(QHostAddress::LocalHost, responder.port(), 1000ms, {conf});
    EXPECT_EQ(responder.request(), QByteArray(1, '\x02'));
    EXPECT_EQ(servers, (QStringList{"Archive", "BACKUP\\SALES", "DBHOST", "DBHOST\\REPORTS"}));
}
