#pragma once

#include "auditdata/AuditTable.h"

#include <QString>

namespace quorvex {

// Where the two back ends' viewer and export windows differ, as plain data.
struct AuditDataTraits {
    AuditStore store = AuditStore::SqlServer;
    // The column of the installed-audits grid holding the name (SQLBase: 1; 0 holds the count).
    int nameColumn = 0;
    QString viewerObjectName = QStringLiteral("frmSqlViewer"); // "frmViewer"
    QString exportObjectName = QStringLiteral("frmSqlExport"); // "frmExport"
    // Shown after a finished export / purge; empty: nothing is shown.
    QString exportCompletedMessage = QStringLiteral("Export completed");
    QString purgeCompletedMessage = QStringLiteral("Purge Complete");
    // The list of installed audits shows what a purge changes (SQLBase's record counts), so it
    // is reloaded after a purge and after a failed export; SQL Server's shows no counts.
    bool auditListShowsRecordCounts = false;
};

} // namespace quorvex
