#include "auditdata/ExportCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ExportCommandLine", text);
}

struct Options {
    QCommandLineOption backend{QStringLiteral("backend"), tr("sqlserver, sqlbase or sqlite."),
                               QStringLiteral("backend")};
    QCommandLineOption audit{QStringLiteral("audit"),
                             tr("The audit: its name on SQL Server and SQLite, its table name "
                                "(ZOTA_...) on SQLBase."),
                             QStringLiteral("name")};
    QCommandLineOption format{QStringLiteral("format"), tr("csv, xml or xlsx."),
                              QStringLiteral("format")};
    QCommandLineOption file{QStringLiteral("file"),
                            tr("The file to write, the whole path; no extension is added."),
                            QStringLiteral("path")};
    QCommandLineOption purge{QStringLiteral("purge"),
                             tr("Delete exactly the rows the completed file holds, in the "
                                "same transaction (other sessions' statements on the audit "
                                "table may wait until the file is complete).")};
    QCommandLineOption server{QStringLiteral("server"), tr("SQL Server: the server."),
                              QStringLiteral("server")};
    QCommandLineOption user{QStringLiteral("user"), tr("SQL Server: the login name."),
                            QStringLiteral("user")};
    QCommandLineOption password{QStringLiteral("password"),
                                tr("The password (visible to other users of this machine; "
                                   "--password-file is safer)."),
                                QStringLiteral("password")};
    QCommandLineOption passwordFile{QStringLiteral("password-file"),
                                    tr("Read the password from the first line of this file."),
                                    QStringLiteral("path")};
    QCommandLineOption database{QStringLiteral("database"),
                                tr("The database (SQLite: the database file)."),
                                QStringLiteral("database")};
    QCommandLineOption odbc{QStringLiteral("odbc"),
                            tr("An ODBC connection string, used instead of the login values."),
                            QStringLiteral("connection string")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, tr("Show this help.")};

    void addTo(QCommandLineParser& parser) const {
        parser.addOptions({backend, audit, format, file, purge, server, user, password,
                           passwordFile, database, odbc, help});
    }
};

QCommandLineParser& configured(QCommandLineParser& parser, const Options& options) {
    parser.setApplicationDescription(
        tr("Exports the rows an audit has recorded to a file and, with --purge, deletes them "
           "once the file is complete."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    options.addTo(parser);
    return parser;
}

} // namespace

QString ExportCommandLine::usage() {
    QCommandLineParser parser;
    Options options;
    configured(parser, options);
    return QStringLiteral("Usage: quorvex-export --backend sqlserver|sqlbase|sqlite --audit NAME "
                          "--format csv|xml|xlsx --file PATH [--purge] <login options | --odbc "
                          "CONNECTION>\n") +
           parser.helpText().section(QLatin1Char('\n'), 1);
}

ExportCommandLine::Parsed ExportCommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    Options options;
    configured(parser, options);
    Parsed parsed;
    const auto error = [&](const QString& text) {
        parsed.outcome = Outcome::UsageError;
        parsed.error = text;
        return parsed;
    };
    if (!parser.parse(arguments))
        return error(parser.errorText());
    if (parser.isSet(options.help)) {
        parsed.outcome = Outcome::Help;
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty())
        return error(tr("Unexpected argument: %1").arg(parser.positionalArguments().first()));

    ExportCommand& c = parsed.command;
    const QString backend = parser.value(options.backend).toLower();
    if (backend == u"sqlserver")
        c.store = AuditStore::SqlServer;
    else if (backend == u"sqlbase")
        c.store = AuditStore::SqlBase;
    else if (backend == u"sqlite")
        c.store = AuditStore::Sqlite;
    else
        return error(backend.isEmpty() ? tr("--backend is required (sqlserver, sqlbase or sqlite).")
                                       : tr("Unknown back end: %1 (sqlserver, sqlbase or sqlite).")
                                             .arg(parser.value(options.backend)));

    c.audit = parser.value(options.audit);
    if (c.audit.isEmpty())
        return error(tr("--audit is required."));
    if (!AuditTable::fromName(c.store, c.audit))
        return error(tr("Invalid audit name: %1 (letters, digits and _ only).").arg(c.audit));

    const QString format = parser.value(options.format).toLower();
    if (format == u"csv")
        c.format = ExportFormat::Csv;
    else if (format == u"xml")
        c.format = ExportFormat::Xml;
    else if (format == u"xlsx")
        c.format = ExportFormat::Xlsx;
    else
        return error(
            format.isEmpty()
                ? tr("--format is required (csv, xml or xlsx).")
                : tr("Unknown format: %1 (csv, xml or xlsx).").arg(parser.value(options.format)));

    c.file = parser.value(options.file);
    if (c.file.isEmpty())
        return error(tr("--file is required."));
    c.purge = parser.isSet(options.purge) ? PurgeAfterExport::Yes : PurgeAfterExport::No;

    c.server = parser.value(options.server);
    c.user = parser.value(options.user);
    c.password = parser.value(options.password);
    c.passwordFile = parser.value(options.passwordFile);
    c.database = parser.value(options.database);
    c.odbc = parser.value(options.odbc);

    if (parser.isSet(options.password) && parser.isSet(options.passwordFile))
        return error(tr("Give either --password or --password-file, not both."));
    const bool loginGiven = parser.isSet(options.server) || parser.isSet(options.user) ||
                            parser.isSet(options.password) || parser.isSet(options.passwordFile) ||
                            parser.isSet(options.database);
    if (parser.isSet(options.odbc)) {
        if (c.odbc.isEmpty())
            return error(tr("--odbc needs a connection string."));
        if (loginGiven)
            return error(tr("Give either --odbc or the login options, not both."));
        parsed.outcome = Outcome::Run;
        return parsed;
    }
    if (c.store == AuditStore::SqlServer) {
        if (c.server.isEmpty() || c.user.isEmpty() || c.database.isEmpty())
            return error(tr("SQL Server needs --server, --user and --database (or --odbc)."));
    } else if (c.store == AuditStore::Sqlite) {
        if (parser.isSet(options.server) || parser.isSet(options.user) ||
            parser.isSet(options.password) || parser.isSet(options.passwordFile))
            return error(tr("SQLite takes --database FILE only; it has no users or passwords."));
        if (c.database.isEmpty())
            return error(tr("SQLite needs --database FILE (or --odbc)."));
    } else {
        if (parser.isSet(options.server) || parser.isSet(options.user))
            return error(tr("SQLBase takes --database and --password only; the user is SYSADM."));
        if (c.database.isEmpty())
            return error(tr("SQLBase needs --database (or --odbc)."));
    }
    parsed.outcome = Outcome::Run;
    return parsed;
}

} // namespace quorvex
