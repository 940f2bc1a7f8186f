#pragma once

#include "components/DbException.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace quorvex {

class CancelToken;
class IConnection;

// One statement of a chain and how to take back what it did.
struct ChainStep {
    QString statement;
    // Takes the step back; empty when there is nothing to take back (a COMMIT, a catalog row
    // whose failure ends the chain anyway).
    QString undo;
    // A failure this says is harmless does not end the chain (an object that is gone already
    // cannot be dropped, and need not be). Unset: every failure ends it.
    std::function<bool(const DbException&)> harmless;
};

// How far a chain got.
struct ChainResult {
    struct UndoFailure {
        int step = -1;
        QString undo;
        DbException failure;
    };

    // The step that failed (or was reached when cancelled), -1 when every step ran.
    int failedStep = -1;
    // The server's refusal of that step; empty when the chain was cancelled before it.
    std::optional<DbException> failure;
    bool cancelled = false;
    // Steps taken back, newest first.
    QList<int> undone;
    // What could not be taken back.
    QList<UndoFailure> undoFailures;
    // Steps done and kept because something newer could not be taken back.
    QList<int> kept;

    bool completed() const { return failedStep < 0; }
};

// Installs something as a list of steps, each a statement and its undo: runs them in order and,
// at the first failure (or when cancelled between steps), takes back what was done, newest
// first. The running statement can be cancelled through the token; taking back is never
// cancelled.
class StatementChain {
public:
    // What to do when a step cannot be taken back.
    enum class UndoFailures {
        // Stop there and keep the older steps: what is newer may still rely on them (a trigger
        // that cannot be dropped keeps the table it writes to).
        KeepOlderSteps,
        // Take back every other step all the same, and report what stayed.
        UndoTheRest,
    };

    explicit StatementChain(QList<ChainStep> steps,
                            UndoFailures undoFailures = UndoFailures::KeepOlderSteps);

    // Sent after taking back, whether that worked or not (SQLBase's COMMIT); its failure is
    // reported as an undo failure of step -1.
    void setAfterUndo(const QString& statement) { m_afterUndo = statement; }

    // Told after each step that ran (a harmless failure included): how many of how many.
    using Progress = std::function<void(int stepsRun, int steps)>;
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    ChainResult run(IConnection& connection, CancelToken* cancel = nullptr) const;
    // The same with a sender of its own (a statement put into a database first, say);
    // `watched` is the connection the sender uses, for the cancel to reach.
    using Sender = std::function<void(const QString& statement)>;
    ChainResult run(const Sender& send, CancelToken* cancel, IConnection* watched) const;

    const QList<ChainStep>& steps() const { return m_steps; }

private:
    void undo(const Sender& send, int failed, ChainResult& result) const;

    QList<ChainStep> m_steps;
    UndoFailures m_undoFailures;
    QString m_afterUndo;
    Progress m_progress;
};

} // namespace quorvex
