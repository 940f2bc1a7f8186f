#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <chrono>

namespace quorvex {

// Finds the SQL Server instances a login can choose from: those whose Browser service answers
// a CLNT_BCAST_EX request on UDP port 1434, plus the servers named in the FreeTDS
// configuration, so a server whose Browser service is off can still be chosen.
//
// The listing blocks for at most the wait: the login window runs it off its thread.
// Every instance is named as a login takes it: "SERVER" for the default instance (MSSQLSERVER),
// "SERVER\INSTANCE" otherwise.
class SqlServerBrowser {
public:
    static constexpr quint16 browserPort = 1434;
    static constexpr std::chrono::milliseconds defaultWait{2000};

    // The Browser answers of target (the broadcast address on the network, a host of its own
    // in tests) merged with the servers of the given freetds.conf files: no name twice
    // (compared without regard to case), sorted. Without a file list, every file FreeTDS
    // looks a server name up in: FREETDSCONF's, ~/.freetds.conf and the system's.
    static QStringList
    listServers(const QHostAddress& target = QHostAddress(QHostAddress::Broadcast),
                quint16 port = browserPort, std::chrono::milliseconds wait = defaultWait);
    static QStringList listServers(const QHostAddress& target, quint16 port,
                                   std::chrono::milliseconds wait,
                                   const QStringList& freeTdsConfigFiles);

    // Sends one request and collects the instances of every well-formed reply that arrives
    // within the wait, in arrival order. A socket that cannot be opened lists nothing.
    static QStringList queryBrowsers(const QHostAddress& target, quint16 port,
                                     std::chrono::milliseconds wait);

    // The instances of one SVR_RESP datagram: 0x05, the data's size as a little-endian
    // uint16, then entries "ServerName;S;InstanceName;I;...;;" whose key/value tokens may come
    // in any order. A datagram of another kind or whose size field does not match lists
    // nothing; an entry without both names is skipped.
    static QStringList parseBrowserReply(const QByteArray& datagram);

    // The server names of a freetds.conf text: its [name] sections, [global] left out.
    static QStringList freeTdsServerNames(const QString& configText);
    // The servers of every readable file among configFiles.
    static QStringList freeTdsServers(const QStringList& configFiles);

    // Both lists as one: no name twice (the first spelling kept), sorted without regard to case.
    static QStringList mergeServerNames(const QStringList& first, const QStringList& second);
};

} // namespace quorvex
