#pragma once

#include "components/CursorType.h"
#include "components/DbErrorRecord.h"
#include "components/DbException.h"
#include "components/Recordset.h"

#include <QString>
#include <memory>

namespace quorvex {

enum class ConnectionState { Closed = 0, Open = 1 };

// How a transaction sees the rows other sessions change while it runs.
enum class TransactionIsolation {
    DriverDefault,  // what the connection already has
    RepeatableRead, // a row read stays as read, and no other session changes or deletes it,
                    // until the transaction ends (the driver's repeatable read or stronger)
};

// A connection to one database, as the back ends use it: open it with a connection string,
// read through result sets, send statements. The ODBC layer implements it for real drivers;
// tests put a scripted fake behind it.
class IConnection {
public:
    virtual ~IConnection() = default;

    // Seconds to wait for the server when opening; 0 waits without limit. Unset: the driver's
    // default. Takes effect at the next open.
    virtual void setConnectionTimeout(int seconds) = 0;

    // Opens with a connection string of a back end ("Provider=SQLOLEDB.1;...",
    // "Provider=SQLBASEOLEDB.1;...") or a plain ODBC connection string. Returns false when it
    // fails; errors() then holds every record the driver reported, in order.
    virtual bool open(const QString& connectionString) = 0;
    virtual ConnectionState state() const = 0;
    // Closes open result sets' statements and the connection; harmless when closed.
    virtual void close() = 0;
    // The records of the last failure on this connection (open, statement or fetch).
    virtual const DbErrorList& errors() const = 0;

    // Runs a query and returns its rows; a statement that returns no rows simply runs and gives
    // a recordset with no fields. Throws DbException.
    virtual Recordset openRecordset(const QString& statement,
                                    CursorType cursor = CursorType::ForwardOnly) = 0;
    // Runs a statement and reads no rows. Throws DbException.
    virtual void execute(const QString& statement) = 0;

    // Seconds a statement may run before the driver gives up on it (0: no limit, the default);
    // takes effect for statements started afterwards.
    virtual void setQueryTimeout(int seconds) { (void)seconds; }

    // Asks the server to stop the statement this connection is running or reading right now;
    // that statement then fails with a DbException. When no call is under way at that moment,
    // the connection's next call fails instead, unless clearCancel() comes first. The one call
    // another thread may make while the connection is in use.
    virtual void cancel() {}
    // Forgets a cancel that no call has taken yet.
    virtual void clearCancel() {}

    // --- transactions (a connection that has none refuses to begin one) ---
    // From here on the statements take effect together at commit(), or not at all: at
    // rollback(), at close(), or when the connection ends in any other way. Throws DbException
    // (also when a transaction is open already, or the isolation cannot be had).
    virtual void beginTransaction(TransactionIsolation isolation) {
        (void)isolation;
        throw DbException::single(QStringLiteral("This connection has no transactions."),
                                  QStringLiteral("HYC00"));
    }
    // Makes the transaction's changes permanent; statements commit one by one again after it.
    // Throws DbException when the commit fails; the transaction is then still open, for
    // rollback().
    virtual void commit() {
        throw DbException::single(QStringLiteral("No transaction is open."),
                                  QStringLiteral("25000"));
    }
    // Undoes the transaction's changes. Never fails: a connection that cannot roll back is
    // closed, and the server undoes the transaction as the connection ends.
    virtual void rollback() noexcept {}
    virtual bool inTransaction() const { return false; }
    // Runs a statement, reads no rows and returns the number of rows it changed (-1 when the
    // driver does not tell). Throws DbException.
    virtual qint64 executeCounted(const QString& statement) {
        execute(statement);
        return -1;
    }
};

// Makes new, closed connections: the back ends that open a connection per operation ask for
// one each time.
class IConnectionFactory {
public:
    virtual ~IConnectionFactory() = default;
    virtual std::unique_ptr<IConnection> createConnection() = 0;
};

} // namespace quorvex
