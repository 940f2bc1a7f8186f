#pragma once

namespace quorvex::sqlbase {

class SqlBaseSession;

// Removes every table, then every trigger, then every stored procedure whose name begins with
// ZOTA: all audits and the audit catalog itself (public synonyms stay). A failing query or drop
// is told with the provider's message and the sweep goes on with the next object, so whatever
// can be removed is removed. True when everything was removed.
//
// A cancel stops it between audits, never inside one, and only while the catalog table stands
// (without it the audits left could be neither listed nor deleted): it reaches the tables' pass
// only. The audits whose table was not dropped yet keep their trigger and procedure and go on
// recording; the triggers and procedures of the tables already dropped are removed all the same
// (never cut short), since a trigger whose audit table is gone would make every write to its
// table fail.
bool sweepSqlBaseAuditObjects(SqlBaseSession& session);

} // namespace quorvex::sqlbase
