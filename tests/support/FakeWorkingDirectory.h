#pragma once

#include "components/WorkingDirectory.h"

namespace quorvex::testing {

// A current folder that lives only in the test.
class FakeWorkingDirectory : public WorkingDirectory {
public:
    explicit FakeWorkingDirectory(QString path = QStringLiteral("/tmp"))
        : m_path(std::move(path)) {}
    QString current() const override { return m_path; }
    bool setCurrent(const QString& path) override {
        m_path = path;
        return true;
    }

private:
    QString m_path;
};

} // namespace quorvex::testing
