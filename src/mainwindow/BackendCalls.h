#pragma once

#include "components/MessageLog.h"
#include "components/WindowOperation.h"
#include "mainwindow/AuditBackend.h"

#include <functional>
#include <memory>
#include <optional>

namespace quorvex {

// How the main window's tabs reach the back end: each call runs as the window's one operation on
// a worker, its messages go to a log shown on the window's thread once it has ended, and then
// the tab gets the result. The back end is shared with the worker, so a call that outlives the
// window (closed meanwhile) still has it; its result is then dropped.
class BackendCalls {
public:
    BackendCalls(std::shared_ptr<AuditBackend> backend, WindowOperation& operation,
                 MessageService& messages)
        : m_backend(std::move(backend)), m_operation(operation), m_messages(messages) {}

    const MainWindowTraits& traits() const { return m_backend->traits(); }
    AuditBackend& backend() { return *m_backend; }
    MessageService& messages() { return m_messages; }
    WindowOperation& operation() { return m_operation; }
    bool isBusy() const { return m_operation.isBusy(); }

    // Runs `call` on a worker; after its messages `then` gets what it returned (not when it
    // threw, a cancel for instance). False when another operation of the window runs.
    template <typename Result>
    bool run(const QString& what,
             std::function<Result(AuditBackend&, MessageService&, TaskContext&)> call,
             std::function<void(Result)> then) {
        auto log = std::make_shared<MessageLog>();
        auto result = std::make_shared<std::optional<Result>>();
        std::shared_ptr<AuditBackend> backend = m_backend;
        MessageService* messages = &m_messages;
        return m_operation.run(
            what,
            [backend, log, result, call = std::move(call)](TaskContext& task) {
                *result = call(*backend, *log, task);
            },
            [log, result, messages, then = std::move(then)] {
                log->replay(*messages);
                if (*result && then)
                    then(std::move(**result));
            });
    }

    // The calls both definition tabs make. False when another operation of the window runs.
    // The table's columns in catalogue order; `then` is not called when they could not be read.
    bool listColumns(const QString& table, std::function<void(const QStringList&)> then);
    // GO: the back end saves the audit; `then` gets what the save came to.
    bool save(const AuditDefinition& audit, std::function<void(const SaveResult&)> then);

private:
    std::shared_ptr<AuditBackend> m_backend;
    WindowOperation& m_operation;
    MessageService& m_messages;
};

} // namespace quorvex
