#pragma once

#include <QWidget>

class QTabWidget;

namespace quorvex {

class AuditBackend;
class InsertDeleteTab;
class InstalledAuditsTab;
class UpdateTab;
struct PlatformServices;

// The main window (frmSqlMain on SQL Server, FRMCENMAIN on SQLBase): one design for both back
// ends, three tabs in one row. The window gathers what the user chose and calls its back end;
// what differs between the back ends is in the back end's traits.
class AuditMainWindow : public QWidget {
    Q_OBJECT

public:
    AuditMainWindow(AuditBackend& backend, PlatformServices& services, QWidget* parent = nullptr);
    ~AuditMainWindow() override;

    // The start-up: the back end prepares its catalog and lists the installed audits, and the
    // window lists the tables on both definition tabs. False when the start-up failed (the
    // back end has said why): the caller then discards the window instead of showing it.
    bool start();

    QTabWidget* tabs() const { return m_ssTab1; }
    InsertDeleteTab* insertDeleteTab() const { return m_insertDelete; }
    UpdateTab* updateTab() const { return m_update; }
    InstalledAuditsTab* installedAuditsTab() const { return m_installed; }

protected:
    // F12 reaches the window before any control that has the focus (SQLBase).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void watchKeys(QWidget* widget);

    AuditBackend& m_backend;
    QTabWidget* m_ssTab1 = nullptr;
    InsertDeleteTab* m_insertDelete = nullptr;
    UpdateTab* m_update = nullptr;
    InstalledAuditsTab* m_installed = nullptr;
    bool m_shutDown = false;
};

} // namespace quorvex
