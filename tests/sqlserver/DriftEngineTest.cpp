// Audits on the engine named in QUORVEX_TEST_MSSQL whose tables and triggers were changed: the
// listing, the tab (a PNG at $QUORVEX_SCREENSHOT when set) and quorvex-audits tell each state.
#include "EngineDatabase.h"

#include "components/BackgroundTask.h"
#include "components/Grid.h"
#include "components/OdbcConnectionFactory.h"
#include "components/PlatformServices.h"
#include "components/TaskContext.h"
#include "mainwindow/AuditMainWindow.h"
#include "sqlserver/SqlServerBackend.h"
#include "support/FakeWorkingDirectory.h"
#include "support/ProgramRun.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace quorvex;
using namespace quorvex::testing;

namespace {

ProgramRun runAudits(const SqlServerLoginValues& login, const QStringList& more) {
    return ProgramRun::of(QStringLiteral(QUORVEX_AUDITS_PATH),
                          QStringList{"--backend", "sqlserver", "--server", login.server, "--user",
                                      login.user, "--password", login.password, "--database",
                                      login.database} +
                              more);
}

struct Case {
    const char* audit;
    const char* description;
    const char* alteration; // %1 is the table, %2 the audit
    QString sqlServerState;
    QString babelfishState;
};

} // namespace

class DriftEngineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyStateShowsInTheListingTheTabAndTheTool() {
        const std::optional<SqlServerLoginValues> target = EngineDatabase::target();
        if (!target)
            QSKIP(EngineDatabase::skipReason());
        OdbcConnection admin;
        QVERIFY(admin.open(buildSqlServerConnectionString(*target)));
        SqlServerLoginValues login = *target;
        login.database = QStringLiteral("qvxdrift%1").arg(QCoreApplication::applicationPid());
        QCOMPARE(runStatement(admin, QStringLiteral("CREATE DATABASE ") + login.database),
                 QString());
        struct Drop {
            OdbcConnection& admin;
            QString database;
            ~Drop() {
                BackgroundTask::waitForAll(10000);
                // The server lets a closed session go a moment after the client did.
                for (int attempt = 0;; ++attempt) {
                    try {
                        admin.execute(QStringLiteral("DROP DATABASE ") + database);
                        return;
                    } catch (const DbException& e) {
                        if (attempt == 50) {
                            qWarning("%s not dropped: %s", qPrintable(database),
                                     qPrintable(e.description()));
                            return;
                        }
                    }
                    QTest::qWait(200);
                }
            }
        } drop{admin, login.database};
        check(login);
    }

private:
    void check(const SqlServerLoginValues& login) {
        OdbcConnection db;
        QVERIFY(db.open(buildSqlServerConnectionString(login)));
        const bool babelfish =
            db.openRecordset("SELECT CAST(SERVERPROPERTY('Babelfish') AS int)").value(0) ==
            QStringLiteral("1");
        const std::vector<Case> cases{
            {"Fine", "rows recorded",
             "INSERT INTO %1 (ID, NOTE, AMOUNT) VALUES (1, 'a', 5), (2, 'b', 50)", "ok", "ok"},
            {"Wider", "NOTE made longer", "ALTER TABLE %1 ALTER COLUMN NOTE varchar(80)",
             "table changed", "table changed"},
            {"Renamed", "NOTE renamed", "EXEC sp_rename '%1.NOTE', 'REMARK', 'COLUMN'", "broken",
             "broken"},
            // The engine drops a table's triggers with any column it drops.
            {"DropCol", "NOTE dropped", "ALTER TABLE %1 DROP COLUMN NOTE", "broken",
             "trigger missing"},
            // Read from the trigger's text, which SQL Server keeps encrypted.
            {"CondGone", "ID of the condition renamed",
             "EXEC sp_rename '%1.ID', 'ORDER_ID', 'COLUMN'", "ok", "broken"},
            {"NoTrigger", "trigger dropped", "DROP TRIGGER trgZOTA_%2", "trigger missing",
             "trigger missing"},
            {"NoTable", "table dropped", "DROP TABLE %1", "table missing", "table missing"},
        };

        OdbcConnectionFactory connections;
        auto backend = std::make_shared<SqlServerBackend>(connections, login);
        ScriptedMessageService messages;
        TaskContext task;
        std::optional<AuditBackend::Loaded> loaded = backend->load(messages, task);
        QVERIFY2(loaded, qPrintable(messages.texts().join('\n')));
        for (const Case& c : cases) {
            const QString table = QStringLiteral("T_%1").arg(QString::fromLatin1(c.audit));
            QCOMPARE(
                runStatement(db, QStringLiteral("CREATE TABLE %1 (ID int NOT NULL PRIMARY KEY, "
                                                "NOTE varchar(40) NULL, AMOUNT decimal(10,2) "
                                                "NULL)")
                                     .arg(table)),
                QString());
            AuditDefinition definition;
            definition.kind = AuditKind::Insert;
            definition.table = table;
            definition.columns = {"NOTE", "AMOUNT"};
            definition.conditions = {{"ID", ">", "0", ""}};
            definition.mode = AuditMode::OnlyWhen;
            definition.name = QString::fromLatin1(c.audit);
            definition.description = QString::fromLatin1(c.description);
            QVERIFY2(backend->save(definition, messages, task).outcome ==
                         SaveResult::Outcome::Saved,
                     qPrintable(messages.texts().join('\n')));
            const QString alteration = QString::fromLatin1(c.alteration)
                                           .replace(QStringLiteral("%1"), table)
                                           .replace(QStringLiteral("%2"), definition.name);
            QCOMPARE(runStatement(db, alteration), QString());
        }
        QCOMPARE(messages.texts(), QStringList());

        const std::optional<AuditListing> listing = backend->listAudits(messages, task);
        QVERIFY(listing);
        QCOMPARE(listing->fields.back().name, QStringLiteral("STATE"));
        std::map<QString, QString> states;
        std::map<QString, QString> expected;
        for (const Row& row : listing->rows)
            states[row.front().value_or("").trimmed()] = row.back().value_or("");
        for (const Case& c : cases)
            expected[QString::fromLatin1(c.audit)] =
                babelfish ? c.babelfishState : c.sqlServerState;
        QCOMPARE(states, expected);
        QCOMPARE(messages.texts(), QStringList());

        showTab(backend, *backend->load(messages, task), expected);

        // The tool: one object per audit; exit code 4 as something is not ok, 1 on a refused
        // login.
        ProgramRun run = runAudits(login, {"--json"});
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.err, QString());
        std::map<QString, QString> told;
        for (const QJsonValue& audit : QJsonDocument::fromJson(run.out.toUtf8()).array()) {
            const QJsonObject o = audit.toObject();
            told[o["name"].toString()] = o["state"].toString();
            QCOMPARE(o["table"].toString(), "T_" + o["name"].toString());
            QVERIFY(o["enabled"].toBool());
            if (o["name"] == QStringLiteral("Fine"))
                QCOMPARE(o["rows"].toInt(), 2); // both inserted rows met the condition
        }
        QCOMPARE(told, expected);

        QCOMPARE(runStatement(db, "DELETE FROM tblZOTA_SYSTEM_TABLE WHERE AUDIT_NAME <> 'Fine'"),
                 QString());
        run = runAudits(login, {});
        QCOMPARE(run.out, QStringLiteral("Fine\tT_Fine\tY\t2\tok\n"));
        QCOMPARE(run.exitCode, 0);
        SqlServerLoginValues wrong = login;
        wrong.password += QStringLiteral("x");
        run = runAudits(wrong, {});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("The connection could not be opened:"), qPrintable(run.err));
        db.close();
    }

    void showTab(const std::shared_ptr<SqlServerBackend>& backend,
                 const AuditBackend::Loaded& loaded, const std::map<QString, QString>& expected) {
        ScriptedMessageService messages;
        RecordingProcessControl process;
        RecordingDesktopServices desktop;
        QTemporaryDir folder;
        FakeWorkingDirectory workingDirectory(folder.path());
        OdbcConnectionFactory connections;
        PlatformServices services{messages, process, desktop, workingDirectory, connections};
        AuditMainWindow window(backend, services);
        window.present(loaded);
        window.tabs()->setCurrentIndex(2);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Grid* grid = window.findChild<Grid*>(QStringLiteral("grdInstalledAudits"));
        QVERIFY(grid);
        for (int row = 0; row < grid->rowCount(); ++row)
            QCOMPARE(grid->cellText(row, grid->colCount() - 1),
                     expected.at(grid->cellText(row, 0).trimmed()));
        const QImage picture = window.grab().toImage();
        QVERIFY(!picture.isNull());
        const QString path = qEnvironmentVariable("QUORVEX_SCREENSHOT");
        if (!path.isEmpty())
            QVERIFY(picture.save(path, "PNG"));
        window.close();
    }
};

QTEST_MAIN(DriftEngineTest)
#include "DriftEngineTest.moc"
