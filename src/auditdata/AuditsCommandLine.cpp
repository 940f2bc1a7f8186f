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
        parser.setApplicationDescription(
            tr("Lists the installed audits with their table, whether they are enabled, how many "
               "rows they hold and their state. Exit status: 0 every audit is ok, 4 one is not, 1 "
               "failed, 2 wrong command line."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        login.addTo(parser);
        parser.addOptions({json, help});
    }
};

} // namespace

QString AuditsCommandLine::usage() {
    QCommandLineParser parser;
    Options options;
    options.configure(parser);
    return QStringLiteral("Usage: quorvex-audits --backend sqlserver|sqlbase|sqlite [--json] ") +
           LoginCommandLine::synopsis() + QStringLiteral("\n") +
           parser.helpText().section(QLatin1Char('\n'), 1);
}

AuditsCommandLine::Parsed AuditsCommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    Options options;
    options.configure(parser);
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
    AuditsCommand& c = parsed.command;
    if (const QString wrong = options.login.readBackend(parser, c); !wrong.isEmpty())
        return error(wrong);
    c.output = parser.isSet(options.json) ? AuditsOutput::Json : AuditsOutput::Lines;
    if (const QString wrong = options.login.readLogin(parser, c); !wrong.isEmpty())
        return error(wrong);
    parsed.outcome = Outcome::Run;
    return parsed;
}

} // namespace quorvex
