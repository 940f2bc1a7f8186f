#include "sqlite/SqliteBackend.h"

#include "components/CancelToken.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/TaskContext.h"
#include "sqlite/SqliteAuditGenerator.h"
#include "sqlite/SqliteCatalog.h"
#include "sqlite/SqliteConnection.h"
#include "sqlite/SqliteCreationFlow.h"
#include "sqlite/SqliteSchema.h"

#include <QCoreApplication>
#include <QDir>

namespace quorvex::sqlite {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SqliteBackend", text);
}

// Closes the operation's connection however the operation ends, after its watch has gone.
struct Session {
    std::unique_ptr<IConnection> connection;
    std::optional<CancelToken::Watch> watch;

    Session(std::unique_ptr<IConnection> opened, TaskContext& task)
        : connection(std::move(opened)) {
        if (connection)
            watch.emplace(task.cancelToken(), *connection);
    }
    ~Session() {
        watch.reset();
        if (connection)
            connection->close();
    }
    explicit operator bool() const { return connection != nullptr; }
    IConnection& operator*() const { return *connection; }
};

} // namespace

SqliteBackend::SqliteBackend(IConnectionFactory& connections, QString databaseFile)
    : m_connections(connections), m_file(std::move(databaseFile)), m_traits(mainWindowTraits()) {}

SqliteBackend::~SqliteBackend() = default;

MainWindowTraits SqliteBackend::mainWindowTraits() {
    MainWindowTraits traits;
    traits.objectName = QStringLiteral("frmSqliteMain");
    traits.recordsWho = false;
    traits.recordsWhoUnavailableReason = recordWhoUnavailableMessage();
    return traits;
}

std::unique_ptr<IConnection> SqliteBackend::connect(MessageService& messages) {
    return openSqliteConnection(m_connections, m_file, messages);
}

std::optional<AuditBackend::Loaded> SqliteBackend::load(MessageService& messages,
                                                        TaskContext& task) {
    Session session(connect(messages), task);
    if (!session)
        return std::nullopt;
    std::optional<AuditListing> audits = SqliteCatalog(*session, messages).ensure();
    if (!audits)
        return std::nullopt;
    Loaded loaded;
    loaded.audits = std::move(*audits);
    try {
        loaded.tables = SqliteSchema::tables(*session);
    } catch (const DbException& e) {
        if (!task.isCancelled())
            messages.show(
                tr("The tables of %1 could not be listed:").arg(QDir::toNativeSeparators(m_file)) +
                QStringLiteral("\r\n\r\n") + e.description());
        return std::nullopt;
    }
    loaded.notice = QStringLiteral("SQLite ") + QDir::toNativeSeparators(m_file);
    return loaded;
}

std::optional<QStringList> SqliteBackend::listColumns(const QString& table,
                                                      MessageService& messages, TaskContext& task) {
    if (table.isEmpty())
        return QStringList();
    Session session(connect(messages), task);
    if (!session)
        return std::nullopt;
    try {
        QStringList names;
        for (const ColumnInfo& column : SqliteSchema::columns(*session, table))
            names << column.name;
        return names;
    } catch (const DbException& e) {
        if (!task.isCancelled())
            messages.show(tr("The columns of %1 could not be read:").arg(table) +
                          QStringLiteral("\r\n\r\n") + e.description());
        return std::nullopt;
    }
}

std::optional<AuditListing> SqliteBackend::listAudits(MessageService& messages, TaskContext& task) {
    Session session(connect(messages), task);
    if (!session)
        return std::nullopt;
    return SqliteCatalog(*session, messages).list();
}

std::optional<AuditListing> SqliteBackend::actOnRows(const QList<InstalledAuditRow>& rows,
                                                     AuditAction action, MessageService& messages,
                                                     TaskContext& task) {
    if (rows.isEmpty())
        return std::nullopt;
    Session session(connect(messages), task);
    if (!session)
        return std::nullopt;
    SqliteCatalog catalog(*session, messages);
    CancelToken* cancel = &task.cancelToken();
    for (const InstalledAuditRow& row : rows) {
        if (task.isCancelled())
            break;
        const SqliteCatalog::InstalledAudit audit = SqliteCatalog::auditAt(row);
        if (action == AuditAction::Delete)
            catalog.remove(audit, cancel);
        else
            catalog.setTriggerState(audit,
                                    action == AuditAction::Disable
                                        ? SqliteCatalog::TriggerState::Disabled
                                        : SqliteCatalog::TriggerState::Enabled,
                                    cancel);
    }
    return catalog.list();
}

SaveResult SqliteBackend::save(const AuditDefinition& definition, MessageService& messages,
                               TaskContext& task) {
    Session session(connect(messages), task);
    if (!session)
        return {};
    return saveSqliteAudit(definition, *session, messages, &task.cancelToken());
}

} // namespace quorvex::sqlite
