#pragma once

// quorvex-sql: the statements the GO button would send, for review before they reach a server.
//
//   quorvex-sql [--json] < definition.json
//
// Standard input holds one audit definition as a JSON object:
//
//   {"backend": "sqlserver", "kind": "insert", "table": "ORDERS",
//    "columns": [{"name": "ORDER_ID", "type": "int", "length": 4, "precision": 10, "scale": 0,
//                 "primaryKey": true}, ...],
//    "chosen": ["CUSTOMER", "AMOUNT"], "saveOld": ["AMOUNT"], "changedFields": ["AMOUNT"],
//    "conditions": [{"column": "AMOUNT", "op": ">", "value": "1000"}],
//    "mode": "only-when", "connective": "AND",
//    "name": "BigOrders", "description": "Large orders"}
//
//   backend        "sqlserver" (also when missing), "sqlbase" or "sqlite"
//   engine         sqlserver only: "sqlserver" (also when missing) or "babelfish", whose triggers
//                  are created without WITH ENCRYPTION
//   kind           "insert", "delete" or "update"; required
//   table          the audited table, as its catalogue names it
//   columns        the table's whole catalogue, in catalogue order. SQL Server: name, type (lower
//                  case), length (in characters, -1 for max), precision, scale, primaryKey.
//                  SQLBase: name, type (SYSCOLUMNS' COLTYPE), length, scale. SQLite: name,
//                  type (the declared type, as pragma_table_info gives it), primaryKey. A
//                  missing number is 0, a missing primaryKey false.
//   chosen         the audited columns, in the order the column list holds them
//   saveOld        update audits: the chosen columns whose value before the update is kept too
//   changedFields  update audits: record only updates that touch one of these columns
//   conditions     in grid order: column (a table column or "USERID"), op ("=", "!=", ">" or
//                  "<") and value (a text; SQL Server checks it against the column's type and
//                  writes dates in their language-neutral form, Unicode texts as N'...')
//   mode           "always-except" ("Audit always except if") or "only-when" ("Audit only when")
//   connective     "AND" or "OR", joining every condition
//   name           the audit's name as typed; description likewise
//   who            true: the audit table also keeps the login, host and application of each
//                  change (SQL Server; refused on SQLBase)
//   changedValuesOnly  update audits, true: record a row only when a changed field (with none,
//                  any audited column) has a value other than its old one; SQL Server needs
//                  the table's primary key for it
//
// Missing lists are empty, missing flags false, a missing mode is "always-except", a missing
// connective "AND"; unknown keys are refused, so that a misspelt key is not silently taken for
// an empty list.
// The name and description rules apply with the messages the window shows, and so do the
// limits of what each back end's catalog can keep (the SQL Server window also asks the server
// whether the table's name survives the database's code page; here only its length is known).
//
// Output: each statement followed by a line holding only GO, every line ending in CR LF as the
// statements' own lines do; with --json one object {"statements": [...]}. Exit status 0.
// SQLite: BEGIN IMMEDIATE, the catalog (CREATE TABLE IF NOT EXISTS, as the main window makes it),
// the audit's statements and COMMIT, each ended by ";" and a line feed, so that
// `sqlite3 -bail FILE < script` installs the audit whole or not at all.
// A definition the window would refuse, or input that is no such definition: exit status 1 and
// the message on standard error, or with --json {"error": "<message>"} on standard output.
// A wrong command line: the usage on standard error, exit status 2.

#include "mainwindow/AuditDefinition.h"
#include "mainwindow/ColumnInfo.h"
#include "mainwindow/GeneratedStatements.h"
#include "sqlserver/SqlServerEngine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvex {

class ScriptCompanion {
public:
    enum class OutputFormat { Script, Json };

    // One definition as read from the input, or why it could not be read.
    struct Request {
        QString backend;
        sqlserver::SqlServerEngine engine = sqlserver::SqlServerEngine::SqlServer;
        AuditDefinition definition;
        ColumnInfoList columns;
        QString error;

        bool valid() const { return error.isEmpty(); }
    };

    struct Output {
        int exitCode = 0;
        QByteArray standardOutput;
        QByteArray standardError;
    };

    static Request parse(const QByteArray& input);

    // The statements of the request's back end, or its refusal.
    static GeneratedStatements generate(const Request& request);

    // The whole program short of its streams: input text in, what to print and the exit status
    // out.
    static Output run(const QByteArray& input, OutputFormat format);

    // The back ends a request may name.
    static QStringList backends();
};

} // namespace quorvex
