#pragma once

#include "auditdata/AuditTable.h"

#include <QString>

namespace quorvex {

// How a command-line tool reaches the audits' database: the back end, and its login values
// (SQL Server: server, user, password, database; SQLBase: database and password, the user
// being SYSADM) or an ODBC connection string used as it is.
struct LoginArguments {
    AuditStore store = AuditStore::SqlServer;
    QString server;
    QString user;
    QString password;
    QString passwordFile; // the password is the file's first line
    QString database;
    QString odbc;

    friend bool operator==(const LoginArguments&, const LoginArguments&) = default;
};

} // namespace quorvex
