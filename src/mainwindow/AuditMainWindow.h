#pragma once

#include "mainwindow/AuditBackend.h"

#include <QWidget>

#include <memory>

class QTabWidget;

namespace quorvex {

class AuditViews;
class BackendCalls;
class InsertDeleteTab;
class WindowOperation;
class InstalledAuditsTab;
class UpdateTab;
struct PlatformServices;

// The main window (frmSqlMain on SQL Server, FRMCENMAIN on SQLBase): one design for both back
// ends, three tabs in one row. The window gathers what the user chose and calls its back end,
// one operation at a time off its thread; what differs between the back ends is in the back
// end's traits.
class AuditMainWindow : public QWidget {
    Q_OBJECT

public:
    // `views` (may be null) opens the windows of an audit's rows.
    AuditMainWindow(std::shared_ptr<AuditBackend> backend, PlatformServices& services,
                    AuditViews* views = nullptr, QWidget* parent = nullptr);
    ~AuditMainWindow() override;

    // What the back end's start-up found: the tables on both definition tabs, the installed
    // audits, and the notice in the caption.
    void present(const AuditBackend::Loaded& loaded);

    WindowOperation& operation() const { return *m_operation; }

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

    std::shared_ptr<AuditBackend> m_backend;
    PlatformServices& m_services;
    WindowOperation* m_operation = nullptr;
    std::unique_ptr<BackendCalls> m_calls;
    QTabWidget* m_ssTab1 = nullptr;
    InsertDeleteTab* m_insertDelete = nullptr;
    UpdateTab* m_update = nullptr;
    InstalledAuditsTab* m_installed = nullptr;
    bool m_shutDown = false;
};

} // namespace quorvex
