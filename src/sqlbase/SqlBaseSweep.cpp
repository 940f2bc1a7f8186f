#include "sqlbase/SqlBaseSweep.h"

#include "components/DbException.h"
#include "components/MessageService.h"
#include "components/TaskContext.h"
#include "sqlbase/SqlBaseSession.h"

#include <QCoreApplication>
#include <QStringList>

namespace quorvex::sqlbase {

namespace {

const QString kCatalogTable = QStringLiteral("ZOTA_SYSTEM_TABLE");

struct SweepPass {
    QString query;
    QString dropPrefix;
    QString what; // names the read when it times out
};

class Sweep {
public:
    explicit Sweep(SqlBaseSession& session) : m_session(session) {}

    void run() {
        dropTables();
        if (m_stopped && m_droppedTables.isEmpty())
            return; // nothing was dropped: nothing is left to tidy up
        // The triggers left on user tables next, then the procedures they called.
        removeFollowers({QStringLiteral("Select name from systriggers where name like 'ZOTA%'"),
                         QStringLiteral("Drop trigger "),
                         QCoreApplication::translate("SqlBaseSweep", "Reading the triggers")});
        removeFollowers({QStringLiteral("Select name from syscommands where name like 'ZOTA%'"),
                         QStringLiteral("Erase "),
                         QCoreApplication::translate("SqlBaseSweep", "Reading the procedures")});
    }

    bool complete() const { return m_complete && !m_stopped; }

private:
    // Tables first, the catalog among them. A cancel stops the sweep here, while the catalog
    // stands.
    void dropTables() {
        // The names are read before anything is dropped, so no cursor is open on the catalogue
        // while it changes.
        QStringList names;
        try {
            names = m_session
                        .read(QStringLiteral("Select name from systables where name like "
                                             "'ZOTA%'"))
                        .firstColumn();
        } catch (const DbException& e) {
            if (stoppedByCancel())
                return;
            failed(sqlBaseReadFailure(
                e, QCoreApplication::translate("SqlBaseSweep", "Reading the tables")));
        }
        for (const QString& name : names) {
            // Without the catalog the audits left could not be listed, nor deleted one by one:
            // once it is gone, every audit goes.
            const bool catalogGone = m_droppedTables.contains(kCatalogTable);
            if (!catalogGone && stoppedByCancel())
                return;
            step(name);
            const QString drop = QStringLiteral("Drop table ") + name;
            try {
                if (catalogGone)
                    m_session.executeToTheEnd(drop);
                else
                    m_session.execute(drop);
                m_droppedTables << name;
            } catch (const DbException& e) {
                if (!catalogGone && stoppedByCancel())
                    return;
                failed(e.description());
            }
        }
    }

    // Triggers or procedures. Those of a dropped table always go and are never cut short; the
    // others only while nobody has cancelled.
    void removeFollowers(const SweepPass& pass) {
        QStringList names;
        try {
            names = m_session.readToTheEnd(pass.query).firstColumn();
        } catch (const DbException& e) {
            failed(sqlBaseReadFailure(e, pass.what));
        }
        for (const QString& name : names) {
            const bool tableGone = m_droppedTables.contains(name);
            if (!tableGone && stoppedByCancel())
                continue;
            step(name);
            try {
                if (tableGone)
                    m_session.executeToTheEnd(pass.dropPrefix + name);
                else
                    m_session.execute(pass.dropPrefix + name);
            } catch (const DbException& e) {
                if (!tableGone && stoppedByCancel())
                    continue;
                failed(e.description());
            }
        }
    }

    bool stoppedByCancel() {
        if (m_session.isCancelled())
            m_stopped = true;
        return m_stopped;
    }

    void failed(const QString& message) {
        m_session.messages().show(message);
        m_complete = false;
    }

    void step(const QString& name) {
        m_session.task().reportStep(
            QCoreApplication::translate("SqlBaseSweep", "Removing %1").arg(name));
    }

    SqlBaseSession& m_session;
    QStringList m_droppedTables;
    bool m_complete = true;
    bool m_stopped = false;
};

} // namespace

bool sweepSqlBaseAuditObjects(SqlBaseSession& session) {
    Sweep sweep(session);
    sweep.run();
    return sweep.complete();
}

} // namespace quorvex::sqlbase
