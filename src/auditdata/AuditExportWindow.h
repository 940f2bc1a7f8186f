#pragma once

#include "auditdata/ExportFormat.h"
#include "auditdata/WindowPresenter.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace quorvex {

class AuditDataSource;
class AuditTable;
class DirectoryList;
class Grid;
class TaskContext;
class WindowOperation;
struct PlatformServices;

// The export and purge window (frmSqlExport, frmExport): writes the rows of the audit that is
// current in the main window's installed-audits grid to a CSV or XML file in the chosen folder
// or to a spreadsheet, deletes them (PURGE), or both (BOTH: in one transaction, exactly the rows
// the completed file holds are deleted; see AuditPurge). Every button reads the grid's current
// row when it is pressed. PURGE and BOTH ask first.
//
// The work runs on a worker with a connection of its own, as the window's one operation: the
// buttons are disabled meanwhile, after half a second a panel counts the rows written and
// offers Cancel, which stops the running statement: no file is left and nothing is deleted
// (unless a PURGE's delete had ended before the cancel reached it). Closing the window cancels
// a running operation too. The messages come once the operation has ended; the spreadsheet is
// opened after that.
//
// EXPORT with EXCEL saves the workbook in the temporary folder, readable by the user alone, and
// opens it; BOTH with EXCEL saves it in the chosen folder under the audit's name (numbered when
// that is taken), purges, then opens it.
//
// Drive1 lists the machine's mount points (a drive letter has no meaning here); choosing one
// opens its root in Dir1.
//
// Under them the buttons take all rows (optAllRows, the default) or only the rows recorded more
// than txtDays days before the server's current time (optOlderThan); PURGE and BOTH then delete
// only those, and their questions say so.
class AuditExportWindow : public QWidget {
    Q_OBJECT

public:
    AuditExportWindow(std::shared_ptr<AuditDataSource> source, Grid& installedAudits,
                      PlatformServices& services, WindowPresenter present = {},
                      QWidget* parent = nullptr);
    ~AuditExportWindow() override;

    // Shows the window (kept for the run) for this grid.
    void open(Grid& installedAudits);

    // The buttons: each asks what it needs, then starts its operation and returns.
    void exportAudit();    // EXPORT
    void purgeAudit();     // PURGE
    void exportAndPurge(); // BOTH

    // True when the last export finished with its file complete; false when it was refused,
    // failed or was cancelled (and while one runs).
    bool exportCompleted() const { return m_exportCompleted; }
    bool isBusy() const;
    WindowOperation& operation() const { return *m_operation; }

    // When an operation on this audit's rows runs: it is cancelled and `ready` is called once it
    // has ended and its connection is closed (true). Otherwise false, and nothing is kept of
    // `ready`.
    bool releaseAudit(const QString& auditName, std::function<void()> ready);

    // Runs before PURGE and BOTH start (after their question): lets a read of the audit's rows
    // elsewhere end first, so the delete does not wait on it; calls `go` to start.
    using BeforePurge = std::function<void(const QString& auditName, std::function<void()> go)>;
    void setBeforePurge(BeforePurge before) { m_beforePurge = std::move(before); }

    ExportFormat selectedFormat() const;
    // Where an export of this audit goes with the window's current choices.
    QString targetPath(const AuditTable& audit) const;

    // The folder EXPORT saves spreadsheets in before they are opened (the temporary folder).
    void setSpreadsheetFolder(const QString& folder) { m_spreadsheetFolder = folder; }
    const QString& spreadsheetFolder() const { return m_spreadsheetFolder; }
    // Fewer records to a sheet than the format allows (tests only).
    void setSpreadsheetRecordLimit(qint64 limit) { m_recordLimit = limit; }

    QComboBox* driveList() const { return m_Drive1; }
    DirectoryList* directoryList() const { return m_Dir1; }
    QLineEdit* fileNameBox() const { return m_txtFileName; }
    QRadioButton* csvOption() const { return m_optCSV; }
    QRadioButton* xmlOption() const { return m_optXML; }
    QRadioButton* excelOption() const { return m_optExcel; }
    QPushButton* exportButton() const { return m_cmdExport; }
    QPushButton* purgeButton() const { return m_cmdPurge; }
    QPushButton* bothButton() const { return m_cmdBoth; }
    QRadioButton* allRowsOption() const { return m_optAllRows; }
    QRadioButton* olderThanOption() const { return m_optOlderThan; }
    QSpinBox* daysBox() const { return m_txtDays; }

Q_SIGNALS:
    // After a purge, and after an export that failed: the audit's rows may have changed.
    void auditRowsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Shared;

    void buildControls();
    void fillDrives();
    void chooseDrive(int index);
    void showFileNameFor(ExportFormat format);

    // The audit of the grid's current row, or nothing (a message has been shown when needed).
    std::optional<AuditTable> currentAudit();
    // EXPORT and BOTH: the audit to write in `format`; nothing when the window is busy, the
    // file has no name (said) or no audit is chosen.
    std::optional<AuditTable> auditToExport(ExportFormat format);
    // PURGE and BOTH: `start` once what must end first has ended.
    void startPurging(const AuditTable& audit, std::function<void()> start);
    // Starts the window's operation on the audit; `ended` runs on the window's thread after it.
    void run(const AuditTable& audit, const QString& what, std::function<void(TaskContext&)> work,
             std::function<void()> ended);
    void exportEnded(Shared& shared, ExportFormat format, const QString& target);
    void purgeEnded(Shared& shared);
    void bothEnded(Shared& shared, ExportFormat format, const QString& target);
    // BOTH with the spreadsheet: the audit's name in the chosen folder, numbered when taken.
    QString freeWorkbookPath(const AuditTable& audit) const;
    void openWorkbook(const QString& path);

    std::shared_ptr<AuditDataSource> m_source;
    QPointer<Grid> m_installedAudits;
    PlatformServices& m_services;
    WindowPresenter m_present;
    QString m_spreadsheetFolder;
    qint64 m_recordLimit = 0;
    bool m_exportCompleted = false;
    WindowOperation* m_operation = nullptr;
    QString m_busyAudit; // the audit whose rows the running operation works on
    BeforePurge m_beforePurge;
    bool m_purgeWaiting = false;                    // a PURGE or BOTH waits for another read to end
    std::vector<std::function<void()>> m_whenEnded; // releaseAudit's callers

    QComboBox* m_Drive1 = nullptr;
    DirectoryList* m_Dir1 = nullptr;
    QLineEdit* m_txtFileName = nullptr;
    QRadioButton* m_optCSV = nullptr;
    QRadioButton* m_optXML = nullptr;
    QRadioButton* m_optExcel = nullptr;
    QPushButton* m_cmdExport = nullptr;
    QPushButton* m_cmdPurge = nullptr;
    QPushButton* m_cmdBoth = nullptr;
    QRadioButton* m_optAllRows = nullptr;
    QRadioButton* m_optOlderThan = nullptr;
    QSpinBox* m_txtDays = nullptr;
};

} // namespace quorvex
