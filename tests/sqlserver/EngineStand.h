#pragma once

#include "EngineDatabase.h"

#include "auditdata/AuditExportWindow.h"
#include "auditdata/AuditViewerWindow.h"
#include "components/Grid.h"
#include "components/OdbcConnectionFactory.h"
#include "components/PlatformServices.h"
#include "components/WindowOperation.h"
#include "mainwindow/AuditMainWindow.h"
#include "shell/MainFrame.h"
#include "shell/ProductionLaunchers.h"
#include "shell/SelectionWindow.h"
#include "sqlserver/SqlServerLoginWindow.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace quorvex::testing {

// The program as it runs for a user, on the engine named in QUORVEX_TEST_MSSQL: the frame with
// the production launchers over real ODBC connections (FreeTDS), the real windows, and only the
// message boxes, the desktop and "end the process" recorded. It drives the windows as a user
// does, with clicks and typing, and waits for what each action leads to, because the work
// behind a click may finish after the click has returned.
class EngineStand {
public:
    // How long an action may take before the test gives up on it.
    static constexpr int Patience = 20000;

    explicit EngineStand(const SqlServerLoginValues& login)
        : db(login), workingDirectory(folder.path()) {
        frame = std::make_unique<MainFrame>(
            services,
            makeBackendLaunchers(state, [server = login.server] { return QStringList{server}; }));
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()))
            qWarning("the frame was not shown");
    }
    ~EngineStand() {
        // The windows go before the session they work on.
        frame.reset();
    }

    EngineDatabase db;
    QTemporaryDir folder; // the working folder: exports land here
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    OdbcConnectionFactory connections;
    PlatformServices services{messages, process, desktop, workingDirectory, connections};
    BackendState state;
    std::unique_ptr<MainFrame> frame;

    static bool waitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, Patience);
    }
    // Until a message is shown beyond the first `count`, or the condition holds, and the main
    // window (when there is one) has no operation running.
    bool waitForOutcome(qsizetype count, const std::function<bool()>& condition) {
        return waitFor([&] {
            const bool idle = mainWindow() == nullptr || !mainWindow()->operation().isBusy();
            return idle && (messages.shown().size() > count || condition());
        });
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return frame->findChild<T*>(name);
    }

    // --- the mouse and the keyboard ---

    static void click(QWidget* target) {
        if (target == nullptr)
            return;
        // Near the left edge: an option button takes clicks on its circle and caption only.
        const QPoint nearLeft(std::min(10, target->width() / 2), target->height() / 2);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, nearLeft);
    }
    void click(const QString& name) { click(find(name)); }
    static void clickItem(QListWidget* list, const QString& text) {
        const QList<QListWidgetItem*> found =
            list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found.isEmpty())
            return;
        list->scrollToItem(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(found.first()).center());
    }
    static void clickCell(Grid* grid, int row, int column) {
        const QModelIndex index = grid->gridModel()->index(row, column);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->visualRect(index).center());
    }
    static void type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    void type(const QString& lineEdit, const QString& text) {
        type(find<QLineEdit>(lineEdit), text);
    }

    // --- the choice window and the login ---

    SqlServerLoginWindow* loginWindow() const { return frame->findChild<SqlServerLoginWindow*>(); }
    AuditMainWindow* mainWindow() const { return find<AuditMainWindow>("frmSqlMain"); }

    // SQL Server chosen, its login window shown.
    bool openLogin() {
        SelectionWindow* choice = frame->selectionWindow();
        if (choice == nullptr)
            return false;
        click(choice->sqlServerOption());
        click(choice->okButton());
        return waitFor([this] { return loginWindow() != nullptr && loginWindow()->isVisible(); });
    }
    // The user and the password typed, the server clicked, the database typed, OK clicked: does
    // not wait for the outcome.
    void submitLogin(const QString& password, bool waitForDatabases) {
        SqlServerLoginWindow* login = loginWindow();
        // The window lists the servers, and later the databases, off its thread.
        const auto idle = [login] { return !login->operation().isBusy(); };
        waitFor([&] {
            return idle() &&
                   !login->serverList()->findItems(db.login().server, Qt::MatchExactly).isEmpty();
        });
        type(login->userBox(), db.login().user);
        type(login->passwordBox(), password);
        waitFor(idle);
        clickItem(login->serverList(), db.login().server);
        waitFor(idle);
        if (waitForDatabases)
            waitFor([&] { return listedDatabases().contains(db.login().database); });
        type(login->databaseBox()->lineEdit(), db.login().database);
        waitFor(idle);
        QTest::mouseClick(login->loginButton(), Qt::LeftButton);
    }
    QStringList listedDatabases() const {
        QStringList names;
        for (int i = 0; i < loginWindow()->databaseBox()->count(); ++i)
            names << loginWindow()->databaseBox()->itemText(i);
        return names;
    }
    // The whole way to the main window with the right password; false unless it was shown with
    // the database's tables listed (every test has made one at least).
    bool logIn() {
        if (!openLogin())
            return false;
        submitLogin(db.login().password, true);
        const auto started = [this] {
            return mainWindow() != nullptr && mainWindow()->isVisible() &&
                   tableList(0)->count() > 0;
        };
        waitForOutcome(0, started);
        return started();
    }

    // --- the two definition tabs (0 insert/delete, 1 update) ---

    void showTab(int tab) {
        QTabBar* bar = mainWindow()->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
    }
    QListWidget* tableList(int tab) const {
        return find<QListWidget>(tab == 0 ? "lstAuditableTables" : "lstUpdateAuditableTables");
    }
    QStringList listedTables(int tab) const {
        QStringList names;
        for (int i = 0; i < tableList(tab)->count(); ++i)
            names << tableList(tab)->item(i)->text();
        return names;
    }
    QStringList listedColumns(int tab) const {
        QStringList names;
        if (tab == 0) {
            auto* list = find<QListWidget>("lstColumns");
            for (int i = 0; i < list->count(); ++i)
                names << list->item(i)->text();
        } else {
            auto* grid = find<Grid>("lstUpdateColumns");
            for (int row = 0; row < grid->rowCount(); ++row)
                names << grid->cellText(row, 0);
        }
        return names;
    }
    // Clicks the table and waits until the columns expected are listed (the columns of the
    // table chosen before stay listed until then); returns the columns listed.
    QStringList chooseTable(int tab, const QString& table, const QStringList& expected) {
        showTab(tab);
        clickItem(tableList(tab), table);
        waitForOutcome(messages.shown().size(), [&] { return listedColumns(tab) == expected; });
        return listedColumns(tab);
    }
    void chooseColumns(int tab, const QStringList& columns) {
        for (const QString& column : columns) {
            if (tab == 0) {
                clickItem(find<QListWidget>("lstColumns"), column);
            } else {
                auto* grid = find<Grid>("lstUpdateColumns");
                clickCell(grid, int(listedColumns(1).indexOf(column)), 0);
            }
        }
    }
    void keepOldValue(const QString& column) {
        clickCell(find<Grid>("lstUpdateColumns"), int(listedColumns(1).indexOf(column)), 1);
    }
    void chooseChangedField(const QString& column) {
        clickItem(find<QListWidget>("lstUpdateFieldsChanged"), column);
    }
    // The column typed into the column box, the operator ("=", "!=", ">", "<") clicked, the
    // value typed, Add clicked.
    void addCondition(int tab, const QString& column, const QString& op, const QString& value) {
        auto* columns =
            find<QComboBox>(tab == 0 ? "cboConditionalColumns" : "cboUpdateConditionalColumns");
        type(columns->lineEdit(), column);
        static const QStringList operators{"=", "!=", ">", "<"};
        static const char* const options[2][4] = {
            {"optEqual", "optNotEqual", "OptGreater", "optLessThan"},
            {"optUpdateEqual", "optUpdateNotEqual", "OptUpdateGreater", "optUpdateLessThan"}};
        click(QString::fromLatin1(options[tab][operators.indexOf(op)]));
        type(tab == 0 ? "txtCriteria" : "txtUpdateCriteria", value);
        click(tab == 0 ? "cmdAdd" : "cmdUpdateAdd");
    }
    // Name and description typed, GO clicked; waits until the audit is listed as installed or a
    // message is shown. True when it is listed.
    bool go(int tab, const QString& name, const QString& description) {
        type(tab == 0 ? "txtNewTableName" : "txtUpdateNewTableName", name);
        type(tab == 0 ? "txtDescription" : "txtUpdateDescription", description);
        db.removeAtEnd(name);
        const qsizetype before = messages.shown().size();
        click(tab == 0 ? "cmdGo" : "cmdUpdateGo");
        waitForOutcome(before, [&] { return auditRow(name) >= 0; });
        return auditRow(name) >= 0;
    }

    // --- the installed audits ---

    Grid* installed() const { return find<Grid>("grdInstalledAudits"); }
    int auditRow(const QString& name) const {
        for (int row = 0; row < installed()->rowCount(); ++row)
            if (installed()->cellText(row, 0) == name)
                return row;
        return -1;
    }
    // The audit's row of the grid as shown: "name|description|enabled|table", the table
    // without the padding its CHAR column gives it.
    QString auditListed(const QString& name) const {
        const int row = auditRow(name);
        if (row < 0)
            return QStringLiteral("not listed");
        QStringList cells;
        for (int column = 0; column < 4; ++column)
            cells << installed()->cellText(row, column);
        cells.last() = cells.last().trimmed();
        return cells.join(u'|');
    }
    // The tab shown, the audit's row clicked.
    bool selectAudit(const QString& name) {
        showTab(2);
        const int row = auditRow(name);
        if (row < 0)
            return false;
        clickCell(installed(), row, 0);
        return installed()->currentRow() == row;
    }
    // A button of the installed-audits tab pressed on the audit; waits until the condition
    // holds or a message is shown. True when the condition holds.
    bool press(const QString& button, const QString& name, const std::function<bool()>& outcome) {
        if (!selectAudit(name))
            return false;
        const qsizetype before = messages.shown().size();
        QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton);
        waitForOutcome(before, outcome);
        return outcome();
    }

    // --- the viewer and the export window ---

    AuditViewerWindow* viewer() const { return frame->findChild<AuditViewerWindow*>(); }
    AuditExportWindow* exportWindow() const { return frame->findChild<AuditExportWindow*>(); }

    // View pressed on the audit; waits until the viewer shows `rows` rows.
    bool view(const QString& name, int rows) {
        return press("cmdView", name, [&] {
            return viewer() != nullptr && viewer()->isVisible() && !viewer()->isFilling() &&
                   viewer()->grid()->rowCount() == rows;
        });
    }
    // Purge/Export pressed on the audit; waits for the export window, whose spreadsheets are
    // then saved in the test's folder.
    bool openExport(const QString& name) {
        if (!press("cmdExport", name,
                   [&] { return exportWindow() != nullptr && exportWindow()->isVisible(); }))
            return false;
        exportWindow()->setSpreadsheetFolder(folder.path());
        return true;
    }
    // In the export window: the format clicked, the file name typed, the button clicked; waits
    // until `messagesAfter` messages have been shown in all.
    bool exportAs(const QString& format, const QString& fileName, QAbstractButton* button,
                  qsizetype messagesAfter) {
        AuditExportWindow* window = exportWindow();
        click(format == "CSV"   ? window->csvOption()
              : format == "XML" ? window->xmlOption()
                                : window->excelOption());
        if (window->fileNameBox()->isVisible())
            type(window->fileNameBox(), fileName);
        QTest::mouseClick(button, Qt::LeftButton);
        return waitFor([&] { return messages.shown().size() >= messagesAfter; });
    }
};

} // namespace quorvex::testing
