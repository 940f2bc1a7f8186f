#include "FailingReadFactory.h"

#include "RowsThenFailureSource.h"

namespace quorvex::testing {

namespace {

class FailingReadConnection : public IConnection {
public:
    FailingReadConnection(std::unique_ptr<IConnection> inner, const QString& statement,
                          std::size_t rowsBeforeFailure, const DbErrorList& failure)
        : m_inner(std::move(inner)), m_statement(statement), m_rowsBeforeFailure(rowsBeforeFailure),
          m_failure(failure) {}

    void setConnectionTimeout(int seconds) override { m_inner->setConnectionTimeout(seconds); }
    bool open(const QString& connectionString) override { return m_inner->open(connectionString); }
    ConnectionState state() const override { return m_inner->state(); }
    void close() override { m_inner->close(); }
    const DbErrorList& errors() const override { return m_inner->errors(); }
    void execute(const QString& statement) override { m_inner->execute(statement); }

    Recordset openRecordset(const QString& statement, CursorType cursor) override {
        Recordset scripted = m_inner->openRecordset(statement, cursor);
        if (statement != m_statement)
            return scripted;
        std::vector<FieldInfo> fields = scripted.fields();
        std::vector<Row> rows;
        for (; !scripted.eof() && rows.size() < m_rowsBeforeFailure; scripted.moveNext())
            rows.push_back(scripted.currentRow());
        return Recordset(
            std::make_unique<RowsThenFailureSource>(std::move(fields), std::move(rows), m_failure));
    }

private:
    std::unique_ptr<IConnection> m_inner;
    QString m_statement;
    std::size_t m_rowsBeforeFailure;
    DbErrorList m_failure;
};

} // namespace

FailingReadFactory::FailingReadFactory(FakeDatabase& database, QString statement,
                                       std::size_t rowsBeforeFailure, DbErrorList failure)
    : m_database(database), m_statement(std::move(statement)),
      m_rowsBeforeFailure(rowsBeforeFailure), m_failure(std::move(failure)) {}

std::unique_ptr<IConnection> FailingReadFactory::createConnection() {
    return std::make_unique<FailingReadConnection>(m_database.createConnection(), m_statement,
                                                   m_rowsBeforeFailure, m_failure);
}

} // namespace quorvex::testing
