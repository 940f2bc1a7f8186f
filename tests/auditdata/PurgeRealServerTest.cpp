// Purges on the engine named in QUORVEX_TEST_MSSQL (skipped when it is not set): quorvex-export
// --purge and the window's back end purge while another session inserts, wait a bounded time for
// a busy table, and lose no row when they fail, are cancelled or are killed.
#include "auditdata/AuditExporter.h"
#include "auditdata/AuditPurge.h"
#include "auditdata/SqlServerAuditData.h"
#include "components/DbException.h"
#include "components/LockTimeout.h"
#include "components/OdbcConnection.h"
#include "components/OdbcConnectionFactory.h"
#include "components/TaskContext.h"
#include "sqlserver/SqlServerConnection.h"

#include "AuditDataTesting.h"
#include "sqlserver/EngineTest.h"
#include "support/ProgramRun.h"
#include "support/ScriptedMessageService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <map>
#include <mutex>
#include <thread>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

constexpr int prefilledRows = 20000;

// Digits 0-9 as a table, to make numbered rows in one statement.
const QString digits = QStringLiteral("(VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9))");

// The window's back end object, as the SQL Server main window makes it.
struct WindowBackEnd {
    explicit WindowBackEnd(const SqlServerLoginValues& login) : data(connections, login) {}
    AuditTable audit(const QString& name) const {
        return *AuditTable::fromName(AuditStore::SqlServer, name);
    }
    OdbcConnectionFactory connections;
    ScriptedMessageService messages;
    SqlServerAuditData data;
};

class PurgeRealServer : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (notReady())
            return;
        m_login = m_db->login();
        m_audit = m_db->uniqueName("Purge");
        m_table = QStringLiteral("tblZOTA_") + m_audit;
        ASSERT_EQ(m_db->createTable({}, m_table,
                                    "ID int NOT NULL, NOTE varchar(40) NULL, AuditDate datetime "
                                    "NOT NULL DEFAULT GETDATE(), UserName varchar(30) NOT NULL "
                                    "DEFAULT 'sa'"),
                  QString());
        ASSERT_TRUE(m_conn.open(connectionString()))
            << m_conn.errors().value(0).description.toStdString();
        fill();
        for (int id = 0; id < prefilledRows; ++id)
            m_inserted.push_back(id);
    }

    // Rows 0 to 19,999.
    void fill() {
        m_conn.execute("INSERT INTO " + m_table + " (ID, NOTE) SELECT TOP " +
                       QString::number(prefilledRows) +
                       " a.n * 10000 + b.n * 1000 + c.n * 100 + d.n * 10 + e.n, 'row' FROM " +
                       digits + " a(n) CROSS JOIN " + digits + " b(n) CROSS JOIN " + digits +
                       " c(n) CROSS JOIN " + digits + " d(n) CROSS JOIN " + digits + " e(n)");
    }

    QString connectionString() const { return buildSqlServerConnectionString(m_login); }

    // Another session inserting rows numbered from `first` until stopped; it keeps the numbers
    // of the rows it committed.
    class Inserter {
    public:
        Inserter(const QString& connection, const QString& table, int first) {
            m_thread = std::thread([this, connection, table, first] {
                OdbcConnection session;
                if (!session.open(connection))
                    return;
                for (int id = first; !m_stop; ++id) {
                    try {
                        session.execute(QStringLiteral("INSERT INTO %1 (ID, NOTE) VALUES (%2, "
                                                       "'while purging')")
                                            .arg(table)
                                            .arg(id));
                    } catch (const DbException&) {
                        continue;
                    }
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_committed.push_back(id);
                }
            });
        }
        ~Inserter() { stop(); }
        int count() {
            std::lock_guard<std::mutex> lock(m_mutex);
            return int(m_committed.size());
        }
        std::vector<int> stop() {
            m_stop = true;
            if (m_thread.joinable())
                m_thread.join();
            return m_committed;
        }

    private:
        std::atomic<bool> m_stop{false};
        std::mutex m_mutex;
        std::vector<int> m_committed;
        std::thread m_thread;
    };

    static void waitForInserts(Inserter& inserter, int more) {
        const int start = inserter.count();
        for (int i = 0; i < 1000 && inserter.count() < start + more; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    QStringList exportArguments(const QString& file) const {
        return {"--backend",  "sqlserver",
                "--audit",    m_audit,
                "--format",   "csv",
                "--file",     file,
                "--server",   m_login.server,
                "--user",     m_login.user,
                "--password", m_login.password,
                "--database", m_login.database,
                "--purge"};
    }

    enum class InTable { Yes, No };
    // How often each number is in the table and in the files' first column.
    std::map<int, int> copies(const QStringList& files, InTable table = InTable::Yes) {
        std::map<int, int> count;
        Recordset rows = m_conn.openRecordset("SELECT ID FROM " + m_table);
        for (; table == InTable::Yes && !rows.eof(); rows.moveNext())
            ++count[rows.value(0).value_or("-1").toInt()];
        for (const QString& file : files) {
            QFile f(file);
            const QList<QByteArray> lines =
                f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>();
            for (qsizetype i = 1; i < lines.size(); ++i)
                if (!lines[i].trimmed().isEmpty())
                    ++count[lines[i].split(',').value(0).toInt()];
        }
        return count;
    }

    qint64 rowsInTable() {
        return m_conn.openRecordset("SELECT COUNT(*) FROM " + m_table)
            .value(0)
            .value_or("-1")
            .toLongLong();
    }

    // quorvex-export --purge or the window's BOTH, of every row or of those older than `days`.
    void purge(bool byTheTool, int days, const QString& file) {
        if (byTheTool) {
            QStringList arguments = exportArguments(file);
            if (days)
                arguments << "--older-than" << QString::number(days);
            const ProgramRun run = ProgramRun::of(QStringLiteral(QUORVEX_EXPORT_PATH), arguments);
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            return;
        }
        WindowBackEnd window(m_login);
        AuditExporter exporter(ExportFormat::Csv, file, m_audit);
        TaskContext task;
        const AuditTable audit =
            days ? window.audit(m_audit).olderThan(days) : window.audit(m_audit);
        const std::optional<PurgeResult> result =
            window.data.exportAndPurge(audit, exporter, window.messages, task);
        ASSERT_TRUE(result.has_value()) << window.messages.texts().join('\n').toStdString();
        EXPECT_EQ(result->outcome, PurgeResult::Outcome::Purged) << result->message.toStdString();
    }

    SqlServerLoginValues m_login;
    QString m_audit;
    QString m_table;
    OdbcConnection m_conn;
    std::vector<int> m_inserted;
    QTemporaryDir m_dir;
};

} // namespace

// Only the rows older than the age leave the table, by the server's clock, then all of them:
// while another session keeps inserting, each row is in a file or in the table, exactly once.
TEST_F(PurgeRealServer, DeletesExactlyWhatItsFileHoldsWhileAnotherSessionInserts) {
    m_conn.execute("UPDATE " + m_table +
                   " SET AuditDate = DATEADD(day, CASE WHEN ID < 8000 THEN -40 ELSE -10 END, "
                   "GETDATE())");
    // By the tool and by the window; the older rows [first, last), then all.
    const struct {
        bool byTheTool;
        int days, first, last;
    } paths[] = {
        {true, 30, 0, 8000}, {false, 5, 8000, prefilledRows}, {true, 0, 0, 0}, {false, 0, 0, 0}};
    QStringList files;
    std::map<int, int> everyRowOnce;
    for (int id : m_inserted)
        everyRowOnce[id] = 1;
    for (const auto& p : paths) {
        SCOPED_TRACE(files.size());
        files << m_dir.filePath(QString::number(files.size()) + QStringLiteral(".csv"));
        Inserter inserter(connectionString(), m_table, 1000000 * int(files.size()));
        waitForInserts(inserter, 20);
        const int before = inserter.count();
        purge(p.byTheTool, p.days, files.last());
        EXPECT_GT(inserter.count(), before) << "no insert ran while the purge did";
        waitForInserts(inserter, 20);
        for (int id : inserter.stop())
            everyRowOnce[id] = 1;
        EXPECT_EQ(copies(files), everyRowOnce);
        if (p.days) {
            std::map<int, int> older;
            for (int id = p.first; id < p.last; ++id)
                older[id] = 1;
            EXPECT_EQ(copies({files.last()}, InTable::No), older);
        }
    }
    // A session that purged waits for locks without limit again, and commits each statement.
    OdbcConnection purger;
    ASSERT_TRUE(purger.open(connectionString()));
    AuditExporter last(ExportFormat::Csv, m_dir.filePath(QStringLiteral("last.csv")), m_audit);
    EXPECT_EQ(AuditPurge(purger, *AuditTable::fromName(AuditStore::SqlServer, m_audit))
                  .exportAndPurge(last)
                  .outcome,
              PurgeResult::Outcome::Purged);
    Recordset session = purger.openRecordset("SELECT @@LOCK_TIMEOUT, @@TRANCOUNT");
    EXPECT_EQ(session.currentRow(), (Row{FieldValue("-1"), FieldValue("0")}));
}

TEST_F(PurgeRealServer, BusyTableGivesUpAfterTheBoundedWaitAndChangesNothing) {
    // Another session holds the table: it altered it in a transaction still open.
    OdbcConnection holder;
    ASSERT_TRUE(holder.open(connectionString()));
    holder.beginTransaction(TransactionIsolation::DriverDefault);
    holder.execute("ALTER TABLE " + m_table + " ADD HELD int NULL");

    const QString busy = tableInUseMessage(m_table);
    QProcess tool; // waits beside the window's purges
    tool.start(QStringLiteral(QUORVEX_EXPORT_PATH),
               exportArguments(m_dir.filePath(QStringLiteral("tool.csv"))));

    WindowBackEnd window(m_login);
    TaskContext task;
    AuditExporter exporter(ExportFormat::Csv, m_dir.filePath(QStringLiteral("both.csv")), m_audit);
    const std::optional<PurgeResult> both =
        window.data.exportAndPurge(window.audit(m_audit), exporter, window.messages, task);
    ASSERT_TRUE(both.has_value());
    EXPECT_EQ(both->outcome, PurgeResult::Outcome::TableBusy);
    EXPECT_EQ(both->message, busy);

    // EXPORT (and the viewer's read) waits as long, then says so.
    AuditExporter reader(ExportFormat::Csv, m_dir.filePath(QStringLiteral("read.csv")), m_audit);
    const std::optional<ExportResult> read =
        window.data.exportRows(window.audit(m_audit), reader, window.messages, task);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->outcome, ExportResult::Outcome::Failed);
    EXPECT_EQ(read->message, busy);

    ASSERT_TRUE(tool.waitForFinished(120000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardError()),
              busy + QStringLiteral("\nNo file was written and nothing was purged.\n"));

    holder.rollback();
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(rowsInTable(), prefilledRows);
}

TEST_F(PurgeRealServer, CancelOrAFileThatCannotBeCompletedKeepsEveryRow) {
    WindowBackEnd window(m_login);
    const struct {
        const char* name;
        ExportFormat format;
        QString file;
        std::function<void(AuditExporter&, TaskContext&)> arrange;
        PurgeResult::Outcome outcome;
    } cases[] = {
        {"cancelled by the task while the rows stream", ExportFormat::Csv,
         m_dir.filePath("stopped.csv"),
         [](AuditExporter& e, TaskContext& task) {
             e.setProgress(
                 [&task](qint64) {
                     task.cancelToken().cancel();
                     return true;
                 },
                 5000);
         },
         PurgeResult::Outcome::Cancelled},
        {"no folder for the file", ExportFormat::Csv, m_dir.filePath("gone/archive.csv"),
         [](AuditExporter&, TaskContext&) {}, PurgeResult::Outcome::Failed},
        {"a sheet too small for the rows", ExportFormat::Xlsx, m_dir.filePath("small.xlsx"),
         [](AuditExporter& e, TaskContext&) { e.setRecordLimit(7000); },
         PurgeResult::Outcome::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TaskContext task;
        AuditExporter exporter(c.format, c.file, m_audit);
        c.arrange(exporter, task);
        const std::optional<PurgeResult> result =
            window.data.exportAndPurge(window.audit(m_audit), exporter, window.messages, task);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->outcome, c.outcome) << result->message.toStdString();
        EXPECT_EQ(rowsInTable(), prefilledRows);
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

TEST_F(PurgeRealServer, ToolKilledInTheMiddleLosesNoRow) {
    const QString file = m_dir.filePath(QStringLiteral("killed.csv"));
    const QDir folder(m_dir.path());
    const struct {
        const char* moment;
        std::function<bool()> reached;
    } moments[] = {
        {"while the rows stream into the file",
         [&] {
             for (const QFileInfo& f : folder.entryInfoList(QDir::Files | QDir::Hidden))
                 if (f.fileName().startsWith(u'.') && f.size() > 0)
                     return true;
             return false;
         }},
        {"as the file takes its place", [&] { return QFile::exists(file); }},
    };
    for (const auto& m : moments) {
        SCOPED_TRACE(m.moment);
        QProcess tool;
        tool.start(QStringLiteral(QUORVEX_EXPORT_PATH), exportArguments(file));
        ASSERT_TRUE(tool.waitForStarted());
        while (tool.state() != QProcess::NotRunning && !m.reached())
            tool.waitForFinished(1);
        if (tool.state() != QProcess::NotRunning)
            ::kill(pid_t(tool.processId()), SIGKILL);
        tool.waitForFinished(30000);
        // The server rolls back the session of a client that is gone.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const std::map<int, int> found = copies({file});
        int lost = 0;
        for (int id : m_inserted)
            lost += found.count(id) == 0 ? 1 : 0;
        EXPECT_EQ(lost, 0);
        // Nothing was deleted, or all of it, which the file then holds.
        const qint64 left = rowsInTable();
        EXPECT_TRUE(left == prefilledRows || left == 0) << left;
        if (left == 0)
            fill();
        QFile::remove(file);
    }
}
