#pragma once

#include "components/IConnection.h"

#include <QRegularExpression>
#include <QStringList>
#include <memory>
#include <vector>

namespace quorvex::testing {

// A scripted database behind the same interfaces as the ODBC layer. A test says which
// statement returns which rows and which fails with which error list, runs a window or a flow,
// then reads the statements sent, in order.
//
//   FakeDatabase db;
//   db.onQuery("Select AUDIT_NAME from tblZOTA_SYSTEM_TABLE", {"AUDIT_NAME"}, {{"Orders"}});
//   db.failOn("Drop Table tblZOTA_X", {{-1, "Cannot drop ...", "[FreeTDS][SQL Server]", "42000",
//   3701}});
//   ... run ...
//   EXPECT_EQ(db.statements(), QStringList{...});
//
// Statements match exactly unless scripted with a regular expression. A statement nobody
// scripted: execute() succeeds; openRecordset() fails with "FakeDatabase: nothing scripted
// for: <statement>" unless setUnscriptedQueriesEmpty(true), so a forgotten script shows.
// Each scripted result is given again every time its statement is sent, unless it was added
// with `once`, in which case it is used one time and later sends fall through to the next match.
// Transactions are recorded, not simulated: a rollback does not bring back what the script
// said a statement changed.
//
// A busy server: holdOn() makes a statement wait when it is sent (a query: after handing out
// some of its rows) until release() or until its connection is cancelled, which fails it with
// the driver's "Operation canceled" (HY008). Connections may be used from worker threads; the
// script and the log are shared safely.
class FakeDatabase : public IConnectionFactory {
public:
    FakeDatabase();
    ~FakeDatabase() override;

    std::unique_ptr<IConnection> createConnection() override;

    // --- script ---
    void onQuery(const QString& statement, const QStringList& fieldNames,
                 const std::vector<Row>& rows, bool once = false);
    void onQuery(const QString& statement, const std::vector<FieldInfo>& fields,
                 const std::vector<Row>& rows, bool once = false);
    void failOn(const QString& statement, const DbErrorList& errors, bool once = false);
    void failOnMatching(const QRegularExpression& pattern, const DbErrorList& errors,
                        bool once = false);
    // executeCounted() of this statement reports that many changed rows (unscripted: -1).
    void onExecute(const QString& statement, qint64 rowsChanged, bool once = false);
    // Every open fails with these records (empty list: opens succeed again).
    void failOpen(const DbErrorList& errors);
    // The statement waits when sent, a query after handing out `rowsFirst` of its rows, until
    // release() or a cancel of its connection.
    void holdOn(const QString& statement, int rowsFirst = 0);
    // Lets every waiting statement go on, and ends the holds.
    void release();
    // Statements waiting right now.
    int waiting() const;
    // Cancels asked of connections, in all.
    int cancels() const;
    static QString cancelledText() { return QStringLiteral("Operation canceled"); }
    void setUnscriptedQueriesEmpty(bool empty);

    // --- what happened ---
    QStringList statements() const;        // queries and executes, in sending order
    QStringList connectionStrings() const; // one per open attempt
    int opened() const;                    // successful opens
    int openNow() const;                   // connections open at this moment
    QList<int> connectionTimeouts() const; // as set before each open attempt (-1: not set)
    QList<int> queryTimeouts() const;      // per statement sent: as set on its connection
    void clearLog();

    // Transactions show in statements() as these entries, in their place among the statements,
    // and are scripted like statements (failOn(commitEntry(), ...) makes the commit fail). A
    // connection closed inside a transaction logs closedInTransactionEntry(): the server rolls
    // back then.
    static QString beginEntry(TransactionIsolation isolation = TransactionIsolation::DriverDefault);
    static QString commitEntry();
    static QString rollbackEntry();
    static QString closedInTransactionEntry();

    // A single-record error list, for brevity in tests.
    static DbErrorList error(const QString& description, qint32 nativeError = 0,
                             const QString& sqlState = QStringLiteral("42000"));

    struct State; // shared with the connections it made
    struct Script;

private:
    void add(Script script);
    template <typename T> T read(T State::*member) const;

    std::shared_ptr<State> m_state;
};

// Rows written as plain texts; a null pointer stands for NULL.
Row textRow(std::initializer_list<const char*> values);

} // namespace quorvex::testing
