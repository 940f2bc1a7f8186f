#pragma once

namespace quorvex::sqlserver {

// The server product behind a SQL Server connection. Babelfish speaks T-SQL over TDS as SQL
// Server does, but cannot keep a trigger's source hidden, so its triggers are created without
// WITH ENCRYPTION.
enum class SqlServerEngine { SqlServer, Babelfish };

} // namespace quorvex::sqlserver
