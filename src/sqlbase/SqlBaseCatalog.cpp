#include "sqlbase/SqlBaseCatalog.h"

#include "components/DbException.h"
#include "components/Grid.h"
#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseLiteral.h"

#include <memory>

namespace quorvex::sqlbase {

namespace {

const QString kCommit = QStringLiteral("COMMIT");

// Grid columns after the listing: the count in front of the three catalog columns.
constexpr int kCountColumn = 0;
constexpr int kNameColumn = 1;

QString catalogWhereName(const QString& objectName) {
    return QStringLiteral(" WHERE AUDIT_NAME = ") + sqlBaseStringLiteral(objectName);
}

QString recordCountText(qint64 count) {
    if (count == 0)
        return QStringLiteral("NO RECORDS");
    return QString::number(count) + QStringLiteral(" RECORDS");
}

} // namespace

SqlBaseCatalog::SqlBaseCatalog(PlatformServices& services, const SqlBaseLoginValues& login)
    : m_services(services), m_login(login) {}

SqlBaseCatalog::Outcome SqlBaseCatalog::create() {
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(m_services.connections, m_login, m_services.messages);
    if (!connection)
        return Outcome::NoConnection;
    try {
        connection->execute(
            QStringLiteral("CREATE TABLE ZOTA_SYSTEM_TABLE (AUDIT_NAME VARCHAR(20),"
                           "AUDIT_DESCRIPTION VARCHAR(200), ENABLED CHAR(1)) PCTFREE 10"));
        connection->execute(kCommit);
    } catch (const DbException& e) {
        m_services.messages.show(e.description());
        return Outcome::Failed;
    }
    connection->close();
    return Outcome::Done;
}

SqlBaseCatalog::Outcome SqlBaseCatalog::list(Grid& installedAudits) {
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(m_services.connections, m_login, m_services.messages);
    if (!connection)
        return Outcome::NoConnection;
    try {
        Recordset audits = connection->openRecordset(
            QStringLiteral("Select AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED from ZOTA_SYSTEM_TABLE"));
        installedAudits.loadRecordset(audits);
    } catch (const DbException& e) {
        installedAudits.clear();
        m_services.messages.show(e.description());
        return Outcome::Failed;
    }
    installedAudits.insertCols(kCountColumn, 1);
    installedAudits.setColWidth(Grid::HeaderIndex, 17);
    installedAudits.setColWidth(kCountColumn, 140);
    installedAudits.setColWidth(kNameColumn, 140);
    installedAudits.setColWidth(2, 415);
    installedAudits.setColWidth(3, 63);
    if (installedAudits.rowCount() > 0)
        installedAudits.setCurrentCell(0, kCountColumn);

    // Counted by the database: an audit table may hold millions of rows.
    for (int row = 0; row < installedAudits.rowCount(); ++row) {
        const QString name = installedAudits.cellText(row, kNameColumn);
        try {
            Recordset count =
                connection->openRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + name);
            const qint64 records = count.value(0).value_or(QString()).trimmed().toLongLong();
            installedAudits.setCellText(row, kCountColumn, recordCountText(records));
        } catch (const DbException& e) {
            m_services.messages.show(e.description());
            return Outcome::Failed;
        }
    }
    connection->close();
    return Outcome::Done;
}

SqlBaseCatalog::Outcome SqlBaseCatalog::disable(const QString& objectName) {
    return setEnabled(objectName, QStringLiteral("N"), QStringLiteral("DISABLE"));
}

SqlBaseCatalog::Outcome SqlBaseCatalog::enable(const QString& objectName) {
    return setEnabled(objectName, QStringLiteral("Y"), QStringLiteral("ENABLE"));
}

SqlBaseCatalog::Outcome SqlBaseCatalog::setEnabled(const QString& objectName, const QString& flag,
                                                   const QString& action) {
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(m_services.connections, m_login, m_services.messages);
    if (!connection)
        return Outcome::NoConnection;
    try {
        connection->execute(QStringLiteral("UPDATE ZOTA_SYSTEM_TABLE SET ENABLED = ") +
                            sqlBaseStringLiteral(flag) + catalogWhereName(objectName));
        connection->execute(QStringLiteral("ALTER TRIGGER ") + objectName + u' ' + action);
    } catch (const DbException& e) {
        m_services.messages.show(e.description());
        return Outcome::Failed;
    }
    connection->close();
    return Outcome::Done;
}

SqlBaseCatalog::Outcome SqlBaseCatalog::remove(const QString& objectName) {
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(m_services.connections, m_login, m_services.messages);
    if (!connection)
        return Outcome::NoConnection;
    // The trigger goes first, and while it stands everything it calls stays: dropping the
    // procedure or the table under a live trigger would make every write to the audited table
    // fail. A trigger that is gone already (a delete that stopped half-way) lets the rest go.
    try {
        connection->execute(QStringLiteral("DROP TRIGGER ") + objectName);
        connection->execute(kCommit);
    } catch (const DbException& e) {
        if (triggerStillExists(*connection, objectName)) {
            m_services.messages.show(e.description());
            connection->close();
            return Outcome::Failed;
        }
    }
    const QStringList statements = {
        QStringLiteral("DROP TABLE ") + objectName,
        kCommit,
        QStringLiteral("ERASE ") + objectName,
        QStringLiteral("DELETE FROM ZOTA_SYSTEM_TABLE") + catalogWhereName(objectName),
    };
    Outcome outcome = Outcome::Done;
    for (const QString& statement : statements) {
        try {
            connection->execute(statement);
        } catch (const DbException& e) {
            // An object already gone must not keep the rest of the audit in place.
            m_services.messages.show(e.description());
            outcome = Outcome::Failed;
        }
    }
    connection->close();
    return outcome;
}

bool SqlBaseCatalog::triggerStillExists(IConnection& connection, const QString& objectName) {
    try {
        Recordset rows =
            connection.openRecordset(QStringLiteral("Select name from systriggers where name = ") +
                                     sqlBaseStringLiteral(objectName));
        return !rows.eof();
    } catch (const DbException&) {
        return true; // cannot tell: keep everything
    }
}

} // namespace quorvex::sqlbase
