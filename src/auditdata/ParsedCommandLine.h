#pragma once

#include <QString>

namespace quorvex {

// What a tool made of its arguments.
enum class CommandLineOutcome { Run, Help, UsageError };

template <typename Command> struct ParsedCommandLine {
    CommandLineOutcome outcome = CommandLineOutcome::UsageError;
    Command command; // when Run
    QString error;   // when UsageError
};

} // namespace quorvex
