#pragma once

#include "mainwindow/AuditBackend.h"
#include "mainwindow/ColumnInfo.h"
#include "sqlserver/SqlServerCatalog.h"

#include <memory>

namespace quorvex {

class AuditDataWindows;
struct PlatformServices;
class SqlServerSession;

// What the main window frmSqlMain asks of SQL Server: the start-up over the login's database,
// the tables and their columns, the audit catalog's actions on the current row and the save.
class SqlServerBackend : public AuditBackend {
public:
    SqlServerBackend(SqlServerSession& session, PlatformServices& services);
    ~SqlServerBackend() override;

    // The viewer and the export window that View and Purge/Export open.
    void setAuditDataWindows(std::unique_ptr<AuditDataWindows> windows);

    const MainWindowTraits& traits() const override { return m_traits; }

    // Opens the shared connection, prepares the audit catalog and lists the tables that can be
    // audited: no system table and none of the system's own tblZOTA_ tables.
    std::optional<QStringList> load(Grid& installedAudits) override;

    // On Babelfish: that triggers are created without encryption.
    QString notice() override;

    // Whether a table, as the catalogue names it ("schema.table" outside dbo), is one of the
    // system's own: an audit table or the catalog, in any letter case.
    static bool isOwnTable(const QString& table);

    // The chosen table becomes the current table; its columns are kept for the generators.
    QStringList listColumns(const QString& table) override;

    void listAudits(Grid& installedAudits) override;
    void disableAudits(Grid& installedAudits, const QList<int>& rows) override;
    void enableAudits(Grid& installedAudits, const QList<int>& rows) override;
    void deleteAudits(Grid& installedAudits, const QList<int>& rows, DeleteAnswer answer) override;

    SaveResult save(const AuditDefinition& definition) override;

    void viewAudit(Grid& installedAudits, QWidget* mainWindow) override;
    void exportAudit(Grid& installedAudits, QWidget* mainWindow) override;

    // The table last chosen on either tab and its catalogue; empty before the first choice.
    const QString& currentTable() const { return m_currentTable; }
    const ColumnInfoList& currentColumns() const { return m_currentColumns; }

private:
    void switchTriggers(Grid& installedAudits, const QList<int>& rows,
                        SqlServerCatalog::TriggerState state);
    static QList<SqlServerCatalog::InstalledAudit> auditsAt(const Grid& installedAudits,
                                                            const QList<int>& rows);

    SqlServerSession& m_session;
    PlatformServices& m_services;
    SqlServerCatalog m_catalog;
    MainWindowTraits m_traits; // the defaults are frmSqlMain's
    QString m_currentTable;
    ColumnInfoList m_currentColumns;
    std::unique_ptr<AuditDataWindows> m_dataWindows;
};

} // namespace quorvex
