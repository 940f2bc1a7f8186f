#include "auditdata/LoginCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ExportCommandLine", text);
}

} // namespace

LoginCommandLine::LoginCommandLine()
    : m_backend(QStringLiteral("backend"), tr("sqlserver, sqlbase or sqlite."),
                QStringLiteral("backend")),
      m_server(QStringLiteral("server"), tr("SQL Server: the server."), QStringLiteral("server")),
      m_user(QStringLiteral("user"), tr("SQL Server: the login name."), QStringLiteral("user")),
      m_password(QStringLiteral("password"),
                 tr("The password (visible to other users of this machine; --password-file is "
                    "safer)."),
                 QStringLiteral("password")),
      m_passwordFile(QStringLiteral("password-file"),
                     tr("Read the password from the first line of this file."),
                     QStringLiteral("path")),
      m_database(QStringLiteral("database"), tr("The database (SQLite: the database file)."),
                 QStringLiteral("database")),
      m_odbc(QStringLiteral("odbc"),
             tr("An ODBC connection string, used instead of the login values."),
             QStringLiteral("connection string")) {}

void LoginCommandLine::addTo(QCommandLineParser& parser, const QString& description) const {
    parser.setApplicationDescription(description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(
        {m_backend, m_server, m_user, m_password, m_passwordFile, m_database, m_odbc});
}

QString LoginCommandLine::usage(const QString& command, const QCommandLineParser& parser) {
    return QStringLiteral("Usage: ") + command +
           QStringLiteral(" <login options | --odbc CONNECTION>\n") +
           parser.helpText().section(QLatin1Char('\n'), 1);
}

CommandLineOutcome LoginCommandLine::readStart(QCommandLineParser& parser,
                                               const QStringList& arguments,
                                               const QCommandLineOption& help,
                                               LoginArguments& login, QString* error) const {
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return CommandLineOutcome::UsageError;
    }
    if (parser.isSet(help))
        return CommandLineOutcome::Help;
    if (!parser.positionalArguments().isEmpty()) {
        *error = tr("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return CommandLineOutcome::UsageError;
    }
    *error = readBackend(parser, login);
    return error->isEmpty() ? CommandLineOutcome::Run : CommandLineOutcome::UsageError;
}

QString LoginCommandLine::readBackend(const QCommandLineParser& parser,
                                      LoginArguments& login) const {
    const QString backend = parser.value(m_backend).toLower();
    if (backend == u"sqlserver")
        login.store = AuditStore::SqlServer;
    else if (backend == u"sqlbase")
        login.store = AuditStore::SqlBase;
    else if (backend == u"sqlite")
        login.store = AuditStore::Sqlite;
    else
        return backend.isEmpty() ? tr("--backend is required (sqlserver, sqlbase or sqlite).")
                                 : tr("Unknown back end: %1 (sqlserver, sqlbase or sqlite).")
                                       .arg(parser.value(m_backend));
    return {};
}

QString LoginCommandLine::readLogin(const QCommandLineParser& parser, LoginArguments& login) const {
    login.server = parser.value(m_server);
    login.user = parser.value(m_user);
    login.password = parser.value(m_password);
    login.passwordFile = parser.value(m_passwordFile);
    login.database = parser.value(m_database);
    login.odbc = parser.value(m_odbc);

    if (parser.isSet(m_password) && parser.isSet(m_passwordFile))
        return tr("Give either --password or --password-file, not both.");
    const bool loginGiven = parser.isSet(m_server) || parser.isSet(m_user) ||
                            parser.isSet(m_password) || parser.isSet(m_passwordFile) ||
                            parser.isSet(m_database);
    if (parser.isSet(m_odbc)) {
        if (login.odbc.isEmpty())
            return tr("--odbc needs a connection string.");
        if (loginGiven)
            return tr("Give either --odbc or the login options, not both.");
        return {};
    }
    if (login.store == AuditStore::SqlServer) {
        if (login.server.isEmpty() || login.user.isEmpty() || login.database.isEmpty())
            return tr("SQL Server needs --server, --user and --database (or --odbc).");
    } else if (login.store == AuditStore::Sqlite) {
        if (parser.isSet(m_server) || parser.isSet(m_user) || parser.isSet(m_password) ||
            parser.isSet(m_passwordFile))
            return tr("SQLite takes --database FILE only; it has no users or passwords.");
        if (login.database.isEmpty())
            return tr("SQLite needs --database FILE (or --odbc).");
    } else {
        if (parser.isSet(m_server) || parser.isSet(m_user))
            return tr("SQLBase takes --database and --password only; the user is SYSADM.");
        if (login.database.isEmpty())
            return tr("SQLBase needs --database (or --odbc).");
    }
    return {};
}

} // namespace quorvex
