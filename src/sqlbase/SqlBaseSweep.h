#pragma once

#include "sqlbase/SqlBaseLoginValues.h"

namespace quorvex {
struct PlatformServices;
}

namespace quorvex::sqlbase {

// Removes every table, then every trigger, then every stored procedure whose name begins with
// ZOTA: all audits and the audit catalog itself (public synonyms stay). A failing query or drop
// is shown with the provider's message and the sweep goes on with the next object, so whatever
// can be removed is removed. True when nothing failed.
bool sweepSqlBaseAuditObjects(PlatformServices& services, const SqlBaseLoginValues& login);

} // namespace quorvex::sqlbase
