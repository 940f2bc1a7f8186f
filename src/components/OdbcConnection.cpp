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

#include <algorithm>

namespace quorvex {

namespace {

DbErrorRecord ownError(const QString& description, const QString& sqlState) {
    return DbException::single(description, sqlState).errors().constFirst();
}

SQLRETURN executeDirect(const OdbcStatementHandle& statement, const QString& text) {
    std::vector<SQLWCHAR> wide = OdbcText::toWide(text);
    const SQLRETURN rc =
        statement.run([&] { return SQLExecDirectW(statement.handle(), wide.data(), SQL_NTS); });
    // SQL_NO_DATA: a searched UPDATE or DELETE that met no rows, which is no failure.
    return OdbcDiagnostics::check(rc, SQL_HANDLE_STMT, statement.handle());
}

void checkConnection(SQLRETURN rc, SQLHDBC dbc) {
    OdbcDiagnostics::check(rc, SQL_HANDLE_DBC, dbc);
}

SQLULEN isolationOf(SQLHDBC dbc) {
    SQLULEN value = 0;
    checkConnection(SQLGetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION, &value, 0, nullptr), dbc);
    return value;
}

bool keepsRowsAsRead(SQLULEN isolation) {
    return isolation == SQL_TXN_REPEATABLE_READ || isolation == SQL_TXN_SERIALIZABLE;
}

// Asks for repeatable read, or the stronger serializable when the driver will not give that;
// a driver may answer with a level of its own, which must be one of the two.
void requireRowsKeptAsRead(SQLHDBC dbc) {
    for (SQLULEN wanted : {SQLULEN(SQL_TXN_REPEATABLE_READ), SQLULEN(SQL_TXN_SERIALIZABLE)}) {
        const SQLRETURN rc =
            SQLSetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(wanted), 0);
        if (SQL_SUCCEEDED(rc) && keepsRowsAsRead(isolationOf(dbc)))
            return;
    }
    throw DbException::single(QStringLiteral("The driver cannot keep the rows a transaction "
                                             "reads unchanged until it ends."),
                              QStringLiteral("HYC00"));
}

bool moreResults(const OdbcStatementHandle& statement) {
    const SQLRETURN rc = statement.run([&] { return SQLMoreResults(statement.handle()); });
    return OdbcDiagnostics::check(rc, SQL_HANDLE_STMT, statement.handle()) != SQL_NO_DATA;
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

void OdbcConnection::setQueryTimeout(int seconds) {
    m_queryTimeout = std::max(0, seconds);
    std::lock_guard lock(*m_statementsMutex);
    if (m_statements)
        m_statements->setQueryTimeout(m_queryTimeout);
}

std::shared_ptr<OdbcStatementRegistry> OdbcConnection::statementsNow() const {
    std::lock_guard lock(*m_statementsMutex);
    return m_statements;
}

void OdbcConnection::cancel() {
    if (const auto statements = statementsNow())
        statements->cancelAll();
}

void OdbcConnection::clearCancel() {
    if (const auto statements = statementsNow())
        statements->clearCancel();
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
        connection.statements()->setQueryTimeout(m_queryTimeout);
        {
            std::lock_guard lock(*m_statementsMutex);
            m_statements = connection.statements();
        }
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
    executeCounted(statement);
}

qint64 OdbcConnection::executeCounted(const QString& statement) {
    requireOpen();
    OdbcSession& current = session();
    try {
        current.bufferPendingResults();
        OdbcStatementHandle handle(current.connection());
        SQLLEN count = 0;
        if (executeDirect(handle, statement) != SQL_NO_DATA) {
            count = -1;
            if (!SQL_SUCCEEDED(SQLRowCount(handle.handle(), &count)))
                count = -1;
        }
        // Read through every result of the batch: a failure in a later statement shows here,
        // and the connection is free again afterwards.
        while (moreResults(handle)) {
        }
        return count;
    } catch (const DbException& e) {
        current.setErrors(e.errors());
        throw;
    }
}

void OdbcConnection::beginTransaction(TransactionIsolation isolation) {
    requireOpen();
    OdbcSession& current = session();
    try {
        if (current.inTransaction())
            throw DbException::single(QStringLiteral("A transaction is open already."),
                                      QStringLiteral("25000"));
        current.bufferPendingResults();
        const SQLHDBC dbc = current.connection().handle();
        std::optional<unsigned long> before;
        if (isolation == TransactionIsolation::RepeatableRead) {
            before = static_cast<unsigned long>(isolationOf(dbc));
            try {
                requireRowsKeptAsRead(dbc);
            } catch (const DbException&) {
                SQLSetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION,
                                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*before)), 0);
                throw;
            }
        }
        current.transactionBegun(before);
        const SQLRETURN rc = SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                                               reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        if (!SQL_SUCCEEDED(rc)) {
            const DbErrorList errors = OdbcDiagnostics::collect(rc, SQL_HANDLE_DBC, dbc);
            current.transactionEnded();
            throw DbException(errors);
        }
    } catch (const DbException& e) {
        current.setErrors(e.errors());
        throw;
    }
}

void OdbcConnection::commit() {
    requireOpen();
    OdbcSession& current = session();
    try {
        if (!current.inTransaction())
            throw DbException::single(QStringLiteral("No transaction is open."),
                                      QStringLiteral("25000"));
        current.bufferPendingResults();
        const SQLHDBC dbc = current.connection().handle();
        checkConnection(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), dbc);
    } catch (const DbException& e) {
        current.setErrors(e.errors());
        throw;
    }
    // Committed. Should the driver then refuse to go back to committing statement by
    // statement, the connection closes (errors() says why); the commit stands.
    current.transactionEnded();
}

void OdbcConnection::rollback() noexcept {
    if (!m_session || !m_session->inTransaction())
        return;
    OdbcSession& current = *m_session;
    current.bufferPendingResults();
    if (!current.isOpen()) {
        current.transactionEnded();
        return;
    }
    const SQLHDBC dbc = current.connection().handle();
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
    if (SQL_SUCCEEDED(rc)) {
        current.transactionEnded();
        return;
    }
    // The server undoes the transaction when the connection ends.
    current.setErrors(OdbcDiagnostics::collect(rc, SQL_HANDLE_DBC, dbc));
    const DbErrorList errors = current.errors();
    current.close();
    current.setErrors(errors);
}

bool OdbcConnection::inTransaction() const {
    return m_session && m_session->inTransaction();
}

} // namespace quorvex
