#pragma once

#include "components/IConnection.h"

namespace quorvex {

// Makes connections through the machine's ODBC drivers.
class OdbcConnectionFactory : public IConnectionFactory {
public:
    std::unique_ptr<IConnection> createConnection() override;
};

} // namespace quorvex
