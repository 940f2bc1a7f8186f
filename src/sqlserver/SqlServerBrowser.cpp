#include "sqlserver/SqlServerBrowser.h"

#include "components/OdbcEnvironmentProbe.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <algorithm>

namespace quorvex {

namespace {

constexpr char clientBroadcastEx = 0x02; // CLNT_BCAST_EX: every instance of every host answers
constexpr char serverResponse = 0x05;    // SVR_RESP
constexpr qsizetype replyHeaderSize = 3; // the type byte and the uint16 size

// The name a login gives for one instance: the default instance goes by the host's name alone.
QString instanceDisplayName(const QString& server, const QString& instance) {
    if (instance.compare(QLatin1String("MSSQLSERVER"), Qt::CaseInsensitive) == 0)
        return server;
    return server + QLatin1Char('\\') + instance;
}

} // namespace

QStringList SqlServerBrowser::listServers(const QHostAddress& target, quint16 port,
                                          std::chrono::milliseconds wait) {
    return listServers(target, port, wait, OdbcEnvironmentProbe::freeTdsConfigFiles());
}

QStringList SqlServerBrowser::listServers(const QHostAddress& target, quint16 port,
                                          std::chrono::milliseconds wait,
                                          const QStringList& freeTdsConfigFiles) {
    return mergeServerNames(queryBrowsers(target, port, wait), freeTdsServers(freeTdsConfigFiles));
}

QStringList SqlServerBrowser::queryBrowsers(const QHostAddress& target, quint16 port,
                                            std::chrono::milliseconds wait) {
    QStringList instances;
    QUdpSocket socket;
    const QHostAddress any(target.protocol() == QAbstractSocket::IPv6Protocol
                               ? QHostAddress::AnyIPv6
                               : QHostAddress::AnyIPv4);
    if (!socket.bind(any, 0))
        return instances;
    if (socket.writeDatagram(QByteArray(1, clientBroadcastEx), target, port) != 1)
        return instances;

    // Nobody says how many servers will answer, so every answer within the wait is taken.
    const QDeadlineTimer deadline(wait);
    while (!deadline.hasExpired()) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (socket.error() == QAbstractSocket::SocketTimeoutError)
                break;
            continue; // a passing error (an ICMP answer of a closed port) ends nothing
        }
        while (socket.hasPendingDatagrams())
            instances << parseBrowserReply(socket.receiveDatagram().data());
    }
    return instances;
}

QStringList SqlServerBrowser::parseBrowserReply(const QByteArray& datagram) {
    if (datagram.size() < replyHeaderSize || datagram.at(0) != serverResponse)
        return {};
    const qsizetype size =
        static_cast<quint8>(datagram.at(1)) | (static_cast<quint8>(datagram.at(2)) << 8);
    if (datagram.size() - replyHeaderSize != size)
        return {}; // cut short or padded: nothing in it can be trusted

    // Each entry is key;value pairs closed by an empty key (the ";;"); walking the pairs, rather
    // than splitting at ";;", keeps an empty value from ending its entry early.
    const QStringList tokens =
        QString::fromLatin1(datagram.constData() + replyHeaderSize, size).split(QLatin1Char(';'));
    QStringList instances;
    QString server;
    QString instance;
    qsizetype i = 0;
    while (i < tokens.size()) {
        const QString& key = tokens.at(i);
        if (key.isEmpty()) {
            if (!server.isEmpty() && !instance.isEmpty())
                instances << instanceDisplayName(server, instance);
            server.clear();
            instance.clear();
            ++i;
            continue;
        }
        if (i + 1 >= tokens.size())
            break; // a key without its value: the last entry is incomplete
        const QString value = tokens.at(i + 1).trimmed();
        if (key.compare(QLatin1String("ServerName"), Qt::CaseInsensitive) == 0)
            server = value;
        else if (key.compare(QLatin1String("InstanceName"), Qt::CaseInsensitive) == 0)
            instance = value;
        i += 2;
    }
    return instances;
}

QStringList SqlServerBrowser::freeTdsServerNames(const QString& configText) {
    // The connection layer reads the same sections to tell a server name from a host name.
    return OdbcEnvironmentProbe::freeTdsServerNames(configText);
}

QStringList SqlServerBrowser::freeTdsServers(const QStringList& configFiles) {
    QStringList servers;
    for (const QString& path : configFiles) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            servers =
                mergeServerNames(servers, freeTdsServerNames(QString::fromUtf8(file.readAll())));
    }
    return servers;
}

QStringList SqlServerBrowser::mergeServerNames(const QStringList& first,
                                               const QStringList& second) {
    QStringList merged;
    for (const QStringList* names : {&first, &second}) {
        for (const QString& name : *names) {
            if (!merged.contains(name, Qt::CaseInsensitive))
                merged << name;
        }
    }
    std::sort(merged.begin(), merged.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return merged;
}

} // namespace quorvex
