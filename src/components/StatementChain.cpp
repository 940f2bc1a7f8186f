#include "components/StatementChain.h"

#include "components/CancelToken.h"
#include "components/IConnection.h"

namespace quorvex {

StatementChain::StatementChain(QList<ChainStep> steps, UndoFailures undoFailures)
    : m_steps(std::move(steps)), m_undoFailures(undoFailures) {}

ChainResult StatementChain::run(IConnection& connection, CancelToken* cancel) const {
    return run([&connection](const QString& statement) { connection.execute(statement); }, cancel,
               &connection);
}

ChainResult StatementChain::run(const Sender& send, CancelToken* cancel,
                                IConnection* watched) const {
    ChainResult result;
    for (int i = 0; i < m_steps.size(); ++i) {
        if (cancel && cancel->isCancelled()) {
            result.failedStep = i;
            result.cancelled = true;
            break;
        }
        try {
            if (cancel && watched) {
                const CancelToken::Watch watch(*cancel, *watched);
                send(m_steps[i].statement);
            } else {
                send(m_steps[i].statement);
            }
        } catch (const DbException& failure) {
            if (!m_steps[i].harmless || !m_steps[i].harmless(failure)) {
                result.failedStep = i;
                result.failure = failure;
                // A statement cut short by the cancel is a cancel, not a refusal to report.
                result.cancelled = cancel && cancel->isCancelled();
                break;
            }
        }
        if (m_progress)
            m_progress(i + 1, int(m_steps.size()));
    }
    if (!result.completed())
        undo(send, result.failedStep, result);
    return result;
}

void StatementChain::undo(const Sender& send, int failed, ChainResult& result) const {
    for (int i = failed - 1; i >= 0; --i) {
        const QString& undo = m_steps[i].undo;
        if (undo.isEmpty())
            continue;
        try {
            send(undo);
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
            send(m_afterUndo);
        } catch (const DbException& failure) {
            result.undoFailures.append({-1, m_afterUndo, failure});
        }
    }
}

} // namespace quorvex
