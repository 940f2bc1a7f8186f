#pragma once

#include "components/IConnection.h"
#include "support/FakeDatabase.h"

namespace quorvex::testing {

// Connections of a FakeDatabase, except that one query's rows break off: the statement is
// sent (and logged) as usual, its first `rowsBeforeFailure` rows arrive, then the next fetch
// fails with the given records.
class FailingReadFactory : public IConnectionFactory {
public:
    FailingReadFactory(FakeDatabase& database, QString statement, std::size_t rowsBeforeFailure,
                       DbErrorList failure);

    std::unique_ptr<IConnection> createConnection() override;

private:
    FakeDatabase& m_database;
    QString m_statement;
    std::size_t m_rowsBeforeFailure;
    DbErrorList m_failure;
};

} // namespace quorvex::testing
