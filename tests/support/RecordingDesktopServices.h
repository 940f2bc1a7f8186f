#pragma once

#include "components/DesktopServices.h"

#include <QStringList>

namespace quorvex::testing {

// Records the files handed to the desktop; the program folder is whatever the test says.
class RecordingDesktopServices : public DesktopServices {
public:
    explicit RecordingDesktopServices(QString programFolder = QStringLiteral("/opt/quorvex/bin"))
        : m_programFolder(std::move(programFolder)) {}
    bool openFile(const QString& path) override {
        m_opened << path;
        return true;
    }
    QString programFolder() const override { return m_programFolder; }

    const QStringList& opened() const { return m_opened; }

private:
    QString m_programFolder;
    QStringList m_opened;
};

} // namespace quorvex::testing
