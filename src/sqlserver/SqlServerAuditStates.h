#pragma once

#include "mainwindow/AuditState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace quorvex {

class IConnection;

// What became of the installed audits of one database (see auditStateOf), read over a
// connection to that database: the columns of every audit table and audited table in one
// catalogue read, the triggers (with their text where the server shows it) in another.
class SqlServerAuditStates {
public:
    // An audit as its catalog row names it.
    struct Audit {
        QString name;         // AUDIT_NAME
        QString auditedTable; // TRIGGERTABLE without its padding: "T" for dbo, else "schema.T"

        friend bool operator==(const Audit&, const Audit&) = default;
    };

    // One check per audit, in order. Throws DbException when a read fails.
    static std::vector<AuditCheck> read(IConnection& connection, const QList<Audit>& audits);

    // The catalogue reads, as sent; the names without quotes.
    static QString columnsStatement(const QStringList& auditedTables,
                                    const QStringList& auditTables);
    static QString triggersStatement(const QStringList& triggers);
};

} // namespace quorvex
