#include "components/StatementChain.h"

#include "components/CancelToken.h"
#include "components/IConnection.h"

namespace quorvex {

StatementChain::StatementChain(QList<ChainStep> steps, UndoFailures undoFailures)
    : m_steps(std::move(steps)), m_undoFailures(undoFailures) {}

ChainResult StatementChain::run(IConnection& connection, CancelToken* cancel) const {
    ChainResult result;
    for (int i = 0; i < m_steps.size(); ++i) {
        if (cancel && cancel->isCancelled()) {
            result.failedStep = i;
            result.cancelled = true;
            break;
        }
        try {
            if (cancel) {
                const CancelToken::Watch watch(*cancel, connection);
                connection.execute(m_steps[i].statement);
            } else {
                connection.execute(m_steps[i].statement);
            }
        } catch (const DbException& failure) {
            if (m_steps[i].harmless && m_steps[i].harmless(failure))
                continue;
            result.failedStep = i;
            result.failure = failure;
            // A statement cut short by the cancel is a cancel, not a refusal to report.
            result.cancelled = cancel && cancel->isCancelled();
            break;
        }
    }
    if (!result.completed())
        undo(connection, result.failedStep, result);
    return result;
}

void StatementChain::undo(IConnection& connection, int failed, ChainResult& result) const {
    for (int i = failed - 1; i >= 0; --i) {
        const QString& undo = m_steps[i].undo;
        if (undo.isEmpty())
            continue;
        try {
            connection.execute(undo);
            result.undone << i;
        } catch (const DbException& failure) {
            result.undoFailures.append({i, undo, failure});
            if (m_undoFailures == UndoFailures::KeepOlderSteps) {
                for (int older = i - 1; older >= 0; --older) {
                    if (!m_steps[older].undo.isEmpty())
                        result.kept << older;
                }
                break;
            }
        }
    }
    if (!m_afterUndo.isEmpty()) {
        try {
            connection.execute(m_afterUndo);
        } catch (const DbException& failure) {
            result.undoFailures.append({-1, m_afterUndo, failure});
        }
    }
}

} // namespace quorvex
