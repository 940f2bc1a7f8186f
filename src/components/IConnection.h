#pragma once

#include "components/CursorType.h"
#include "components/DbErrorRecord.h"
#include "components/Recordset.h"

#include <QString>
#include <memory>

namespace quorvex {

enum class ConnectionState { Closed = 0, Open = 1 };

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

    // Asks the server to stop the statement this connection is running or reading right now;
    // that statement then fails with a DbException. Does nothing when none runs. The one call
    // another thread may make while the connection is in use.
    virtual void cancel() {}
};

// Makes new, closed connections: the back ends that open a connection per operation ask for
// one each time.
class IConnectionFactory {
public:
    virtual ~IConnectionFactory() = default;
    virtual std::unique_ptr<IConnection> createConnection() = 0;
};

} // namespace quorvex
