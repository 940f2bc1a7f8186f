#pragma once

#include "components/DbErrorRecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace quorvex {

// Connection strings: the provider-style text the back ends build ("Provider=SQLOLEDB.1;
// Password=...;Data Source=...") and its translation into an ODBC connection string.
// Pure functions: what the machine has installed is passed in.

using ConnectionStringPairs = QList<std::pair<QString, QString>>;

// Splits "key=value;key=value". A value may be quoted with " or ' (the quote doubled inside);
// keys keep their spelling; blanks around keys and unquoted values are dropped.
ConnectionStringPairs parseConnectionString(const QString& text);

// The value as it goes into a provider-style string: unchanged, or between double quotes with
// inner double quotes doubled when it holds ";", starts with a quote, or starts or ends
// with a blank.
QString quoteProviderValue(const QString& value);

// The value as it goes into an ODBC string: unchanged, or between braces with "}" doubled when
// it holds ";" or "}", starts with "{", or starts or ends with a blank.
QString quoteOdbcValue(const QString& value);

// What the machine's ODBC set-up offers.
struct OdbcEnvironmentInfo {
    QStringList drivers;        // installed driver names, as odbcinst lists them
    QStringList dataSources;    // configured data source names
    QStringList freeTdsServers; // [name] sections of freetds.conf
};

struct OdbcConnectTarget {
    QString connectionString;           // what SQLDriverConnect is given
    std::optional<DbErrorRecord> error; // set when there is nothing to connect to
};

// Maps a back end's connection string to ODBC:
//  Provider=SQLOLEDB...      -> the FreeTDS driver; Data Source "host", "host\instance",
//                               "host,port" or a freetds.conf server name; Initial Catalog,
//                               User ID, Password
//  Provider=SQLBASEOLEDB...  -> the data source named like Data Source, else an installed driver
//                               whose name holds "SQLBase", else an error record saying that no
//                               SQLBase ODBC driver is installed
//  another Provider          -> an error record (IM002): no driver is known for it
//  no Provider key           -> passed through unchanged
OdbcConnectTarget mapToOdbc(const QString& connectionString, const OdbcEnvironmentInfo& env);

} // namespace quorvex
