#pragma once

#include "SqliteTestFile.h"

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
#include "sqlite/SqliteFileDialogs.h"
#include "sqlite/SqliteLoginWindow.h"
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
#include <QTest>

#include <deque>
#include <functional>
#include <memory>

namespace quorvex::testing {

// File dialogs that answer from a script, each answer once; nothing scripted: cancelled.
class ScriptedFileDialogs : public sqlite::SqliteFileDialogs {
public:
    std::deque<QString> existing;
    std::deque<QString> created;
    QString existingFile(QWidget*, const QString&) override { return next(existing); }
    QString newFile(QWidget*, const QString&) override { return next(created); }

private:
    static QString next(std::deque<QString>& answers) {
        if (answers.empty())
            return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// The program as a user runs it on a SQLite file: the frame with the production launchers over
// real ODBC connections (Debian's SQLite driver), the real windows, and only the message boxes,
// the file dialogs, the desktop and "end the process" scripted or recorded. It drives the
// windows with clicks and typing and waits for what each action leads to, since the work
// behind a click ends on a worker.
class SqliteStand {
public:
    static constexpr int Patience = 20000;

    SqliteStand() : workingDirectory(db.folder()) {
        auto scripted = std::make_unique<ScriptedFileDialogs>();
        dialogs = scripted.get();
        state.sqliteFileDialogs = std::move(scripted);
        state.sqliteSampleFile = db.folder() + "/data/sample.db";
        frame = std::make_unique<MainFrame>(
            services, makeBackendLaunchers(state, [] { return QStringList(); }));
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()))
            qWarning("the frame was not shown");
    }
    ~SqliteStand() { frame.reset(); }

    SqliteTestFile db{"shop.db"};
    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    OdbcConnectionFactory connections;
    PlatformServices services{messages, process, desktop, workingDirectory, connections};
    BackendState state;
    ScriptedFileDialogs* dialogs = nullptr;
    std::unique_ptr<MainFrame> frame;

    static bool waitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, Patience);
    }
    // Until a message beyond the first `count` is shown or the condition holds, with no
    // operation of the main window running.
    bool waitForOutcome(qsizetype count, const std::function<bool()>& condition) {
        return waitFor([&] {
            const bool idle = mainWindow() == nullptr || !mainWindow()->operation().isBusy();
            return idle && (messages.shown().size() > count || condition());
        });
    }
    template <typename T = QWidget> T* find(const QString& name) const {
        return frame->findChild<T*>(name);
    }

    static void click(QWidget* target) {
        if (target == nullptr)
            return;
        // Near the left edge: an option button takes clicks on its circle and caption only.
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier,
                          QPoint(std::min(10, target->width() / 2), target->height() / 2));
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
    void type(const QString& name, const QString& text) { type(find<QLineEdit>(name), text); }

    // --- the choice and the login ---

    sqlite::SqliteLoginWindow* login() const {
        return frame->findChild<sqlite::SqliteLoginWindow*>();
    }
    AuditMainWindow* mainWindow() const { return find<AuditMainWindow>("frmSqliteMain"); }

    bool openLogin() {
        SelectionWindow* choice = frame->selectionWindow();
        if (choice == nullptr)
            return false;
        click(choice->sqliteOption());
        click(choice->okButton());
        return waitFor([this] { return login() != nullptr && login()->isVisible(); });
    }
    // Until the main window is shown or a message is said beyond those said already.
    bool mainWindowShown() {
        waitForOutcome(messages.shown().size(),
                       [this] { return mainWindow() != nullptr && mainWindow()->isVisible(); });
        return mainWindow() != nullptr && mainWindow()->isVisible();
    }

    // --- the definition tabs (0 insert/delete, 1 update) ---

    void showTab(int tab) {
        QTabBar* bar = mainWindow()->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
    }
    QListWidget* tableList(int tab) const {
        return find<QListWidget>(tab == 0 ? "lstAuditableTables" : "lstUpdateAuditableTables");
    }
    QStringList listed(QListWidget* list) const {
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    QStringList listedColumns(int tab) const {
        if (tab == 0)
            return listed(find<QListWidget>("lstColumns"));
        QStringList names;
        auto* grid = find<Grid>("lstUpdateColumns");
        for (int row = 0; row < grid->rowCount(); ++row)
            names << grid->cellText(row, 0);
        return names;
    }
    // The table clicked, then its columns chosen once listed.
    bool chooseTable(int tab, const QString& table, const QStringList& columns,
                     const QStringList& chosen) {
        showTab(tab);
        clickItem(tableList(tab), table);
        waitForOutcome(messages.shown().size(), [&] { return listedColumns(tab) == columns; });
        if (listedColumns(tab) != columns)
            return false;
        for (const QString& column : chosen) {
            if (tab == 0)
                clickItem(find<QListWidget>("lstColumns"), column);
            else
                clickCell(find<Grid>("lstUpdateColumns"), int(columns.indexOf(column)), 0);
        }
        return true;
    }
    void keepOldValue(const QString& column) {
        clickCell(find<Grid>("lstUpdateColumns"), int(listedColumns(1).indexOf(column)), 1);
    }
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
    // Name and description typed, GO clicked: true once the audit is listed as installed.
    bool go(int tab, const QString& name, const QString& description) {
        type(tab == 0 ? "txtNewTableName" : "txtUpdateNewTableName", name);
        type(tab == 0 ? "txtDescription" : "txtUpdateDescription", description);
        const qsizetype before = messages.shown().size();
        click(tab == 0 ? "cmdGo" : "cmdUpdateGo");
        waitForOutcome(before, [&] { return auditRow(name) >= 0; });
        return auditRow(name) >= 0;
    }

    // --- the installed audits, the viewer and the export window ---

    Grid* installed() const { return find<Grid>("grdInstalledAudits"); }
    int auditRow(const QString& name) const {
        for (int row = 0; row < installed()->rowCount(); ++row)
            if (installed()->cellText(row, 0) == name)
                return row;
        return -1;
    }
    QString auditListed(const QString& name) const {
        const int row = auditRow(name);
        if (row < 0)
            return QStringLiteral("not listed");
        QStringList cells;
        for (int column = 0; column < 4; ++column)
            cells << installed()->cellText(row, column);
        return cells.join(u'|');
    }
    // The audit's row clicked on the third tab, then the button; true once `outcome` holds.
    bool press(const QString& button, const QString& name, const std::function<bool()>& outcome) {
        showTab(2);
        const int row = auditRow(name);
        if (row < 0)
            return false;
        clickCell(installed(), row, 0);
        const qsizetype before = messages.shown().size();
        // The export window has a cmdExport of its own.
        QTest::mouseClick(mainWindow()->findChild<QAbstractButton*>(button), Qt::LeftButton);
        waitForOutcome(before, outcome);
        return outcome();
    }
    AuditViewerWindow* viewer() const { return frame->findChild<AuditViewerWindow*>(); }
    AuditExportWindow* exportWindow() const { return frame->findChild<AuditExportWindow*>(); }
    // In the export window: the format clicked, the file name typed, the button clicked; waits
    // until `messagesAfter` messages have been shown in all.
    bool exportAs(QAbstractButton* format, const QString& fileName, QAbstractButton* button,
                  qsizetype messagesAfter) {
        click(format);
        if (exportWindow()->fileNameBox()->isVisible())
            type(exportWindow()->fileNameBox(), fileName);
        QTest::mouseClick(button, Qt::LeftButton);
        return waitFor([&] { return messages.shown().size() >= messagesAfter; });
    }
};

} // namespace quorvex::testing
