#pragma once

#include "components/WorkingDirectory.h"

namespace quorvex {

class QtWorkingDirectory : public WorkingDirectory {
public:
    QString current() const override;
    bool setCurrent(const QString& path) override;
};

} // namespace quorvex
