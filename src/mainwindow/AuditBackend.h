#pragma once

#include "mainwindow/AuditDefinition.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace quorvex {

class Grid;

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
};

// What a save (GO) came to. On Saved the window clears the tab, then reloads the
// installed-audits grid. A save may de-select a column it refused, on either outcome.
struct SaveResult {
    enum class Outcome { Saved, NotSaved };
    Outcome outcome = Outcome::NotSaved;
    QString deselectColumn;
};

// What the main window asks of its back end. Every message a back end shows goes through the
// platform's MessageService; a method that "fails" has already shown what the user needs.
class AuditBackend {
public:
    virtual ~AuditBackend() = default;

    virtual const MainWindowTraits& traits() const = 0;

    // Start-up: prepares the audit catalog, fills the installed-audits grid and returns the
    // tables that can be audited, in the order to list them. Empty when the start-up failed:
    // the failure has been shown and the window closes.
    virtual std::optional<QStringList> load(Grid& installedAudits) = 0;

    // A remark on the server that the window shows in its caption once loaded; empty: none.
    virtual QString notice() { return {}; }

    // The columns of a table in catalogue order (on SQL Server it also becomes the current
    // table the generators read). An empty table name lists nothing. On failure returns what
    // was listed before it (the back end decides whether to tell the user).
    virtual QStringList listColumns(const QString& table) = 0;

    // Reloads the installed-audits grid.
    virtual void listAudits(Grid& installedAudits) = 0;

    // The installed-audits actions on the given rows of the grid (the window picks the rows
    // after installedAuditRows and asks the delete question). The back end reads the name and
    // whatever else it needs from the rows, and reloads the grid afterwards.
    virtual void disableAudits(Grid& installedAudits, const QList<int>& rows) = 0;
    virtual void enableAudits(Grid& installedAudits, const QList<int>& rows) = 0;
    // Called before the delete question; false ends the delete (nothing asked, nothing done).
    virtual bool prepareDelete() { return true; }
    // After Yes (confirmed) or No (not confirmed): SQLBase reloads in both cases.
    enum class DeleteAnswer { Yes, No };
    virtual void deleteAudits(Grid& installedAudits, const QList<int>& rows,
                              DeleteAnswer answer) = 0;

    // GO on either tab; the definition's kind says which.
    virtual SaveResult save(const AuditDefinition& definition) = 0;

    // View and Purge/Export: the window passes the grid and itself as the owner of the window
    // the back end opens.
    virtual void viewAudit(Grid& installedAudits, QWidget* mainWindow) = 0;
    virtual void exportAudit(Grid& installedAudits, QWidget* mainWindow) = 0;

    // SQLBase only: the hidden Panic button, and the shutdown when the window is closed.
    virtual void panic() {}
    virtual void shutdown() {}
};

} // namespace quorvex
