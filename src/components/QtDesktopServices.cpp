#include "components/QtDesktopServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace quorvex {

bool QtDesktopServices::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString QtDesktopServices::programFolder() const {
    return QCoreApplication::applicationDirPath();
}

} // namespace quorvex
