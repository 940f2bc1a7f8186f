#pragma once

#include "auditdata/AuditTable.h"
#include "auditdata/ExportFormat.h"
#include "auditdata/LoginArguments.h"

#include <QString>
#include <optional>

namespace quorvex {

enum class PurgeAfterExport { No, Yes };

// One run of quorvex-export, as its command line gives it: how to reach the database, then
// what to export.
struct ExportCommand : LoginArguments {
    QString audit;
    ExportFormat format = ExportFormat::Csv;
    QString file; // the whole path; no extension is added
    PurgeAfterExport purge = PurgeAfterExport::No;
    // Only the rows recorded more than this many days before the server's current time.
    std::optional<int> olderThanDays;

    friend bool operator==(const ExportCommand&, const ExportCommand&) = default;
};

} // namespace quorvex
