#pragma once

#include "shell/BackendLaunchers.h"

#include <QStringList>

namespace quorvex::testing {

// Launchers that record which back end was asked for and hand back a plain stand-in window
// named like that back end's login window (none at all when told to fail).
class LauncherLog {
public:
    enum class Outcome { MakeWindow, MakeNothing };

    explicit LauncherLog(Outcome outcome = Outcome::MakeWindow) : m_outcome(outcome) {}

    BackendLaunchers launchers();
    const QStringList& calls() const { return m_calls; }

private:
    QWidget* launch(const QString& backend, const QString& windowName);

    Outcome m_outcome;
    QStringList m_calls;
};

} // namespace quorvex::testing
