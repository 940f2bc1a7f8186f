#pragma once

#include "auditdata/AuditTable.h"
#include "auditdata/ExportFormat.h"

#include <QString>

namespace quorvex {

enum class PurgeAfterExport { No, Yes };

// One run of quorvex-export, as its command line gives it.
struct ExportCommand {
    AuditStore store = AuditStore::SqlServer;
    QString audit;
    ExportFormat format = ExportFormat::Csv;
    QString file; // the whole path; no extension is added
    PurgeAfterExport purge = PurgeAfterExport::No;

    // Login values (SQL Server: server, user, password, database; SQLBase: database and
    // password), or an ODBC connection string used as it is.
    QString server;
    QString user;
    QString password;
    QString passwordFile; // the password is the file's first line
    QString database;
    QString odbc;

    friend bool operator==(const ExportCommand&, const ExportCommand&) = default;
};

} // namespace quorvex
