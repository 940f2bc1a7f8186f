#pragma once

#include "components/DbErrorRecord.h"

#include <sql.h>

namespace quorvex {

// The one checked path of every ODBC call: a failure becomes a DbException carrying every
// diagnostic record of the handle, in the order the driver reported them.
class OdbcDiagnostics {
public:
    // Returns the return code of a call that did not fail (SQL_NO_DATA among them, for the
    // caller to test); throws DbException on SQL_ERROR and SQL_INVALID_HANDLE.
    static SQLRETURN check(SQLRETURN returnCode, SQLSMALLINT handleType, SQLHANDLE handle);

    // Every diagnostic record of the handle, as error records numbered with returnCode. Never
    // empty: a failure without records is still reported.
    static DbErrorList collect(SQLRETURN returnCode, SQLSMALLINT handleType, SQLHANDLE handle);

    // One record: "[unixODBC][FreeTDS][SQL Server]Login failed" gives the source
    // "[unixODBC][FreeTDS][SQL Server]" and the description "Login failed"; a message without
    // tags has the source "ODBC".
    static DbErrorRecord toRecord(SQLRETURN returnCode, const QString& sqlState, qint32 nativeError,
                                  const QString& message);

    static bool succeeded(SQLRETURN returnCode) {
        return returnCode == SQL_SUCCESS || returnCode == SQL_SUCCESS_WITH_INFO;
    }
};

} // namespace quorvex
