#include "components/OdbcConnectionFactory.h"

#include "components/OdbcConnection.h"

namespace quorvex {

std::unique_ptr<IConnection> OdbcConnectionFactory::createConnection() {
    return std::make_unique<OdbcConnection>();
}

} // namespace quorvex
