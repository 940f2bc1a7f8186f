#pragma once

#include <QFrame>
#include <QList>
#include <optional>

class QPushButton;

namespace quorvex {

class AuditBackend;
class Grid;
class MessageService;

// The tab "Installed Audits" (Frame2): the audits of the back end's catalog with the actions on
// them. Disable, Enable and Delete act on the current row or on every selected row, as the back
// end's traits say; View and Purge/Export open the back end's windows, owned by the main window.
class InstalledAuditsTab : public QFrame {
    Q_OBJECT

public:
    InstalledAuditsTab(AuditBackend& backend, MessageService& messages, QWidget& mainWindow,
                       QWidget* parent = nullptr);

    Grid& installedAudits() const { return *m_grdInstalledAudits; }
    QPushButton* panicButton() const { return m_cmdPanic; }

    void reload();
    void disableAudits();
    void enableAudits();
    void deleteAudits();
    void viewAudit();
    void exportAudit();
    // Makes the hidden Panic button visible for the rest of the window's life.
    void revealPanic();

private:
    // The rows Disable, Enable and Delete act on: the current row, or every selected row (maybe
    // none). Nothing when the current row is wanted and there is none.
    std::optional<QList<int>> targetRows() const;

    AuditBackend& m_backend;
    MessageService& m_messages;
    QWidget& m_mainWindow;
    Grid* m_grdInstalledAudits = nullptr;
    QPushButton* m_cmdDisable = nullptr;
    QPushButton* m_cmdEnable = nullptr;
    QPushButton* m_cmdDelete = nullptr;
    QPushButton* m_cmdView = nullptr;
    QPushButton* m_cmdExport = nullptr;
    QPushButton* m_cmdPanic = nullptr;
};

} // namespace quorvex
