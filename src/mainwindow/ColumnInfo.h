#pragma once

#include <QList>
#include <QString>

namespace quorvex {

// One column of a user table as the back end's catalogue gives it, in catalogue order.
// SQL Server: type name in lower case, length in characters (-1 for max), precision and scale,
// primary-key flag. SQLBase: SYSCOLUMNS' NAME, COLTYPE, LENGTH and SCALE (precision unused,
// no primary-key flag).
struct ColumnInfo {
    QString name;
    QString type;
    qint64 length = 0;
    int precision = 0;
    int scale = 0;
    bool primaryKey = false;

    friend bool operator==(const ColumnInfo&, const ColumnInfo&) = default;
};

using ColumnInfoList = QList<ColumnInfo>;

// The column of that exact name, or null.
inline const ColumnInfo* findColumn(const ColumnInfoList& columns, const QString& name) {
    for (const ColumnInfo& column : columns) {
        if (column.name == name)
            return &column;
    }
    return nullptr;
}

} // namespace quorvex
