#pragma once

#include <QString>

namespace quorvex::sqlbase {

// What the SQLBase login window leaves behind for every later connection. There is no user:
// every connection logs on as SYSADM.
struct SqlBaseLoginValues {
    QString database;
    QString password;
};

} // namespace quorvex::sqlbase
