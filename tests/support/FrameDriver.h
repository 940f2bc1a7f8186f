#pragma once

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

// The program as a user runs it: the frame with the production launchers over real ODBC
// connections, the real windows, and only the message boxes, the desktop and "end the process"
// recorded. It drives the windows with clicks and typing and waits for what each action leads
// to, since the work behind a click may end on a worker after the click has returned. Each
// back end's stand adds its database and its way through the login.
class FrameDriver {
public:
    // How long an action may take before the test gives up on it.
    static constexpr int Patience = 20000;

    FrameDriver() : workingDirectory(folder.path()) {}
    virtual ~FrameDriver() { frame.reset(); } // the windows go before what they work on

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

    // --- the mouse and the keyboard ---

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

    // The back end's option clicked in the choice window, then OK.
    bool choose(QRadioButton* (SelectionWindow::*option)() const) {
        SelectionWindow* choice = frame->selectionWindow();
        if (choice == nullptr)
            return false;
        click((choice->*option)());
        click(choice->okButton());
        return true;
    }

    // --- the main window's definition tabs (0 insert/delete, 1 update) ---

    AuditMainWindow* mainWindow() const { return frame->findChild<AuditMainWindow*>(); }
    void showTab(int tab) {
        QTabBar* bar = mainWindow()->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
    }
    QListWidget* tableList(int tab) const {
        return find<QListWidget>(tab == 0 ? "lstAuditableTables" : "lstUpdateAuditableTables");
    }
    static QStringList listed(QListWidget* list) {
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    QStringList listedTables(int tab) const { return listed(tableList(tab)); }
    QStringList listedColumns(int tab) const {
        if (tab == 0)
            return listed(find<QListWidget>("lstColumns"));
        QStringList names;
        auto* grid = find<Grid>("lstUpdateColumns");
        for (int row = 0; row < grid->rowCount(); ++row)
            names << grid->cellText(row, 0);
        return names;
    }
    // The table clicked; once its columns are listed (those of the table before stay until
    // then), the chosen ones clicked. False when other columns were listed.
    bool chooseTable(int tab, const QString& table, const QStringList& columns,
                     const QStringList& chosen = {}) {
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
        beforeGo(name);
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
    // The audit's row as shown: "name|description|enabled|table", the table without the
    // padding a CHAR column gives it.
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
    // A button of the installed-audits tab pressed on the audit; true once `outcome` holds (or
    // false when a message came first).
    bool press(const QString& button, const QString& name, const std::function<bool()>& outcome) {
        if (!selectAudit(name))
            return false;
        const qsizetype before = messages.shown().size();
        // The export window has a cmdExport of its own.
        QTest::mouseClick(mainWindow()->findChild<QAbstractButton*>(button), Qt::LeftButton);
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
    // The viewer's grid, the captions first, values joined by "|".
    QStringList viewed() const {
        QStringList shown;
        const Grid* grid = viewer()->grid();
        for (int row = -1; row < grid->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < grid->colCount(); ++column)
                cells << grid->cellText(row, column);
            shown << cells.join(u'|');
        }
        return shown;
    }
    // Purge/Export pressed on the audit; waits for the export window, whose spreadsheets are
    // then saved in the working folder.
    bool openExport(const QString& name) {
        if (!press("cmdExport", name,
                   [&] { return exportWindow() != nullptr && exportWindow()->isVisible(); }))
            return false;
        exportWindow()->setSpreadsheetFolder(folder.path());
        return true;
    }
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
    QString inFolder(const QString& name) const { return folder.filePath(name); }

protected:
    void startFrame(std::function<QStringList()> servers) {
        frame =
            std::make_unique<MainFrame>(services, makeBackendLaunchers(state, std::move(servers)));
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()))
            qWarning("the frame was not shown");
    }
    // What a stand does as GO is pressed on an audit of that name.
    virtual void beforeGo(const QString&) {}
};

} // namespace quorvex::testing
