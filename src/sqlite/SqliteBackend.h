#pragma once

#include "mainwindow/RowActionBackend.h"

#include <memory>

namespace quorvex {
class IConnection;
class IConnectionFactory;
} // namespace quorvex

namespace quorvex::sqlite {

// What the main window asks of a SQLite database file. Every operation opens a connection of
// its own on the worker that runs it, watched by the task's cancel, and closes it at its end.
// The main window is SQL Server's (the current row of the installed audits is acted on).
class SqliteBackend : public RowActionBackend {
public:
    // `connections` must outlive the back end and make connections from any thread.
    SqliteBackend(IConnectionFactory& connections, QString databaseFile);
    ~SqliteBackend() override;

    static MainWindowTraits mainWindowTraits();

    const MainWindowTraits& traits() const override { return m_traits; }

    // Prepares the catalog; the notice names the file.
    std::optional<Loaded> load(MessageService& messages, TaskContext& task) override;
    std::optional<QStringList> listColumns(const QString& table, MessageService& messages,
                                           TaskContext& task) override;
    std::optional<AuditListing> listAudits(MessageService& messages, TaskContext& task) override;
    SaveResult save(const AuditDefinition& definition, MessageService& messages,
                    TaskContext& task) override;

private:
    std::unique_ptr<IConnection> connect(MessageService& messages);
    std::optional<AuditListing> actOnRows(const QList<InstalledAuditRow>& rows, AuditAction action,
                                          MessageService& messages, TaskContext& task) override;

    IConnectionFactory& m_connections;
    const QString m_file;
    const MainWindowTraits m_traits;
};

} // namespace quorvex::sqlite
