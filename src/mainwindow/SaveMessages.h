#pragma once

#include <QCoreApplication>
#include <QString>

namespace quorvex {

// What GO says on every back end when a save stops.
inline QString duplicateAuditNameMessage() {
    return QStringLiteral("You already have an Audit with that name.  Please enter another name.");
}
inline QString tableRefusedMessage() {
    return QStringLiteral("Error saving table to database");
}
inline QString triggerRefusedMessage() {
    return QStringLiteral("Error saving trigger to database");
}
inline QString catalogRowRefusedMessage() {
    return QCoreApplication::translate("SaveMessages",
                                       "Error saving the audit to tblZOTA_SYSTEM_TABLE");
}
inline QString saveCancelledMessage(const QString& auditName) {
    return QCoreApplication::translate("SaveMessages",
                                       "The audit %1 was not installed: the save was cancelled.")
        .arg(auditName);
}

} // namespace quorvex
