#include "mainwindow/BackendCalls.h"

#include <QCoreApplication>

namespace quorvex {

bool BackendCalls::listColumns(const QString& table, std::function<void(const QStringList&)> then) {
    return run<std::optional<QStringList>>(
        QCoreApplication::translate("BackendCalls", "Reading the columns of %1").arg(table),
        [table](AuditBackend& backend, MessageService& messages, TaskContext& task) {
            return backend.listColumns(table, messages, task);
        },
        [then = std::move(then)](std::optional<QStringList> columns) {
            if (columns)
                then(*columns);
        });
}

bool BackendCalls::save(const AuditDefinition& audit, std::function<void(const SaveResult&)> then) {
    return run<SaveResult>(
        QCoreApplication::translate("BackendCalls", "Installing the audit %1").arg(audit.name),
        [audit](AuditBackend& backend, MessageService& messages, TaskContext& task) {
            return backend.save(audit, messages, task);
        },
        [then = std::move(then)](SaveResult result) { then(result); });
}

} // namespace quorvex
