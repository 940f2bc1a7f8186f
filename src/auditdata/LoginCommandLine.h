#pragma once

#include "auditdata/LoginArguments.h"

#include <QCommandLineOption>
#include <QString>

class QCommandLineParser;

namespace quorvex {

// The options quorvex-export and quorvex-audits share, read alike:
//   --backend sqlserver|sqlbase
//   (--server S --user U --database D [--password P | --password-file F]     SQL Server
//    | --database D [--password P | --password-file F]                        SQLBase
//    | --odbc "CONNECTION STRING")
class LoginCommandLine {
public:
    LoginCommandLine();

    void addTo(QCommandLineParser& parser) const;
    // Each returns the usage error, or an empty text when the options are right.
    QString readBackend(const QCommandLineParser& parser, LoginArguments& login) const;
    QString readLogin(const QCommandLineParser& parser, LoginArguments& login) const;

    // "<login options | --odbc CONNECTION>", for a usage line.
    static QString synopsis();

private:
    QCommandLineOption m_backend;
    QCommandLineOption m_server;
    QCommandLineOption m_user;
    QCommandLineOption m_password;
    QCommandLineOption m_passwordFile;
    QCommandLineOption m_database;
    QCommandLineOption m_odbc;
};

} // namespace quorvex
