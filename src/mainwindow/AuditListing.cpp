#include "mainwindow/AuditBackend.h"

namespace quorvex {

void AuditListing::addStates(std::vector<std::optional<AuditCheck>> rowChecks) {
    rowChecks.resize(rows.size());
    fields.push_back(FieldInfo{auditStateColumnName()});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].push_back(rowChecks[i] ? FieldValue(auditStateText(rowChecks[i]->state))
                                       : FieldValue());
    }
    checks = std::move(rowChecks);
}

} // namespace quorvex
