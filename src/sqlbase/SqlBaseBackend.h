#pragma once

#include "mainwindow/RowActionBackend.h"
#include "sqlbase/SqlBaseLoginValues.h"

#include <memory>
#include <mutex>

namespace quorvex {
class IConnection;
class IConnectionFactory;
} // namespace quorvex

namespace quorvex::sqlbase {

class SqlBaseCatalog;
class SqlBaseSession;

// What the one main window does on SQLBase (FRMCENMAIN), off the window's thread. Every
// operation opens a connection of its own from the factory and the login values, on the worker
// that runs it, and closes it at its end; only Delete keeps the connection it opened before its
// question for the removal that follows. The object may be used from any thread, by one
// operation at a time.
class SqlBaseBackend : public RowActionBackend {
public:
    // `connections` must outlive the back end and make connections from any thread.
    SqlBaseBackend(IConnectionFactory& connections, SqlBaseLoginValues login);
    ~SqlBaseBackend() override;

    // The differences of FRMCENMAIN from the SQL Server main window.
    static MainWindowTraits mainWindowTraits();

    const SqlBaseLoginValues& login() const { return m_login; }

    const MainWindowTraits& traits() const override { return m_traits; }

    std::optional<Loaded> load(MessageService& messages, TaskContext& task) override;
    // An empty table name lists nothing, without asking the database.
    std::optional<QStringList> listColumns(const QString& table, MessageService& messages,
                                           TaskContext& task) override;
    std::optional<AuditListing> listAudits(MessageService& messages, TaskContext& task) override;

    // Opens the connection the delete will use, before the question, and keeps it until
    // deleteAudits() (which may run on another worker) or the back end's end.
    bool prepareDelete(MessageService& messages, TaskContext& task) override;
    // Yes deletes every row's audit; both answers reload the listing.
    std::optional<AuditListing> deleteAudits(const QList<InstalledAuditRow>& rows,
                                             DeleteAnswer answer, MessageService& messages,
                                             TaskContext& task) override;

    SaveResult save(const AuditDefinition& definition, MessageService& messages,
                    TaskContext& task) override;

    QString panicQuestion() const override;
    // Removes every ZOTA object; true when everything went.
    bool panicSweep(MessageService& messages, TaskContext& task) override;
    QString panicEndMessage(bool swept) const override;

    void shutdown(MessageService& messages, TaskContext& task) override;

private:
    // Disable, Enable and Delete act on every row given (the name in column 1, the ENABLED the
    // grid showed in column 3), then reload the listing once, also when some failed. A
    // connection that cannot be opened ends it: the report has been told, and the grid stays.
    // A cancel stops between audits (see SqlBaseCatalog for what happens to the one at hand),
    // tells what was done and what not, and leaves the grid as it is.
    std::optional<AuditListing> actOnRows(const QList<InstalledAuditRow>& rows, AuditAction action,
                                          MessageService& messages, TaskContext& task) override;
    // Runs the action for each row's audit on the operation's session, then reloads the
    // listing on it.
    std::optional<AuditListing>
    actOnSession(SqlBaseSession& session, const QList<InstalledAuditRow>& rows, AuditAction action);
    std::unique_ptr<SqlBaseSession> openSession(MessageService& messages, TaskContext& task);

    IConnectionFactory& m_connections;
    const SqlBaseLoginValues m_login;
    const MainWindowTraits m_traits;
    // Opened before the delete question and held until the delete has ended. The operations of
    // one window never overlap; the lock makes the hand-over between their threads plain.
    std::mutex m_deleteMutex;
    std::unique_ptr<IConnection> m_deleteConnection;
};

} // namespace quorvex::sqlbase
