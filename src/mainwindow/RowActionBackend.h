#pragma once

#include "mainwindow/AuditBackend.h"

namespace quorvex {

// A back end whose Disable, Enable and Delete are one loop over the picked rows, with nothing to
// do when the delete question was answered No.
class RowActionBackend : public AuditBackend {
public:
    std::optional<AuditListing> disableAudits(const QList<InstalledAuditRow>& rows,
                                              MessageService& messages,
                                              TaskContext& task) override {
        return actOnRows(rows, AuditAction::Disable, messages, task);
    }
    std::optional<AuditListing> enableAudits(const QList<InstalledAuditRow>& rows,
                                             MessageService& messages, TaskContext& task) override {
        return actOnRows(rows, AuditAction::Enable, messages, task);
    }
    std::optional<AuditListing> deleteAudits(const QList<InstalledAuditRow>& rows,
                                             DeleteAnswer answer, MessageService& messages,
                                             TaskContext& task) override {
        if (answer != DeleteAnswer::Yes)
            return std::nullopt;
        return actOnRows(rows, AuditAction::Delete, messages, task);
    }

protected:
    // Disable, Enable or Delete on each row's audit, then the listing to show; nothing when the
    // grid is to stay as it is.
    virtual std::optional<AuditListing> actOnRows(const QList<InstalledAuditRow>& rows,
                                                  AuditAction action, MessageService& messages,
                                                  TaskContext& task) = 0;
};

} // namespace quorvex
