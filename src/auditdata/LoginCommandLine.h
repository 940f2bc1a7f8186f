#pragma once

#include "auditdata/LoginArguments.h"
#include "auditdata/ParsedCommandLine.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

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

    // The tool's description, how its options are read, and the login options; the tool's
    // own options follow.
    void addTo(QCommandLineParser& parser, const QString& description) const;
    // What every tool reads first: the arguments, --help, that there is no positional
    // argument, and --backend. Run: the tool reads its own options next, then readLogin();
    // otherwise the parse ends here (UsageError: *error says why).
    CommandLineOutcome readStart(QCommandLineParser& parser, const QStringList& arguments,
                                 const QCommandLineOption& help, LoginArguments& login,
                                 QString* error) const;
    // The usage error, or an empty text when the options are right.
    QString readLogin(const QCommandLineParser& parser, LoginArguments& login) const;

    // "Usage: " + `command` + " <login options | --odbc CONNECTION>", then the help on the
    // options.
    static QString usage(const QString& command, const QCommandLineParser& parser);

private:
    QString readBackend(const QCommandLineParser& parser, LoginArguments& login) const;

    QCommandLineOption m_backend;
    QCommandLineOption m_server;
    QCommandLineOption m_user;
    QCommandLineOption m_password;
    QCommandLineOption m_passwordFile;
    QCommandLineOption m_database;
    QCommandLineOption m_odbc;
};

} // namespace quorvex
