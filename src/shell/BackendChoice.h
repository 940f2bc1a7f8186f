#pragma once

namespace quorvex {

// The database back ends the program can work with; the choice holds for the whole run.
enum class BackendChoice { SqlServer, SqlBase, Sqlite };

} // namespace quorvex
