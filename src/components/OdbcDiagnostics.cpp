#include "components/OdbcDiagnostics.h"

#include "components/DbException.h"
#include "components/OdbcText.h"

#include <sqlext.h>
#include <vector>

namespace quorvex {

SQLRETURN OdbcDiagnostics::check(SQLRETURN returnCode, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (returnCode == SQL_ERROR || returnCode == SQL_INVALID_HANDLE)
        throw DbException(collect(returnCode, handleType, handle));
    return returnCode;
}

DbErrorList OdbcDiagnostics::collect(SQLRETURN returnCode, SQLSMALLINT handleType,
                                     SQLHANDLE handle) {
    DbErrorList records;
    if (returnCode != SQL_INVALID_HANDLE && handle != SQL_NULL_HANDLE) {
        std::vector<SQLWCHAR> message(1024);
        for (SQLSMALLINT number = 1;; ++number) {
            SQLWCHAR state[6] = {};
            SQLINTEGER nativeError = 0;
            SQLSMALLINT length = 0;
            SQLRETURN rc =
                SQLGetDiagRecW(handleType, handle, number, state, &nativeError, message.data(),
                               static_cast<SQLSMALLINT>(message.size()), &length);
            if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
                // The message did not fit: read it again whole.
                message.resize(static_cast<std::size_t>(length) + 1);
                rc = SQLGetDiagRecW(handleType, handle, number, state, &nativeError, message.data(),
                                    static_cast<SQLSMALLINT>(message.size()), &length);
            }
            if (!succeeded(rc))
                break; // SQL_NO_DATA after the last record
            const qsizetype textLength =
                std::min<qsizetype>(length, static_cast<qsizetype>(message.size()) - 1);
            records.append(toRecord(returnCode, OdbcText::fromWide(state, -1), nativeError,
                                    OdbcText::fromWide(message.data(), textLength)));
        }
    }
    if (records.isEmpty()) {
        records.append(toRecord(returnCode, QStringLiteral("HY000"), 0,
                                returnCode == SQL_INVALID_HANDLE
                                    ? QStringLiteral("The ODBC handle is not valid.")
                                    : QStringLiteral("The ODBC call failed without a "
                                                     "diagnostic record.")));
    }
    return records;
}

DbErrorRecord OdbcDiagnostics::toRecord(SQLRETURN returnCode, const QString& sqlState,
                                        qint32 nativeError, const QString& message) {
    const QString text = message.trimmed();
    qsizetype end = 0;
    while (end < text.size() && text[end] == QLatin1Char('[')) {
        const qsizetype close = text.indexOf(QLatin1Char(']'), end);
        if (close < 0)
            break;
        end = close + 1;
    }

    DbErrorRecord record;
    record.number = returnCode;
    record.source = end > 0 ? text.left(end) : QStringLiteral("ODBC");
    record.description = text.mid(end).trimmed();
    record.sqlState = sqlState;
    record.nativeError = nativeError;
    return record;
}

} // namespace quorvex
