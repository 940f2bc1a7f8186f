#pragma once

#include "mainwindow/ColumnInfo.h"

#include <QStringList>
#include <optional>

namespace quorvex {
class IConnection;
}

namespace quorvex::sqlite {

// What a SQLite database holds, as the main window lists it. Throws DbException.
class SqliteSchema {
public:
    // The tables a trigger can be put on, by name: no table of SQLite's own (sqlite_...), none
    // of ours (tblZOTA_..., in any case) and no virtual table.
    static QStringList tables(IConnection& connection);
    // A table's columns in their order: name, declared type, part of the primary key.
    static ColumnInfoList columns(IConnection& connection, const QString& table);
    // Whether the database has a trigger of that name, and its text.
    static std::optional<QString> triggerText(IConnection& connection, const QString& trigger);
    static bool hasTable(IConnection& connection, const QString& table);

    static QString tablesQuery();
    static QString columnsQuery(const QString& table);
};

} // namespace quorvex::sqlite
