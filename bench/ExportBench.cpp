// Exports a large audit-like table with quorvex-export in each format and reports the time and
// the program's peak resident memory, beside sqlite3 -csv writing the same table; then fills
// the viewer with the same rows and runs the export window's EXPORT on them, and reports for
// each the time, the memory and the longest stall of the window thread (the largest gap
// between two ticks of a 5 ms timer; target: under 100 ms); then times the purging export
// (quorvex-export --purge) on SQLite and, when QUORVEX_TEST_MSSQL names one, on the SQL Server
// engine: the time statements on the audited table may wait.
//
//   QT_QPA_PLATFORM=offscreen export_bench [rows]     (rows: 1000000 unless given)

#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditViewerWindow.h"
#include "auditdata/DirectoryList.h"
#include "auditdata/SqlBaseAuditData.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/OdbcConnection.h"
#include "components/OdbcConnectionFactory.h"
#include "components/PlatformServices.h"
#include "components/QtDesktopServices.h"
#include "components/QtWorkingDirectory.h"
#include "components/StdProcessControl.h"
#include "sqlserver/SqlServerConnection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* table = "ZOTA_BENCH";

struct Measured {
    bool ok = false;
    double seconds = 0;
    double peakMegabytes = 0;
};

// GNU time reports the peak of the program alone. Without it the figure comes from wait4,
// which also counts what this process held when the child started.
const QString gnuTime = QStringLiteral("/usr/bin/time");

// Runs a program to its end with its standard output in a file (or discarded) and measures
// its wall time and peak resident memory.
Measured runMeasured(const QStringList& program, const QString& stdoutPath = QString()) {
    Measured m;
    QTemporaryDir scratch;
    const QString peakFile = scratch.filePath(QStringLiteral("peak"));
    const bool timed = QFileInfo(gnuTime).isExecutable();
    QStringList command = program;
    if (timed)
        command = QStringList{gnuTime, "-f", "%M", "-o", peakFile} + program;
    std::vector<QByteArray> storage;
    std::vector<char*> argv;
    for (const QString& part : command)
        storage.push_back(part.toLocal8Bit());
    for (QByteArray& part : storage)
        argv.push_back(part.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out =
        stdoutPath.isEmpty() ? QByteArray("/dev/null") : stdoutPath.toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return m;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return m;
    m.seconds = timer.elapsed() / 1000.0;
    m.peakMegabytes = usage.ru_maxrss / 1024.0; // kilobytes on Linux
    if (timed) {
        QFile peak(peakFile);
        if (peak.open(QIODevice::ReadOnly))
            m.peakMegabytes = peak.readAll().trimmed().split('\n').last().toDouble() / 1024.0;
    }
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return m;
}

double statusMegabytes(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

void resetPeak() {
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

void report(const char* what, const Measured& m, const QString& file = QString()) {
    std::printf("%-28s %8.3f s   peak %7.1f MB   %s%s\n", what, m.seconds, m.peakMegabytes,
                m.ok ? "" : "FAILED ",
                file.isEmpty() ? ""
                               : qPrintable(QStringLiteral("(%1 MB)").arg(
                                     QFileInfo(file).size() / 1048576.0, 0, 'f', 1)));
    std::fflush(stdout);
}

// The same on the SQL Server engine named in QUORVEX_TEST_MSSQL (server|user|password|database),
// when it is set: a table of `rows` audit rows, then quorvex-export --purge, which deletes the
// rows and streams them into the file in one transaction. True when it ran through or was not
// asked for.
bool benchEnginePurge(qint64 rows, const QString& folder) {
    const QStringList login = qEnvironmentVariable("QUORVEX_TEST_MSSQL").split(u'|');
    if (login.size() != 4) {
        std::printf("(QUORVEX_TEST_MSSQL is not set: no purge on the SQL Server engine)\n");
        return true;
    }
    const QString audit = QStringLiteral("qvxBench%1").arg(QCoreApplication::applicationPid());
    const QString name = QStringLiteral("tblZOTA_") + audit;
    quorvex::OdbcConnection db;
    if (!db.open(quorvex::buildSqlServerConnectionString({login[0], login[1], login[2], login[3]})))
        return false;
    const QString digits = QStringLiteral("(VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9))");
    QElapsedTimer fillClock;
    fillClock.start();
    try {
        db.execute(QStringLiteral("CREATE TABLE %1 (ORDER_NO int, DESCRIPTION varchar(30), "
                                  "AMOUNT decimal(12,2), AuditDate datetime, UserName "
                                  "varchar(30))")
                       .arg(name));
        QString from = digits + QStringLiteral(" d0(n)");
        for (int i = 1; i < 7; ++i)
            from += QStringLiteral(" CROSS JOIN %1 d%2(n)").arg(digits).arg(i);
        db.execute(QStringLiteral("INSERT INTO %1 SELECT TOP %2 n, 'article number ' + "
                                  "CAST(n AS varchar(10)), (n * 37) %% 100000 / 100.0, "
                                  "DATEADD(second, n, '2026-01-01'), 'user' + CAST(n %% 50 AS "
                                  "varchar(2)) FROM (SELECT d0.n + 10 * d1.n + 100 * d2.n + 1000 * "
                                  "d3.n + 10000 * d4.n + 100000 * d5.n + 1000000 * d6.n AS n FROM "
                                  "%3) AS numbers")
                       .arg(name)
                       .arg(rows)
                       .arg(from)
                       .replace(QStringLiteral("%%"), QStringLiteral("%")));
    } catch (const quorvex::DbException& e) {
        std::fprintf(stderr, "the engine's table could not be made: %s\n", e.what());
        return false;
    }
    std::printf("%lld rows of %s filled in %.3f s on the engine\n", static_cast<long long>(rows),
                qPrintable(name), fillClock.elapsed() / 1000.0);
    const QString archive = QDir(folder).filePath(QStringLiteral("engine.csv"));
    const Measured purged =
        runMeasured({QStringLiteral(QUORVEX_EXPORT_PATH), "--backend", "sqlserver", "--audit",
                     audit, "--format", "csv", "--file", archive, "--server", login[0], "--user",
                     login[1], "--password", login[2], "--database", login[3], "--purge"});
    report("quorvex-export --purge (engine)", purged, archive);
    QFile::remove(archive);
    try {
        db.execute(QStringLiteral("DROP TABLE %1").arg(name));
    } catch (const quorvex::DbException&) {
    }
    return purged.ok;
}

// Messages go to standard error, and questions are answered Yes: nothing waits for a person.
class PrintedMessages : public quorvex::MessageService {
public:
    void show(const QString& text, quorvex::MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool askYesNo(const QString&, quorvex::MessageIcon) override { return true; }
};

// Runs the window thread's events until `busy` is false, with a 5 ms timer ticking on it, and
// reports the wall time and the largest gap between two ticks: the longest the window did not
// answer.
struct Stalls {
    double seconds = 0;
    double longestGapMs = 0;
};
template <typename Busy> Stalls runWindowThreadWhile(Busy busy) {
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longest = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    ticker.start(5);
    while (busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 end = clock.nsecsElapsed();
    longest = std::max(longest, end - lastTick);
    return {end / 1e9, longest / 1e6};
}

} // namespace

int main(int argc, char** argv) {
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    if (rows <= 0) {
        std::fprintf(stderr, "usage: export_bench [rows]\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const QString database = dir.filePath(QStringLiteral("export_bench.db"));
    // StepAPI: the driver steps through the result rather than reading all of it first.
    const QString odbc = QStringLiteral("DRIVER={SQLite3};StepAPI=1;Database=") + database;

    // The table is made by the sqlite3 shell and the exports run before this process grows: a
    // child's peak counts the memory of its parent up to its start, so the parent stays small.
    const Measured filled = runMeasured(
        {QStringLiteral("/usr/bin/sqlite3"), database,
         QStringLiteral("CREATE TABLE %1 (ORDER_NO INTEGER, DESCRIPTION VARCHAR(30), "
                        "AMOUNT DECIMAL(12,2), AuditDate TIMESTAMP, UserName VARCHAR(30)); "
                        "INSERT INTO %1 WITH RECURSIVE n(i) AS "
                        "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                        "SELECT i, printf('%-30s', 'article number ' || i), "
                        "round((i * 37) % 100000 / 100.0, 2), "
                        "datetime('2026-01-01 00:00:00', '+' || i || ' seconds'), "
                        "'user' || (i % 50) FROM n;")
             .arg(QLatin1String(table))
             .arg(rows)});
    if (!filled.ok) {
        std::fprintf(stderr, "the table could not be made\n");
        return 1;
    }
    std::printf("%lld rows of %s filled in %.3f s; this process: %.1f MB resident\n\n",
                static_cast<long long>(rows), table, filled.seconds, statusMegabytes("VmRSS"));

    const QString tool = QStringLiteral(QUORVEX_EXPORT_PATH);
    const auto exportTo = [&](const char* format, const QString& file) {
        return runMeasured({tool, "--backend", "sqlbase", "--audit", QLatin1String(table),
                            "--format", QLatin1String(format), "--file", file, "--odbc", odbc});
    };

    const QString sqliteCsv = dir.filePath(QStringLiteral("sqlite3.csv"));
    const Measured sqlite =
        runMeasured({QStringLiteral("/usr/bin/sqlite3"), "-csv", database,
                     QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table))},
                    sqliteCsv);
    report("sqlite3 -csv", sqlite, sqliteCsv);
    QFile::remove(sqliteCsv);

    bool allOk = sqlite.ok;
    Measured csv;
    for (const char* format : {"csv", "xml", "xlsx"}) {
        const QString file = dir.filePath(QStringLiteral("export.") + QLatin1String(format));
        const Measured m = exportTo(format, file);
        report(qPrintable(QStringLiteral("quorvex-export --format ") + QLatin1String(format)), m,
               file);
        QFile::remove(file);
        allOk = allOk && m.ok;
        if (QByteArray(format) == "csv")
            csv = m;
    }
    if (sqlite.ok && csv.ok && csv.seconds > 0)
        std::printf("\nCSV speed against sqlite3 -csv: %.2f (1 = as fast; target >= 0.5)\n\n",
                    sqlite.seconds / csv.seconds);

    // The viewer and the export window on the same table, through the same data source the
    // SQLBase back end uses; the rows are read on a worker while the window thread answers.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrintedMessages messages;
    auto data = std::make_shared<quorvex::SqlBaseAuditData>(
        [&odbc](quorvex::MessageService&) -> std::unique_ptr<quorvex::IConnection> {
            auto c = std::make_unique<quorvex::OdbcConnection>();
            if (!c->open(odbc))
                return nullptr;
            return c;
        });
    quorvex::AuditViewerWindow viewer(data, messages);
    quorvex::Grid installed;
    installed.setColCount(2);
    installed.insertRows(0, 1);
    installed.setCellText(0, 1, QLatin1String(table));
    installed.setCurrentCell(0, 0);
    installed.setRowSelected(0, true);

    const double before = statusMegabytes("VmRSS");
    resetPeak();
    viewer.showAudit(installed);
    const Stalls viewed = runWindowThreadWhile([&] { return viewer.isFilling(); });
    std::printf("%-28s %8.3f s   peak %7.1f MB   (%.1f MB before, grid store %.1f MB)\n",
                "viewer fill", viewed.seconds, statusMegabytes("VmHWM"), before,
                viewer.grid()->gridModel()->storageBytes() / 1048576.0);
    std::printf("%-28s %8.1f ms  (target < 100 ms)\n", "  longest window stall",
                viewed.longestGapMs);
    std::printf("viewer rows %d, last \"%s\"\n", viewer.grid()->rowCount(),
                qPrintable(viewer.grid()->cellText(viewer.grid()->rowCount() - 1, 0)));
    allOk = allOk && viewer.grid()->rowCount() == rows;

    // EXPORT to CSV from the window, the viewer still holding its rows.
    quorvex::StdProcessControl process;
    quorvex::QtDesktopServices desktop;
    quorvex::QtWorkingDirectory workingDirectory;
    quorvex::OdbcConnectionFactory connections;
    quorvex::PlatformServices services{messages, process, desktop, workingDirectory, connections};
    quorvex::AuditExportWindow exportWindow(data, installed, services);
    exportWindow.show();
    exportWindow.directoryList()->setPath(dir.path());
    exportWindow.fileNameBox()->setText(QStringLiteral("window"));
    exportWindow.exportButton()->click();
    const Stalls exported = runWindowThreadWhile([&] { return exportWindow.isBusy(); });
    const QString windowFile = dir.filePath(QStringLiteral("window.CSV"));
    const bool exportedAll = exportWindow.exportCompleted();
    std::printf("%-28s %8.3f s   %s(%.1f MB)\n", "export window EXPORT csv", exported.seconds,
                exportedAll ? "" : "FAILED ", QFileInfo(windowFile).size() / 1048576.0);
    std::printf("%-28s %8.1f ms  (target < 100 ms)\n", "  longest window stall",
                exported.longestGapMs);
    QFile::remove(windowFile);
    allOk = allOk && exportedAll;

    // The purging export: how long statements on the audited table may have to wait. SQLite
    // runs the SQLBase statements (a read and a counted delete in one transaction).
    std::printf("\n");
    const QString archive = dir.filePath(QStringLiteral("archive.csv"));
    const Measured purged =
        runMeasured({tool, "--backend", "sqlbase", "--audit", QLatin1String(table), "--format",
                     "csv", "--file", archive, "--odbc", odbc, "--purge"});
    report("quorvex-export --purge (SQLite)", purged, archive);
    QFile::remove(archive);
    allOk = allOk && purged.ok;
    allOk = benchEnginePurge(rows, dir.path()) && allOk;
    return allOk ? 0 : 1;
}
