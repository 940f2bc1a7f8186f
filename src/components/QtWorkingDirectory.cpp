#include "components/QtWorkingDirectory.h"

#include <QDir>

namespace quorvex {

QString QtWorkingDirectory::current() const {
    return QDir::currentPath();
}

bool QtWorkingDirectory::setCurrent(const QString& path) {
    return QDir::setCurrent(path);
}

} // namespace quorvex
