// quorvex-sql: prints the statements of one audit definition read from standard input.
// The input format is described in ScriptCompanion.h.

#include "sqlserver/ScriptCompanion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

constexpr int usageError = 2;

void write(std::FILE* stream, const QByteArray& bytes) {
    if (!bytes.isEmpty()) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    }
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvex-sql"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads one audit definition as JSON on standard input and prints the "
                       "statements that install it, in sending order, each followed by GO."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print {\"statements\": [...]} or {\"error\": ...}."));
    parser.addOption(jsonOption);

    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.errorText().isEmpty()
                                    ? QStringLiteral("unexpected argument: ") +
                                          parser.positionalArguments().constFirst()
                                    : parser.errorText();
        write(stderr, (problem + u'\n' + parser.helpText()).toUtf8());
        return usageError;
    }
    if (parser.isSet(helpOption)) {
        write(stdout, parser.helpText().toUtf8());
        return 0;
    }

    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        write(stderr, "quorvex-sql: standard input can not be read\n");
        return 1;
    }
    const quorvex::ScriptCompanion::Output output = quorvex::ScriptCompanion::run(
        input.readAll(), parser.isSet(jsonOption) ? quorvex::ScriptCompanion::OutputFormat::Json
                                                  : quorvex::ScriptCompanion::OutputFormat::Script);
    write(stdout, output.standardOutput);
    write(stderr, output.standardError);
    return output.exitCode;
}
