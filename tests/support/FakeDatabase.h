#pragma once

#include "components/IConnection.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace quorvex::testing {

// A scripted database behind the same interfaces as the ODBC layer: a test says which
// statement returns which rows or fails with which errors (exact text; `once`: used one time),
// runs a window or a flow, then reads the statements sent, in order. An unscripted execute
// succeeds; an unscripted query fails with "FakeDatabase: nothing scripted for: <statement>".
// Transactions are logged, not simulated. holdOn() makes a statement wait as on a busy server
// until release() or a cancel of its connection (the driver's "Operation canceled", HY008).
class FakeDatabase : public IConnectionFactory {
public:
    FakeDatabase();
    ~FakeDatabase() override;

    std::unique_ptr<IConnection> createConnection() override;

    // --- script ---
    void onQuery(const QString& statement, const QStringList& fieldNames,
                 const std::vector<Row>& rows, bool once = false);
    void failOn(const QString& statement, const DbErrorList& errors, bool once = false);
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

    // Transactions show in statements() as these entries, and are scripted like statements
    // (failOn(commitEntry(), ...) makes the commit fail).
    static QString beginEntry(TransactionIsolation isolation = TransactionIsolation::DriverDefault);
    static QString commitEntry();
    static QString rollbackEntry();

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
