// Loads a large result into a grid and reports how long it took and how much memory it cost.
//
//   QT_QPA_PLATFORM=offscreen grid_bench [rows]     (rows: 1000000 unless given)

#include "components/DbException.h"
#include "components/Grid.h"
#include "components/OdbcConnection.h"
#include "components/Recordset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// A line of /proc/self/status in megabytes ("VmHWM", "VmRSS"), or -1 where there is none.
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

// Starts the peak (VmHWM) afresh, so a phase's peak is not the previous phase's.
void resetPeak() {
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

void report(const char* phase, double seconds) {
    std::printf("%-34s %8.3f s   peak %7.1f MB   now %7.1f MB\n", phase, seconds,
                statusMegabytes("VmHWM"), statusMegabytes("VmRSS"));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    if (rows <= 0) {
        std::fprintf(stderr, "usage: grid_bench [rows]\n");
        return 2;
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("grid_bench.db"));

    try {
        quorvex::OdbcConnection connection;
        // StepAPI: the driver steps through the result instead of reading all of it at once,
        // so the peak shows the grid's memory, not the driver's copy.
        if (!connection.open(QStringLiteral("DRIVER={SQLite3};StepAPI=1;Database=") + path)) {
            for (const quorvex::DbErrorRecord& error : connection.errors())
                std::fprintf(stderr, "%s\n", qPrintable(error.description));
            return 1;
        }
        report("connected", 0);

        QElapsedTimer timer;
        timer.start();
        connection.execute(
            QStringLiteral("CREATE TABLE t (a TEXT, b TEXT, c TEXT, d TEXT, e TEXT, f TEXT)"));
        // One statement, so one transaction: six texts of ten characters a row.
        connection.execute(
            QStringLiteral("INSERT INTO t WITH RECURSIVE n(i) AS "
                           "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "SELECT printf('a%09d', i), printf('b%09d', i), "
                           "printf('c%09d', i), printf('d%09d', i), printf('e%09d', i), "
                           "printf('f%09d', i) FROM n")
                .arg(rows));
        report("table filled", timer.elapsed() / 1000.0);

        // The driver's share: the same rows read and dropped.
        timer.restart();
        {
            quorvex::Recordset recordset =
                connection.openRecordset(QStringLiteral("SELECT * FROM t"));
            qint64 cells = 0;
            for (; !recordset.eof(); recordset.moveNext())
                cells += static_cast<qint64>(recordset.currentRow().size());
            if (cells != rows * 6)
                std::fprintf(stderr, "read %lld cells\n", static_cast<long long>(cells));
        }
        report("query read to the end, no grid", timer.elapsed() / 1000.0);

        quorvex::Grid grid;
        grid.resize(1000, 700);
        resetPeak();
        timer.restart();
        quorvex::Recordset recordset = connection.openRecordset(QStringLiteral("SELECT * FROM t"));
        report("query opened", timer.elapsed() / 1000.0);
        grid.loadRecordset(recordset);
        recordset.close();
        const double loadSeconds = timer.elapsed() / 1000.0;
        report("query + Grid::loadRecordset", loadSeconds);

        timer.restart();
        grid.show();
        grid.setCurrentCell(grid.rowCount() - 1, 0); // scrolls to the end
        QApplication::processEvents();
        report("shown at the last row", timer.elapsed() / 1000.0);

        std::printf("rows %d, columns %d, last cell \"%s\"\n", grid.rowCount(), grid.colCount(),
                    qPrintable(grid.cellText(grid.rowCount() - 1, grid.colCount() - 1)));
        std::printf("grid store estimate %.1f MB (%.1f bytes a row)\n",
                    grid.gridModel()->storageBytes() / 1048576.0,
                    double(grid.gridModel()->storageBytes()) / double(grid.rowCount()));
        std::printf("rows per second %.0f\n", grid.rowCount() / loadSeconds);
        return grid.rowCount() == rows ? 0 : 1;
    } catch (const quorvex::DbException& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
}
