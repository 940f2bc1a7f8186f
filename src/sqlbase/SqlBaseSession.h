#pragma once

#include "components/CursorType.h"
#include "components/FieldInfo.h"
#include "sqlbase/SqlBaseLoginValues.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace quorvex {
class CancelToken;
class DbException;
class IConnection;
class IConnectionFactory;
class MessageService;
class TaskContext;
} // namespace quorvex

namespace quorvex::sqlbase {

// The rows of one query, read whole.
struct QueryRows {
    std::vector<FieldInfo> fields;
    std::vector<Row> rows;

    // The first column of every row, without the blanks a CHAR column pads with.
    QStringList firstColumn() const;
};

// One operation's connection and what the operation reports to. Every SQLBase operation opens
// one of its own on the worker that runs it and lets it go at its end, which closes it. Reads of
// the catalogue give up after catalogueQueryTimeoutSeconds; statements that change something
// wait as long as the database's lock time-out lets them. While a statement runs, the task's
// cancel token watches the connection, so a cancel ends a wait on the server at once, except
// for the statements that must never be cut short (taking back what was done).
class SqlBaseSession {
public:
    // Opens a connection from the login values, giving up on a silent server after
    // loginTimeoutSeconds. Null when it could not be opened: the provider's error list has been
    // told.
    static std::unique_ptr<SqlBaseSession> open(IConnectionFactory& connections,
                                                const SqlBaseLoginValues& login,
                                                MessageService& messages, TaskContext& task);

    // An open connection taken over from an earlier operation (a connection may serve several
    // threads one after the other, never two at once).
    SqlBaseSession(std::unique_ptr<IConnection> connection, MessageService& messages,
                   TaskContext& task);
    ~SqlBaseSession();
    SqlBaseSession(const SqlBaseSession&) = delete;
    SqlBaseSession& operator=(const SqlBaseSession&) = delete;

    // A read of the catalogue, every row of it, under the query time-out and the cancel token.
    // Throws DbException.
    QueryRows read(const QString& query, CursorType cursor = CursorType::ForwardOnly);
    // The same read, never cut short (what must be tidied up after a cancel depends on it).
    QueryRows readToTheEnd(const QString& query);
    // A statement that changes something, cut short by a cancel. Throws DbException.
    void execute(const QString& statement);
    // A statement that must run to its end whatever the user asks meanwhile. Throws DbException.
    void executeToTheEnd(const QString& statement);

    // Whether the user asked to cancel. A cancel asked before a statement starts does not stop
    // that statement: the work looks here at every point where it can stop cleanly.
    bool isCancelled() const;

    IConnection& connection() { return *m_connection; }
    MessageService& messages() { return m_messages; }
    TaskContext& task() { return m_task; }
    CancelToken& cancelToken();

    // Hands the open connection on (to an operation that follows on another worker).
    std::unique_ptr<IConnection> release();

private:
    std::unique_ptr<IConnection> m_connection;
    MessageService& m_messages;
    TaskContext& m_task;
};

// What to tell of a failed read: the provider's message and, when the read gave up after its
// query time-out, a line that names it (`what`, as "Reading the audit catalog").
QString sqlBaseReadFailure(const DbException& failure, const QString& what);

} // namespace quorvex::sqlbase
