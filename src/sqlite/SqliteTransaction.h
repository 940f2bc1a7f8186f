#pragma once

namespace quorvex {
class CancelToken;
class IConnection;
} // namespace quorvex

namespace quorvex::sqlite {

// One SQLite transaction that holds the database's write lock from its first statement on
// (BEGIN IMMEDIATE): other writers wait for it, and nothing it changes is seen before COMMIT.
// Whatever ends it without commit() (a failure, a cancel, an exception) rolls it back; DDL
// included, so an audit is never half-installed or half-removed.
//
// The statements go through the connection as they are: the ODBC driver's own transactions
// would begin deferred, and a deferred transaction that has read cannot always take the write
// lock afterwards.
//
// A database another connection holds is waited for up to lockTimeoutMilliseconds, in short
// attempts (the connection's busy time-out, see SqliteConnection), and a cancel is looked at
// between them: SQLCancel does not cut SQLite's busy wait short.
class SqliteTransaction {
public:
    // Throws DbException when the lock cannot be had ("database is locked") or the wait was
    // cancelled.
    explicit SqliteTransaction(IConnection& connection, const CancelToken* cancel = nullptr);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // Waits for readers as BEGIN does for writers. Throws DbException; the transaction then
    // stays open, and rollback() ends it.
    void commit();
    // Never fails: a connection that cannot roll back is closed, and SQLite takes the
    // transaction back from its journal.
    void rollback() noexcept;

    static const char* beginStatement() { return "BEGIN IMMEDIATE"; }

private:
    void untilNotBusy(const char* statement);

    IConnection& m_connection;
    const CancelToken* m_cancel = nullptr;
    bool m_open = false;
};

} // namespace quorvex::sqlite
