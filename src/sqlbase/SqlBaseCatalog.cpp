#include "sqlbase/SqlBaseCatalog.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "components/StatementChain.h"
#include "components/TaskContext.h"
#include "sqlbase/SqlBaseAuditStates.h"
#include "sqlbase/SqlBaseLiteral.h"
#include "sqlbase/SqlBaseSession.h"

#include <QCoreApplication>

namespace quorvex::sqlbase {

namespace {

const QString kCommit = QStringLiteral("COMMIT");

QString catalogWhereName(const QString& objectName) {
    return QStringLiteral(" WHERE AUDIT_NAME = ") + sqlBaseStringLiteral(objectName);
}

QString setEnabledStatement(const QString& objectName, const QString& flag) {
    return QStringLiteral("UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = ") + sqlBaseStringLiteral(flag) +
           catalogWhereName(objectName);
}

QString readingCatalog() {
    return QCoreApplication::translate("SqlBaseCatalog", "Reading the audit catalog");
}

} // namespace

SqlBaseCatalog::SqlBaseCatalog(SqlBaseSession& session) : m_session(session) {}

QString SqlBaseCatalog::recordCountText(qint64 count) {
    if (count == 0)
        return QStringLiteral("NO RECORDS");
    return QString::number(count) + QStringLiteral(" RECORDS");
}

std::optional<qint64> SqlBaseCatalog::recordCount(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed == u"NO RECORDS")
        return 0;
    if (!trimmed.endsWith(QStringLiteral(" RECORDS")))
        return std::nullopt;
    bool number = false;
    const qint64 count = trimmed.chopped(8).toLongLong(&number);
    return number && count >= 0 ? std::optional<qint64>(count) : std::nullopt;
}

SqlBaseCatalog::Outcome SqlBaseCatalog::create() {
    try {
        m_session.execute(
            QStringLiteral("CREATE TABLE ZOTA_SYSTEM_TABLE (AUDIT_NAME VARCHAR(20),"
                           "AUDIT_DESCRIPTION VARCHAR(200), ENABLED CHAR(1)) PCTFREE 10"));
        m_session.execute(kCommit);
    } catch (const DbException& e) {
        if (m_session.isCancelled())
            return Outcome::Cancelled;
        m_session.messages().show(e.description());
        return Outcome::Failed;
    }
    return Outcome::Done;
}

std::optional<AuditListing> SqlBaseCatalog::list() {
    QueryRows audits;
    try {
        audits = m_session.read(
            QStringLiteral("Select AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED from ZOTA_SYSTEM_TABLE"));
    } catch (const DbException& e) {
        if (m_session.isCancelled())
            return std::nullopt;
        m_session.messages().show(sqlBaseReadFailure(e, readingCatalog()));
        return AuditListing{};
    }

    // The count goes in front of the three catalog columns, under an empty header.
    AuditListing listing;
    listing.fields.push_back(FieldInfo{});
    listing.fields.insert(listing.fields.end(), audits.fields.begin(), audits.fields.end());
    for (Row& row : audits.rows) {
        row.insert(row.begin(), FieldValue(QString()));
        listing.rows.push_back(std::move(row));
    }

    // Counted by the database: an audit table may hold millions of rows.
    TaskContext& task = m_session.task();
    const qint64 total = qint64(listing.rows.size());
    for (qint64 i = 0; i < total; ++i) {
        if (m_session.isCancelled())
            return std::nullopt;
        task.reportProgress(i, total);
        Row& row = listing.rows[std::size_t(i)];
        const QString name = cellText(row, 1);
        try {
            const QueryRows count = m_session.read(QStringLiteral("SELECT COUNT(*) FROM ") + name);
            const QString value = count.firstColumn().value(0);
            row[0] = recordCountText(value.toLongLong());
        } catch (const DbException& e) {
            if (m_session.isCancelled())
                return std::nullopt;
            m_session.messages().show(sqlBaseReadFailure(
                e, QCoreApplication::translate("SqlBaseCatalog", "Counting the rows of %1")
                       .arg(name)));
            break;
        }
    }
    task.reportProgress(total, total);
    if (!addStates(listing))
        return std::nullopt;
    return listing;
}

bool SqlBaseCatalog::addStates(AuditListing& listing) {
    std::vector<std::optional<AuditCheck>> checks;
    for (const Row& row : listing.rows) {
        if (m_session.isCancelled())
            return false;
        const QString name = cellText(row, 1).trimmed();
        try {
            checks.emplace_back(readSqlBaseAuditCheck(m_session, name));
        } catch (const DbException& e) {
            if (m_session.isCancelled())
                return false;
            // The rest stay without a state, as the counts do.
            m_session.messages().show(sqlBaseReadFailure(
                e, QCoreApplication::translate("SqlBaseCatalog", "Reading the state of %1")
                       .arg(name)));
            break;
        }
    }
    listing.addStates(std::move(checks));
    return true;
}

SqlBaseCatalog::Outcome SqlBaseCatalog::disable(const QString& objectName,
                                                const QString& enabledBefore) {
    return setEnabled(objectName, QStringLiteral("N"), QStringLiteral("DISABLE"), enabledBefore);
}

SqlBaseCatalog::Outcome SqlBaseCatalog::enable(const QString& objectName,
                                               const QString& enabledBefore) {
    return setEnabled(objectName, QStringLiteral("Y"), QStringLiteral("ENABLE"), enabledBefore);
}

SqlBaseCatalog::Outcome SqlBaseCatalog::setEnabled(const QString& objectName, const QString& flag,
                                                   const QString& action,
                                                   const QString& enabledBefore) {
    try {
        m_session.execute(setEnabledStatement(objectName, flag));
    } catch (const DbException& e) {
        if (m_session.isCancelled())
            return Outcome::Cancelled;
        m_session.messages().show(e.description());
        return Outcome::Failed;
    }
    try {
        m_session.execute(QStringLiteral("ALTER TRIGGER ") + objectName + u' ' + action);
    } catch (const DbException& e) {
        if (!m_session.isCancelled()) {
            m_session.messages().show(e.description());
            return Outcome::Failed;
        }
        // Cut short: the trigger is as it was, and so must the catalog be.
        const QString before = enabledBefore.trimmed();
        if (!before.isEmpty() && before != flag) {
            try {
                m_session.executeToTheEnd(setEnabledStatement(objectName, before));
            } catch (const DbException& undo) {
                m_session.messages().show(undo.description());
            }
        }
        return Outcome::Cancelled;
    }
    return Outcome::Done;
}

SqlBaseCatalog::Outcome SqlBaseCatalog::remove(const QString& objectName) {
    // The trigger goes first, and while it stands everything it calls stays: dropping the
    // procedure or the table under a live trigger would make every write to the audited table
    // fail. A trigger that is gone already (a delete that stopped half-way) lets the rest go.
    const StatementChain dropTrigger(
        {ChainStep{QStringLiteral("DROP TRIGGER ") + objectName, {}, {}},
         ChainStep{kCommit, {}, {}}});
    m_session.connection().setQueryTimeout(0);
    const ChainResult trigger = dropTrigger.run(m_session.connection(), &m_session.cancelToken());
    if (!trigger.completed()) {
        // A cancel before the trigger went leaves the whole audit in place.
        if (trigger.cancelled && trigger.failedStep == 0)
            return Outcome::Cancelled;
        if (triggerStillExists(objectName)) {
            if (trigger.cancelled)
                return Outcome::Cancelled;
            if (trigger.failure)
                m_session.messages().show(trigger.failure->description());
            return Outcome::Failed;
        }
    }

    // From here on nothing stops it, not even a cancel: an object already gone must not keep
    // the rest of the audit in place, and half an audit is worse than none.
    QStringList failures;
    const auto goOn = [&failures](const DbException& e) {
        failures << e.description();
        return true;
    };
    const StatementChain rest({
        ChainStep{QStringLiteral("DROP TABLE ") + objectName, {}, goOn},
        ChainStep{kCommit, {}, goOn},
        ChainStep{QStringLiteral("ERASE ") + objectName, {}, goOn},
        ChainStep{QStringLiteral("DELETE FROM ZOTA_SYSTEM_TABLE") + catalogWhereName(objectName),
                  {},
                  goOn},
    });
    m_session.connection().setQueryTimeout(0);
    rest.run(m_session.connection());
    for (const QString& failure : failures)
        m_session.messages().show(failure);
    return failures.isEmpty() ? Outcome::Done : Outcome::Failed;
}

bool SqlBaseCatalog::triggerStillExists(const QString& objectName) {
    try {
        return !m_session
                    .read(QStringLiteral("Select name from systriggers where name = ") +
                          sqlBaseStringLiteral(objectName))
                    .rows.empty();
    } catch (const DbException&) {
        return true; // cannot tell: keep everything
    }
}

} // namespace quorvex::sqlbase
