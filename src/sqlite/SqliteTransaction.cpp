#include "sqlite/SqliteTransaction.h"

#include "components/CancelToken.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"

#include <QElapsedTimer>

namespace quorvex::sqlite {

SqliteTransaction::SqliteTransaction(IConnection& connection, const CancelToken* cancel)
    : m_connection(connection), m_cancel(cancel) {
    untilNotBusy(beginStatement());
    m_open = true;
}

SqliteTransaction::~SqliteTransaction() {
    rollback();
}

void SqliteTransaction::untilNotBusy(const char* statement) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            m_connection.execute(QString::fromLatin1(statement));
            return;
        } catch (const DbException& e) {
            // A busy database leaves the transaction as it was (not begun, still open before
            // COMMIT), so the statement can be tried again.
            const bool cancelled = m_cancel != nullptr && m_cancel->isCancelled();
            if (!e.isLockTimeout() || cancelled || waited.elapsed() >= lockTimeoutMilliseconds)
                throw;
        }
    }
}

void SqliteTransaction::commit() {
    if (!m_open)
        return;
    untilNotBusy("COMMIT");
    m_open = false;
}

void SqliteTransaction::rollback() noexcept {
    if (!m_open)
        return;
    m_open = false;
    try {
        m_connection.execute(QStringLiteral("ROLLBACK"));
    } catch (const DbException& e) {
        // SQLite ends a transaction by itself after some failures; there is nothing left to
        // take back then. Anything else: the connection goes, and the journal takes it back.
        if (e.description().contains(QLatin1String("no transaction is active")))
            return;
        try {
            m_connection.close();
        } catch (...) {
        }
    } catch (...) {
        try {
            m_connection.close();
        } catch (...) {
        }
    }
}

} // namespace quorvex::sqlite
