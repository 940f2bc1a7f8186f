#pragma once

#include "mainwindow/RowActionBackend.h"
#include "sqlserver/SqlServerEngine.h"
#include "sqlserver/SqlServerLoginValues.h"

#include <atomic>
#include <memory>

namespace quorvex {

class IConnectionFactory;
class SqlServerSession;

// What the main window frmSqlMain asks of SQL Server: the start-up over the login's database,
// the tables and their columns, the audit catalog's actions on the current row and the save.
// Every operation works with connections of its own, made from the login values on the worker
// that runs it.
class SqlServerBackend : public RowActionBackend {
public:
    SqlServerBackend(IConnectionFactory& connections, SqlServerLoginValues login);
    ~SqlServerBackend() override;

    const MainWindowTraits& traits() const override { return m_traits; }

    // Prepares the audit catalog and lists the tables that can be audited: no system table and
    // none of the system's own tblZOTA_ tables. On Babelfish the notice says that triggers are
    // created without encryption.
    std::optional<Loaded> load(MessageService& messages, TaskContext& task) override;
    std::optional<QStringList> listColumns(const QString& table, MessageService& messages,
                                           TaskContext& task) override;
    std::optional<AuditListing> listAudits(MessageService& messages, TaskContext& task) override;
    SaveResult save(const AuditDefinition& definition, MessageService& messages,
                    TaskContext& task) override;

    // Whether a table, as the catalogue names it ("schema.table" outside dbo), is one of the
    // system's own: an audit table or the catalog, in any letter case.
    static bool isOwnTable(const QString& table);

    const SqlServerLoginValues& login() const { return m_login; }

private:
    // The operation's connections, the management connection connected; null when it could
    // not connect (told).
    std::unique_ptr<SqlServerSession> connect(MessageService& messages);
    std::optional<AuditListing> actOnRows(const QList<InstalledAuditRow>& rows, AuditAction action,
                                          MessageService& messages, TaskContext& task) override;

    IConnectionFactory& m_connections;
    const SqlServerLoginValues m_login;
    MainWindowTraits m_traits; // the defaults are frmSqlMain's
    // The server's product, asked once (-1: not yet).
    std::atomic<int> m_engine{-1};
};

} // namespace quorvex
