#pragma once

#include <QList>
#include <QString>

namespace quorvex {

// One entry of a connection's error list: what the driver reported for one diagnostic record.
//  number      the return code of the failing call (SQL_ERROR is -1), the same for every record
//              of one failure, as a provider's status code is
//  description the driver's message without its leading "[vendor][component]" tags
//  source      those tags, e.g. "[unixODBC][FreeTDS][SQL Server]": the components that raised it
//  sqlState    the five-character SQLSTATE
//  nativeError the database's own error number (18456 for a failed SQL Server login)
struct DbErrorRecord {
    qint32 number = 0;
    QString description;
    QString source;
    QString sqlState;
    qint32 nativeError = 0;

    friend bool operator==(const DbErrorRecord&, const DbErrorRecord&) = default;
};

using DbErrorList = QList<DbErrorRecord>;

} // namespace quorvex
