#pragma once

#include <QFile>
#include <QStringList>

namespace quorvex::testing {

// What a file holds; "<missing>" when there is none.
inline QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The CSV file an export writes for these rows (values joined by "|", NULL as (NULL)).
inline QByteArray csvOf(const QStringList& header, const QStringList& rows) {
    const auto field = [](QString value) {
        if (!value.contains(u',') && !value.contains(u'"'))
            return value;
        return u'"' + value.replace(u'"', QStringLiteral("\"\"")) + u'"';
    };
    QStringList lines{header.join(u',')};
    for (const QString& row : rows) {
        QStringList fields;
        for (const QString& value : row.split(u'|'))
            fields << field(value);
        lines << fields.join(u',');
    }
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n")).toUtf8();
}

} // namespace quorvex::testing
