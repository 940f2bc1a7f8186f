#include "sqlbase/SqlBaseSession.h"

#include "components/CancelToken.h"
#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/LockTimeout.h"
#include "components/TaskContext.h"
#include "components/Timeouts.h"
#include "sqlbase/SqlBaseConnection.h"

#include <QCoreApplication>

namespace quorvex::sqlbase {

QStringList QueryRows::firstColumn() const {
    QStringList values;
    for (const Row& row : rows)
        values << (row.empty() ? QString() : row.front().value_or(QString()).trimmed());
    return values;
}

std::unique_ptr<SqlBaseSession> SqlBaseSession::open(IConnectionFactory& connections,
                                                     const SqlBaseLoginValues& login,
                                                     MessageService& messages, TaskContext& task) {
    std::unique_ptr<IConnection> connection = connectToSqlBase(connections, login, messages);
    if (!connection)
        return nullptr;
    return std::make_unique<SqlBaseSession>(std::move(connection), messages, task);
}

SqlBaseSession::SqlBaseSession(std::unique_ptr<IConnection> connection, MessageService& messages,
                               TaskContext& task)
    : m_connection(std::move(connection)), m_messages(messages), m_task(task) {}

SqlBaseSession::~SqlBaseSession() {
    if (m_connection)
        m_connection->close();
}

namespace {

QueryRows readWhole(IConnection& connection, const QString& query, CursorType cursor) {
    connection.setQueryTimeout(catalogueQueryTimeoutSeconds);
    Recordset rows = connection.openRecordset(query, cursor);
    QueryRows result;
    result.fields = rows.fields();
    while (!rows.eof()) {
        result.rows.push_back(rows.currentRow());
        rows.moveNext();
    }
    return result;
}

} // namespace

QueryRows SqlBaseSession::read(const QString& query, CursorType cursor) {
    // Read whole while watched: a fetch can wait on the server as much as the query.
    const CancelToken::Watch watch(m_task.cancelToken(), *m_connection);
    return readWhole(*m_connection, query, cursor);
}

QueryRows SqlBaseSession::readToTheEnd(const QString& query) {
    return readWhole(*m_connection, query, CursorType::ForwardOnly);
}

void SqlBaseSession::execute(const QString& statement) {
    m_connection->setQueryTimeout(0);
    const CancelToken::Watch watch(m_task.cancelToken(), *m_connection);
    m_connection->execute(statement);
}

void SqlBaseSession::executeToTheEnd(const QString& statement) {
    m_connection->setQueryTimeout(0);
    m_connection->execute(statement);
}

bool SqlBaseSession::isCancelled() const {
    return m_task.isCancelled();
}

CancelToken& SqlBaseSession::cancelToken() {
    return m_task.cancelToken();
}

std::unique_ptr<IConnection> SqlBaseSession::release() {
    return std::move(m_connection);
}

QString sqlBaseReadFailure(const DbException& failure, const QString& what) {
    if (!isTimeout(failure.errors()))
        return failure.description();
    return failure.description() + QStringLiteral("\r\n") +
           QCoreApplication::translate("SqlBaseSession",
                                       "%1 took longer than %2 seconds and was given up.")
               .arg(what)
               .arg(catalogueQueryTimeoutSeconds);
}

} // namespace quorvex::sqlbase
