#include "sqlite/SqliteCatalog.h"

#include "sqlite/SqliteAuditStates.h"

#include "components/CancelToken.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/Recordset.h"
#include "components/StatementChain.h"
#include "sqlite/SqliteAuditGenerator.h"
#include "sqlite/SqliteIdentifier.h"
#include "sqlite/SqliteSchema.h"
#include "sqlite/SqliteTransaction.h"

#include <QCoreApplication>

namespace quorvex::sqlite {

namespace {

constexpr int nameColumn = 0;
constexpr int triggerTableColumn = 3;

const QString disabledTriggerColumn = QStringLiteral("DISABLED_TRIGGER");

QString tr(const char* text) {
    return QCoreApplication::translate("SqliteCatalog", text);
}

QString catalog() {
    return SqliteIdentifier::quote(catalogTableName());
}

QString whereName(const QString& auditName) {
    return QStringLiteral(" WHERE \"AUDIT_NAME\" = ") + SqliteIdentifier::literal(auditName);
}

bool cancelled(const CancelToken* cancel) {
    return cancel != nullptr && cancel->isCancelled();
}

} // namespace

SqliteCatalog::SqliteCatalog(IConnection& connection, MessageService& messages)
    : m_connection(connection), m_messages(messages) {}

QString SqliteCatalog::addDisabledTriggerColumnStatement() {
    return QStringLiteral("ALTER TABLE ") + catalog() +
           QStringLiteral(" ADD COLUMN \"DISABLED_TRIGGER\" TEXT NULL");
}

QString SqliteCatalog::listStatement() {
    return QStringLiteral("SELECT \"AUDIT_NAME\", \"AUDIT_DESCRIPTION\", \"ENABLED\", "
                          "\"TRIGGERTABLE\" FROM ") +
           catalog();
}

QString SqliteCatalog::disabledTriggerQuery(const QString& auditName) {
    return QStringLiteral("SELECT \"DISABLED_TRIGGER\" FROM ") + catalog() + whereName(auditName);
}

QString SqliteCatalog::stateStatement(const QString& auditName, TriggerState state,
                                      const std::optional<QString>& keptTrigger) {
    return QStringLiteral("UPDATE ") + catalog() + QStringLiteral(" SET \"ENABLED\" = ") +
           (state == TriggerState::Enabled ? QStringLiteral("'Y'") : QStringLiteral("'N'")) +
           QStringLiteral(", \"DISABLED_TRIGGER\" = ") +
           (keptTrigger ? SqliteIdentifier::literal(*keptTrigger) : QStringLiteral("NULL")) +
           whereName(auditName);
}

QStringList SqliteCatalog::removeStatements(const QString& auditName) {
    return {QStringLiteral("DROP TRIGGER IF EXISTS ") +
                SqliteIdentifier::quote(triggerName(auditName)),
            QStringLiteral("DROP TABLE IF EXISTS ") +
                SqliteIdentifier::quote(auditTableName(auditName)),
            QStringLiteral("DELETE FROM ") + catalog() + whereName(auditName)};
}

QString SqliteCatalog::databaseInUseMessage() {
    return tr("The database is in use by another connection, which holds its write lock; "
              "nothing was changed. Try again when it is quiet.");
}

SqliteCatalog::InstalledAudit SqliteCatalog::auditAt(const InstalledAuditRow& row) {
    return {row.value(nameColumn), row.value(triggerTableColumn)};
}

std::optional<AuditListing> SqliteCatalog::ensure() {
    try {
        if (!SqliteSchema::hasTable(m_connection, catalogTableName())) {
            m_connection.execute(catalogCreateStatement());
        } else {
            bool kept = false;
            for (const ColumnInfo& column : SqliteSchema::columns(m_connection, catalogTableName()))
                kept = kept || SqliteIdentifier::sameName(column.name, disabledTriggerColumn);
            if (!kept)
                m_connection.execute(addDisabledTriggerColumnStatement());
        }
        return loadAudits();
    } catch (const DbException& e) {
        m_messages.show(tr("The audit catalog tblZOTA_SYSTEM_TABLE could not be read or "
                           "created:") +
                        QStringLiteral("\r\n\r\n") +
                        (e.isLockTimeout() ? databaseInUseMessage() : e.description()));
        return std::nullopt;
    }
}

std::optional<AuditListing> SqliteCatalog::list() {
    try {
        return loadAudits();
    } catch (const DbException& e) {
        m_messages.show(tr("The installed audits could not be listed:") +
                        QStringLiteral("\r\n\r\n") + e.description());
        return std::nullopt;
    }
}

AuditListing SqliteCatalog::loadAudits() {
    Recordset rows = m_connection.openRecordset(listStatement(), CursorType::ForwardOnly);
    AuditListing listing;
    listing.fields = rows.fields();
    for (; !rows.eof(); rows.moveNext())
        listing.rows.push_back(rows.currentRow());
    rows.close();
    // What became of each audit since its install, read in the same database.
    std::vector<std::optional<AuditCheck>> checks;
    for (const Row& row : listing.rows) {
        checks.push_back(readSqliteAuditCheck(m_connection, cellText(row, 0), cellText(row, 3),
                                              cellText(row, 2).trimmed() != QLatin1String("N")));
    }
    listing.addStates(std::move(checks));
    return listing;
}

std::optional<QString> SqliteCatalog::disabledTriggerText(IConnection& connection,
                                                          const QString& auditName) {
    Recordset rows = connection.openRecordset(disabledTriggerQuery(auditName));
    if (rows.eof())
        return std::nullopt;
    return rows.value(0);
}

void SqliteCatalog::reportUnchanged(const QString& what, const DbException& failure,
                                    CancelToken* cancel) {
    if (cancelled(cancel))
        return;
    m_messages.show(what + QStringLiteral("\r\n\r\n") +
                    (failure.isLockTimeout() ? databaseInUseMessage() : failure.description()));
}

bool SqliteCatalog::setTriggerState(const InstalledAudit& audit, TriggerState state,
                                    CancelToken* cancel) {
    const bool enable = state == TriggerState::Enabled;
    try {
        return switchTrigger(audit, state, cancel);
    } catch (const DbException& e) {
        reportUnchanged((enable ? tr("The audit %1 was not enabled; nothing was changed.")
                                : tr("The audit %1 was not disabled; nothing was changed."))
                            .arg(audit.name),
                        e, cancel);
        return false;
    }
}

bool SqliteCatalog::switchTrigger(const InstalledAudit& audit, TriggerState state,
                                  const CancelToken* cancel) {
    SqliteTransaction transaction(m_connection, cancel);
    const QString trigger = triggerName(audit.name);
    const std::optional<QString> installed = SqliteSchema::triggerText(m_connection, trigger);
    std::optional<QString> kept;
    {
        Recordset row = m_connection.openRecordset(disabledTriggerQuery(audit.name));
        if (row.eof()) {
            m_messages.show(
                tr("The audit %1 is not in tblZOTA_SYSTEM_TABLE any more.").arg(audit.name));
            return false;
        }
        kept = row.value(0);
    }

    if (state == TriggerState::Disabled) {
        if (installed) {
            m_connection.execute(stateStatement(audit.name, state, installed));
            m_connection.execute(QStringLiteral("DROP TRIGGER ") +
                                 SqliteIdentifier::quote(trigger));
        } else if (kept) {
            m_connection.execute(stateStatement(audit.name, state, kept)); // off already
        } else {
            m_messages.show(tr("The audit %1 has no trigger %2 on %3, and no copy of one was "
                               "kept, so there is nothing to disable.")
                                .arg(audit.name, trigger, audit.triggerTable));
            return false;
        }
    } else {
        if (!installed) {
            if (!kept) {
                m_messages.show(tr("The audit %1 cannot be enabled: its trigger %2 is gone and "
                                   "no copy of it was kept. Delete the audit and install it "
                                   "again.")
                                    .arg(audit.name, trigger));
                return false;
            }
            // A trigger whose audit table is gone would make every change of the audited
            // table fail.
            if (!SqliteSchema::hasTable(m_connection, auditTableName(audit.name))) {
                m_messages.show(
                    tr("The audit %1 cannot be enabled: its table %2 is gone, and "
                       "its trigger would make every change to %3 fail. Delete "
                       "the audit and install it again.")
                        .arg(audit.name, auditTableName(audit.name), audit.triggerTable));
                return false;
            }
            // The kept text is run as it is: it must make this audit's trigger and nothing else.
            if (!kept->trimmed().startsWith(QLatin1String("CREATE TRIGGER"), Qt::CaseInsensitive)) {
                m_messages.show(tr("The audit %1 cannot be enabled: what tblZOTA_SYSTEM_TABLE "
                                   "keeps in DISABLED_TRIGGER is not a trigger.")
                                    .arg(audit.name));
                return false;
            }
            m_connection.execute(*kept);
            if (!SqliteSchema::triggerText(m_connection, trigger)) {
                m_messages.show(tr("The audit %1 cannot be enabled: what tblZOTA_SYSTEM_TABLE "
                                   "keeps in DISABLED_TRIGGER does not make the trigger %2.")
                                    .arg(audit.name, trigger));
                return false;
            }
        }
        m_connection.execute(stateStatement(audit.name, state, std::nullopt));
    }
    transaction.commit();
    return true;
}

bool SqliteCatalog::remove(const InstalledAudit& audit, CancelToken* cancel) {
    try {
        SqliteTransaction transaction(m_connection, cancel);
        QList<ChainStep> steps;
        for (const QString& statement : removeStatements(audit.name))
            steps.append({statement, {}, {}});
        // Nothing to take back step by step: the transaction takes everything back. The
        // connection is watched by whoever runs the delete.
        const ChainResult result = StatementChain(steps).run(
            [this](const QString& statement) { m_connection.execute(statement); }, cancel, nullptr);
        if (result.failure)
            throw *result.failure;
        if (result.cancelled)
            return false;
        transaction.commit();
        return true;
    } catch (const DbException& e) {
        reportUnchanged(tr("The audit %1 was not deleted; nothing was changed.").arg(audit.name), e,
                        cancel);
        return false;
    }
}

} // namespace quorvex::sqlite
