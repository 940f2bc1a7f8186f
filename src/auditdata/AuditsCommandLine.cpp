#include "auditdata/AuditsCommandLine.h"

#include "auditdata/LoginCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvex {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AuditsCommandLine", text);
}

struct Options {
    LoginCommandLine login;
    QCommandLineOption json{QStringLiteral("json"),
                            tr("Print a JSON array of objects (name, table, enabled, rows, "
                               "state) instead of one line per audit.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, tr("Show this help.")};

    void configure(QCommandLineParser& parser) const {
        login.addTo(parser, tr("Lists the installed audits with their table, whether they are "
                               "enabled, how many rows they hold and their state. Exit status: 0 "
                               "every audit is ok, 4 one is not, 1 failed, 2 wrong command line."));
        parser.addOptions({json, help});
    }
};

} // namespace

QString AuditsCommandLine::usage() {
    QCommandLineParser parser;
    Options options;
    options.configure(parser);
    return LoginCommandLine::usage(
        QStringLiteral("quorvex-audits --backend sqlserver|sqlbase|sqlite [--json]"), parser);
}

AuditsCommandLine::Parsed AuditsCommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    Options options;
    options.configure(parser);
    Parsed parsed;
    AuditsCommand& c = parsed.command;
    parsed.outcome = options.login.readStart(parser, arguments, options.help, c, &parsed.error);
    if (parsed.outcome != Outcome::Run)
        return parsed;
    c.output = parser.isSet(options.json) ? AuditsOutput::Json : AuditsOutput::Lines;
    parsed.error = options.login.readLogin(parser, c);
    if (!parsed.error.isEmpty())
        parsed.outcome = Outcome::UsageError;
    return parsed;
}

} // namespace quorvex
