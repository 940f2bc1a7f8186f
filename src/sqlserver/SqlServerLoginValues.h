#pragma once

#include <QString>

namespace quorvex {

// What the SQL Server login window leaves behind for every later connection.
struct SqlServerLoginValues {
    QString server;
    QString user;
    QString password;
    QString database;
};

} // namespace quorvex
