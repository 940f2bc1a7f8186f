#pragma once

#include "components/FieldInfo.h"
#include "mainwindow/AuditDefinition.h"
#include "mainwindow/AuditState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quorvex {

class MessageService;
class TaskContext;

// When the main window lists the columns of the table chosen in a table list.
enum class ColumnsListedWhen {
    MouseReleased,   // when the mouse button is released over the list (SQL Server)
    SelectionChanged // whenever the chosen item changes, by mouse or keyboard (SQLBase)
};

// Which rows of the installed-audits grid Disable, Enable and Delete act on.
enum class InstalledAuditRows {
    CurrentRow,  // SQL Server
    SelectedRows // SQLBase: every selected row, one question for all
};

// What Disable, Enable and Delete do to each audit they act on.
enum class AuditAction { Disable, Enable, Delete };

// Where the two back ends' main windows differ, as plain data the one window class reads.
struct MainWindowTraits {
    QString objectName = QStringLiteral("frmSqlMain"); // or "FRMCENMAIN"
    int clientHeightTwips = 9465;                      // 9015 on SQLBase
    int nameMaxLength = 25;                            // 13 on SQLBase
    bool upperCaseNamesOnExit = false;                 // SQLBase
    ColumnsListedWhen columnsListed = ColumnsListedWhen::MouseReleased;
    QString initialOldValueFlag = QStringLiteral("False"); // "false" on SQLBase
    bool addButtonsShowArrow = true;                       // caption only on SQLBase
    bool tooltips = false;                                 // SQLBase
    bool panicOnF12 = false;                               // SQLBase
    int installedAuditNameColumn = 0;                      // 1 on SQLBase (0 holds the count)
    InstalledAuditRows installedAuditRows = InstalledAuditRows::CurrentRow;
    bool resetClearsChangedFields = true; // the update tab's RESET empties the list (SQL Server)
    // The installed-audits grid's widths in pixels: the row-header column, then each column
    // (SQLBase: 17, 140, 140, 415, 63).
    QList<int> installedAuditWidths = {17, 140, 415, 63, 150};
    // After each listing the first row is current (SQLBase).
    bool currentRowAfterListing = false;
    // Whether audits can also record the login, host and application of each change; where
    // not, the check box is disabled and its tooltip gives the reason.
    bool recordsWho = true;
    QString recordsWhoUnavailableReason;
};

// What a save (GO) came to. On Saved the window clears the tab, then reloads the
// installed-audits grid. A save may de-select a column it refused, on either outcome.
struct SaveResult {
    enum class Outcome { Saved, NotSaved };
    Outcome outcome = Outcome::NotSaved;
    QString deselectColumn;
};

// The installed audits as the back end's catalog lists them, for the grid: its columns and
// its rows of texts (NULL as an empty value). The last column, STATE, says what became of each
// audit (auditStateText(); empty when it could not be read).
struct AuditListing {
    std::vector<FieldInfo> fields;
    std::vector<Row> rows;
    // Per row, in the same order: the state and what it was worked out from; empty where it
    // could not be read.
    std::vector<std::optional<AuditCheck>> checks;

    // Adds the STATE column, one check per row (fewer checks leave the last rows empty).
    void addStates(std::vector<std::optional<AuditCheck>> rowChecks);
};

// One row of the installed-audits grid, as the window read it: the texts of its cells.
using InstalledAuditRow = QStringList;

// What the main window asks of its back end, as plain values. Every operation that reaches the
// database runs on a worker thread (never on the window's), with a connection of its own, and
// may be cancelled through the task; its messages go to the MessageService it is handed (a log
// the window shows once the operation has ended), so a back end never asks a question in the
// middle of an operation. Operations of one window never overlap; a back end must still allow
// operations of different windows (a viewer, an export) to run at the same time as its own.
class AuditBackend {
public:
    virtual ~AuditBackend() = default;

    virtual const MainWindowTraits& traits() const = 0;

    // What the start-up hands the window.
    struct Loaded {
        QStringList tables;  // the tables that can be audited, in the order to list them
        AuditListing audits; // the installed audits
        QString notice;      // a remark on the server for the caption; empty: none
    };
    // Start-up: prepares the audit catalog, lists the installed audits and the tables that can
    // be audited. Empty when the start-up failed: the failure has been told, and the window is
    // not opened.
    virtual std::optional<Loaded> load(MessageService& messages, TaskContext& task) = 0;

    // The columns of a table in catalogue order. Empty when they could not be read (what the
    // back end had to say about it has been told); the window then keeps what it listed.
    virtual std::optional<QStringList> listColumns(const QString& table, MessageService& messages,
                                                   TaskContext& task) = 0;

    // Reloads the installed audits. Empty when they could not be read (told).
    virtual std::optional<AuditListing> listAudits(MessageService& messages, TaskContext& task) = 0;

    // The installed-audits actions on the rows the window picked (after installedAuditRows; the
    // window asks the delete question). They return the listing to show afterwards, or nothing
    // when the grid is to stay as it is.
    virtual std::optional<AuditListing> disableAudits(const QList<InstalledAuditRow>& rows,
                                                      MessageService& messages,
                                                      TaskContext& task) = 0;
    virtual std::optional<AuditListing> enableAudits(const QList<InstalledAuditRow>& rows,
                                                     MessageService& messages,
                                                     TaskContext& task) = 0;
    // Before the delete question; false ends the delete (nothing asked, nothing done).
    virtual bool prepareDelete(MessageService& messages, TaskContext& task) {
        (void)messages;
        (void)task;
        return true;
    }
    enum class DeleteAnswer { Yes, No };
    virtual std::optional<AuditListing> deleteAudits(const QList<InstalledAuditRow>& rows,
                                                     DeleteAnswer answer, MessageService& messages,
                                                     TaskContext& task) = 0;

    // GO on either tab; the definition's kind says which. A cancelled save takes back what it
    // had created.
    virtual SaveResult save(const AuditDefinition& definition, MessageService& messages,
                            TaskContext& task) = 0;

    // The name of the audit a row of the installed-audits grid shows (the viewer, the export
    // window and a delete that must first end a read of its rows go by it).
    virtual QString auditName(const InstalledAuditRow& row) const {
        return row.value(traits().installedAuditNameColumn).trimmed();
    }

    // SQLBase only: the hidden Panic button. The window asks panicQuestion() (Yes to go on),
    // runs panicSweep() on a worker, shows panicEndMessage() and ends the process.
    virtual QString panicQuestion() const { return {}; }
    virtual bool panicSweep(MessageService& messages, TaskContext& task) {
        (void)messages;
        (void)task;
        return false;
    }
    virtual QString panicEndMessage(bool swept) const {
        (void)swept;
        return {};
    }

    // SQLBase only: what the window's closing does on the database (run on a worker; the
    // window is gone by the time it ends).
    virtual void shutdown(MessageService& messages, TaskContext& task) {
        (void)messages;
        (void)task;
    }
};

} // namespace quorvex
