#pragma once

#include <QString>
#include <QStringList>

namespace quorvex {

// What a generator gives: the statements to send, in sending order, or a refusal with the
// message the window shows (and then nothing is sent).
struct GeneratedStatements {
    QStringList statements;
    QString refusal;

    bool refused() const { return !refusal.isEmpty(); }
    static GeneratedStatements refuse(const QString& message) { return {{}, message}; }
};

} // namespace quorvex
