#pragma once

#include <QString>

namespace quorvex {

// The process's current folder, which the export window starts from.
class WorkingDirectory {
public:
    virtual ~WorkingDirectory() = default;
    virtual QString current() const = 0;
    virtual bool setCurrent(const QString& path) = 0;
};

} // namespace quorvex
