#pragma once

#include "mainwindow/AuditBackend.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseLoginValues.h"

#include <memory>

namespace quorvex {
class AuditDataWindows;
class IConnection;
struct PlatformServices;
} // namespace quorvex

namespace quorvex::sqlbase {

// What the one main window does on SQLBase (FRMCENMAIN). Every operation opens a connection of
// its own from the platform's factory and the login values, and closes it again.
class SqlBaseBackend : public AuditBackend {
public:
    SqlBaseBackend(PlatformServices& services, const SqlBaseLoginValues& login);
    ~SqlBaseBackend() override;

    // The viewer and the export window that View and Purge/Export open.
    void setAuditDataWindows(std::unique_ptr<AuditDataWindows> windows);

    const MainWindowTraits& traits() const override { return m_traits; }

    std::optional<QStringList> load(Grid& installedAudits) override;
    QStringList listColumns(const QString& table) override;
    void listAudits(Grid& installedAudits) override;
    void disableAudits(Grid& installedAudits, const QList<int>& rows) override;
    void enableAudits(Grid& installedAudits, const QList<int>& rows) override;
    bool prepareDelete() override;
    void deleteAudits(Grid& installedAudits, const QList<int>& rows, DeleteAnswer answer) override;
    SaveResult save(const AuditDefinition& definition) override;
    void viewAudit(Grid& installedAudits, QWidget* mainWindow) override;
    void exportAudit(Grid& installedAudits, QWidget* mainWindow) override;
    void panic() override;
    void shutdown() override;

private:
    using CatalogAction = SqlBaseCatalog::Outcome (SqlBaseCatalog::*)(const QString&);

    // Runs the action for the name in each row, then reloads the grid once. A connection that
    // cannot be opened ends it all: the report has been shown and another try would repeat it.
    void actOnRows(Grid& installedAudits, const QList<int>& rows, CatalogAction action);

    PlatformServices& m_services;
    const SqlBaseLoginValues& m_login;
    MainWindowTraits m_traits;
    SqlBaseCatalog m_catalog;
    // Opened before the delete question and held until the delete has ended.
    std::unique_ptr<IConnection> m_deleteConnection;
    std::unique_ptr<AuditDataWindows> m_dataWindows;
};

} // namespace quorvex::sqlbase
