// The server list, from a responder of our own on 127.0.0.1.
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

// Answers the first request from a loopback sender with the given datagrams.
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

// Every answer lists its instances (the default one by its server); what is no answer, or says
// another size than it has, lists nothing.
TEST(SqlServerBrowserLoopback, ListsWhatAResponderAnswersWithTheConfiguredServers) {
    QByteArray longData; // over 255 bytes, so both bytes of the size field count
    for (int i = 0; i < 6; ++i)
        longData += entry("LONG_HOST_NAME_" + QByteArray::number(i), "A_RATHER_LONG_INSTANCE");
    ASSERT_GT(longData.size(), 255);
    const QByteArray good = reply(entry("BAD", "SALES"));
    QByteArray otherType = good, sizeTooSmall = good, sizeHighByteSet = good;
    otherType[0] = '\x04';
    sizeTooSmall[1] = char(good.at(1) - 1);
    sizeHighByteSet[2] = '\x01';
    QTemporaryDir dir;
    const QString conf = writeConf(dir, "freetds.conf", "[global]\n[Archive]\n[dbhost\\reports]\n");
    LoopbackBrowser responder(
        {reply(entry("DBHOST", "MSSQLSERVER") + entry("DBHOST", "REPORTS")),
         reply("tcp;1433;Version;15.0.2000.5;InstanceName;SALES;IsClustered;No;ServerName;APPSRV;;"
               "ServerName;LONELY;;InstanceName;ORPHAN;;ServerName;;InstanceName;EMPTYHOST;;"),
         reply(longData), QByteArray("not an answer"), good.left(20), otherType, sizeTooSmall,
         sizeHighByteSet});
    ASSERT_NE(responder.port(), 0);
    const QStringList servers =
        SqlServerBrowser::listServers(QHostAddress::LocalHost, responder.port(), 1000ms, {conf});
    EXPECT_EQ(responder.request(), QByteArray(1, '\x02'));
    QStringList expected{"APPSRV\\SALES", "Archive", "DBHOST", "DBHOST\\REPORTS"};
    for (int i = 0; i < 6; ++i)
        expected << "LONG_HOST_NAME_" + QString::number(i) + "\\A_RATHER_LONG_INSTANCE";
    EXPECT_EQ(servers, expected);
}
