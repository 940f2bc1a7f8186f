#include "auditdata/ExportCommandLine.h"

#include "auditdata/LoginCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ExportCommandLine", text);
}

struct Options {
    LoginCommandLine login;
    QCommandLineOption audit{QStringLiteral("audit"),
                             tr("The audit: its name on SQL Server, its table name (ZOTA_...) "
                                "on SQLBase."),
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
    QCommandLineOption olderThan{QStringLiteral("older-than"),
                                 tr("Only the rows recorded more than this many days before "
                                    "the server's current time (1 to 36500)."),
                                 QStringLiteral("days")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, tr("Show this help.")};

    void configure(QCommandLineParser& parser) const {
        login.addTo(parser, tr("Exports the rows an audit has recorded to a file and, with "
                               "--purge, deletes them once the file is complete."));
        parser.addOptions({audit, format, file, purge, olderThan, help});
    }
};

} // namespace

QString ExportCommandLine::usage() {
    QCommandLineParser parser;
    Options options;
    options.configure(parser);
    return LoginCommandLine::usage(
        QStringLiteral("quorvex-export --backend sqlserver|sqlbase|sqlite --audit NAME "
                       "--format csv|xml|xlsx --file PATH [--purge] [--older-than DAYS]"),
        parser);
}

ExportCommandLine::Parsed ExportCommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    Options options;
    options.configure(parser);
    Parsed parsed;
    const auto error = [&](const QString& text) {
        parsed.outcome = Outcome::UsageError;
        parsed.error = text;
        return parsed;
    };
    ExportCommand& c = parsed.command;
    parsed.outcome = options.login.readStart(parser, arguments, options.help, c, &parsed.error);
    if (parsed.outcome != Outcome::Run)
        return parsed;

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

    if (parser.isSet(options.olderThan)) {
        bool number = false;
        const int days = parser.value(options.olderThan).toInt(&number);
        if (!number || days < 1 || days > AuditTable::maxAgeDays)
            return error(tr("--older-than needs a whole number of days from 1 to %1: %2")
                             .arg(AuditTable::maxAgeDays)
                             .arg(parser.value(options.olderThan)));
        c.olderThanDays = days;
    }

    if (const QString wrong = options.login.readLogin(parser, c); !wrong.isEmpty())
        return error(wrong);
    return parsed;
}

} // namespace quorvex
