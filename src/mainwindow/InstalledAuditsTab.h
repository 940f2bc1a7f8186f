#pragma once

#include "mainwindow/AuditBackend.h"

#include <QFrame>
#include <QList>
#include <optional>

class QPushButton;

namespace quorvex {

class AuditViews;
class BackendCalls;
class Grid;
class MessageService;
class ProcessControl;

// The tab "Installed Audits" (Frame2): the audits of the back end's catalog with the actions on
// them, and what became of each (the listing's STATE column, shown beside the name; "broken"
// and "trigger missing" rows are coloured, and their cell says which). Disable, Enable and Delete
// act on the current row or on every selected row, as the back end's traits say, and run off the
// window's thread; View and Purge/Export open the windows of the audit's rows.
class InstalledAuditsTab : public QFrame {
    Q_OBJECT

public:
    InstalledAuditsTab(BackendCalls& calls, MessageService& messages, ProcessControl& process,
                       AuditViews* views, QWidget* parent = nullptr);

    Grid& installedAudits() const { return *m_grdInstalledAudits; }
    QPushButton* panicButton() const { return m_cmdPanic; }

    // Fills the grid from a listing, as the back end gave it.
    void show(const AuditListing& listing);

    void reload();
    void disableAudits();
    void enableAudits();
    void deleteAudits();
    void viewAudit();
    void exportAudit();
    void panic();
    // Makes the hidden Panic button visible for the rest of the window's life.
    void revealPanic();

private:
    // The rows Disable, Enable and Delete act on: the current row, or every selected row (maybe
    // none). Nothing when the current row is wanted and there is none.
    std::optional<QList<int>> targetRows() const;
    QList<InstalledAuditRow> rowTexts(const QList<int>& rows) const;
    using Action = std::optional<AuditListing> (AuditBackend::*)(const QList<InstalledAuditRow>&,
                                                                 MessageService&, TaskContext&);
    void act(const QString& what, Action action);
    void askAndDelete(const QList<InstalledAuditRow>& rows);
    void runDelete(const QList<InstalledAuditRow>& rows, AuditBackend::DeleteAnswer answer);
    // Ends the reads of the audits' rows, one after the other, then goes on.
    void release(QStringList names, std::function<void()> then);
    void showIfListed(const std::optional<AuditListing>& listing);

    BackendCalls& m_calls;
    MessageService& m_messages;
    ProcessControl& m_process;
    AuditViews* m_views = nullptr;
    Grid* m_grdInstalledAudits = nullptr;
    QPushButton* m_cmdDisable = nullptr;
    QPushButton* m_cmdEnable = nullptr;
    QPushButton* m_cmdDelete = nullptr;
    QPushButton* m_cmdView = nullptr;
    QPushButton* m_cmdExport = nullptr;
    QPushButton* m_cmdPanic = nullptr;
};

} // namespace quorvex
