#pragma once

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/IRowSource.h"
#include "support/FakeDatabase.h"

namespace quorvex::testing {

// A driver that hands out some rows and then fails on the next fetch, as a connection lost in
// the middle of a large result does.
class RowsThenFailureSource : public IRowSource {
public:
    RowsThenFailureSource(std::vector<FieldInfo> fields, std::vector<Row> rows, DbErrorList failure)
        : m_fields(std::move(fields)), m_rows(std::move(rows)), m_failure(std::move(failure)) {}
    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override {
        if (m_next >= m_rows.size())
            throw DbException(m_failure);
        row = m_rows[m_next++];
        return true;
    }

private:
    std::vector<FieldInfo> m_fields;
    std::vector<Row> m_rows;
    DbErrorList m_failure;
    std::size_t m_next = 0;
};

// Connections of a FakeDatabase, except that one query's rows break off: the statement is sent
// (and logged) as usual, its first `rowsBeforeFailure` rows arrive, then the next fetch fails.
class FailingReadFactory : public IConnectionFactory {
public:
    FailingReadFactory(FakeDatabase& database, QString statement, std::size_t rowsBeforeFailure,
                       DbErrorList failure)
        : m_database(database), m_statement(std::move(statement)),
          m_rowsBeforeFailure(rowsBeforeFailure), m_failure(std::move(failure)) {}

    std::unique_ptr<IConnection> createConnection() override {
        return std::make_unique<Connection>(*this, m_database.createConnection());
    }

private:
    class Connection : public IConnection {
    public:
        Connection(const FailingReadFactory& owner, std::unique_ptr<IConnection> inner)
            : m_owner(owner), m_inner(std::move(inner)) {}
        void setConnectionTimeout(int seconds) override { m_inner->setConnectionTimeout(seconds); }
        bool open(const QString& text) override { return m_inner->open(text); }
        ConnectionState state() const override { return m_inner->state(); }
        void close() override { m_inner->close(); }
        const DbErrorList& errors() const override { return m_inner->errors(); }
        void execute(const QString& statement) override { m_inner->execute(statement); }
        qint64 executeCounted(const QString& statement) override {
            return m_inner->executeCounted(statement);
        }
        void beginTransaction(TransactionIsolation isolation) override {
            m_inner->beginTransaction(isolation);
        }
        void commit() override { m_inner->commit(); }
        void rollback() noexcept override { m_inner->rollback(); }
        void cancel() override { m_inner->cancel(); }
        void setQueryTimeout(int seconds) override { m_inner->setQueryTimeout(seconds); }
        bool inTransaction() const override { return m_inner->inTransaction(); }
        Recordset openRecordset(const QString& statement, CursorType cursor) override {
            Recordset scripted = m_inner->openRecordset(statement, cursor);
            if (statement != m_owner.m_statement)
                return scripted;
            std::vector<FieldInfo> fields = scripted.fields();
            std::vector<Row> rows;
            for (; !scripted.eof() && rows.size() < m_owner.m_rowsBeforeFailure;
                 scripted.moveNext())
                rows.push_back(scripted.currentRow());
            return Recordset(std::make_unique<RowsThenFailureSource>(
                std::move(fields), std::move(rows), m_owner.m_failure));
        }

    private:
        const FailingReadFactory& m_owner;
        std::unique_ptr<IConnection> m_inner;
    };

    FakeDatabase& m_database;
    QString m_statement;
    std::size_t m_rowsBeforeFailure;
    DbErrorList m_failure;
};

inline DbErrorList linkFailure() {
    return FakeDatabase::error(QStringLiteral("Communication link failure"), 0,
                               QStringLiteral("08S01"));
}

// Rows of an order number and a user.
inline std::vector<Row> numberedRows(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Row{FieldValue(QString::number(i)), FieldValue(QStringLiteral("sa"))});
    return rows;
}

} // namespace quorvex::testing
