#include "components/OdbcConnection.h"

#include "components/ConnectionString.h"
#include "components/DbException.h"
#include "components/OdbcConnectionHandle.h"
#include "components/OdbcDiagnostics.h"
#include "components/OdbcEnvironmentHandle.h"
#include "components/OdbcEnvironmentProbe.h"
#include "components/OdbcRowSource.h"
#include "components/OdbcSession.h"
#include "components/OdbcStatementHandle.h"
#include "components/OdbcText.h"

#include <sqlext.h>

namespace quorvex {

namespace {

DbErrorRecord ownError(const QString& description, const QString& sqlState) {
    return DbException::single(description, sqlState).errors().constFirst();
}

void executeDirect(const OdbcStatementHandle& statement, const QString& text) {
    std::vector<SQLWCHAR> wide = OdbcText::toWide(text);
    // SQL_NO_DATA: a searched UPDATE or DELETE that met no rows, which is no failure.
    OdbcDiagnostics::check(SQLExecDirectW(statement.handle(), wide.data(), SQL_NTS),
                           SQL_HANDLE_STMT, statement.handle());
}

bool moreResults(const OdbcStatementHandle& statement) {
    return OdbcDiagnostics::check(SQLMoreResults(statement.handle()), SQL_HANDLE_STMT,
                                  statement.handle()) != SQL_NO_DATA;
}

SQLSMALLINT resultColumns(const OdbcStatementHandle& statement) {
    SQLSMALLINT count = 0;
    OdbcDiagnostics::check(SQLNumResultCols(statement.handle(), &count), SQL_HANDLE_STMT,
                           statement.handle());
    return count;
}

} // namespace

OdbcConnection::OdbcConnection() : m_session(std::make_unique<OdbcSession>()) {}

OdbcConnection::~OdbcConnection() = default;
OdbcConnection::OdbcConnection(OdbcConnection&&) noexcept = default;
OdbcConnection& OdbcConnection::operator=(OdbcConnection&&) noexcept = default;

OdbcSession& OdbcConnection::session() {
    if (!m_session)
        m_session = std::make_unique<OdbcSession>();
    return *m_session;
}

void OdbcConnection::setConnectionTimeout(int seconds) {
    m_connectionTimeout = seconds;
}

bool OdbcConnection::open(const QString& connectionString) {
    OdbcSession& current = session();
    if (current.isOpen()) {
        current.setErrors(
            {ownError(QStringLiteral("The connection is already open."), QStringLiteral("08002"))});
        return false;
    }
    current.setErrors({});
    try {
        const OdbcConnectTarget target =
            mapToOdbc(connectionString, OdbcEnvironmentProbe::cached());
        if (target.error) {
            current.setErrors({*target.error});
            return false;
        }
        OdbcConnectionHandle connection(OdbcEnvironmentHandle::shared());
        // A negative timeout means nothing sensible; the driver's default stays then.
        if (m_connectionTimeout && *m_connectionTimeout >= 0)
            connection.setLoginTimeout(*m_connectionTimeout);
        connection.connect(target.connectionString);
        current.open(std::move(connection));
        return true;
    } catch (const DbException& e) {
        current.setErrors(e.errors());
        return false;
    }
}

ConnectionState OdbcConnection::state() const {
    return m_session && m_session->isOpen() ? ConnectionState::Open : ConnectionState::Closed;
}

void OdbcConnection::close() {
    if (m_session)
        m_session->close();
}

const DbErrorList& OdbcConnection::errors() const {
    static const DbErrorList none;
    return m_session ? m_session->errors() : none;
}

void OdbcConnection::requireOpen() {
    if (!session().isOpen()) {
        const DbException closed = DbException::single(
            QStringLiteral("The connection is not open."), QStringLiteral("08003"));
        session().setErrors(closed.errors());
        throw closed;
    }
}

Recordset OdbcConnection::openRecordset(const QString& statement, CursorType /*cursor*/) {
    requireOpen();
    OdbcSession& current = session();
    try {
        current.bufferPendingResults();
        OdbcStatementHandle handle(current.connection());
        executeDirect(handle, statement);
        // Row counts of statements ahead of the query in a batch come first; skip to the first
        // result that has columns.
        while (resultColumns(handle) == 0) {
            if (!moreResults(handle))
                return Recordset(); // nothing to read: a DELETE or a purge simply ran
        }
        return Recordset(std::make_unique<OdbcRowSource>(std::move(handle), current));
    } catch (const DbException& e) {
        current.setErrors(e.errors());
        throw;
    }
}

void OdbcConnection::execute(const QString& statement) {
    requireOpen();
    OdbcSession& current = session();
    try {
        current.bufferPendingResults();
        OdbcStatementHandle handle(current.connection());
        executeDirect(handle, statement);
        // Read through every result of the batch: a failure in a later statement shows here,
        // and the connection is free again afterwards.
        while (moreResults(handle)) {
        }
    } catch (const DbException& e) {
        current.setErrors(e.errors());
        throw;
    }
}

} // namespace quorvex
