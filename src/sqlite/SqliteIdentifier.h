#pragma once

#include <QString>

namespace quorvex::sqlite {

// The one place where names and values are quoted for SQLite. Every name is written between
// double quotes, so no keyword, blank, quote or letter beyond ASCII in a user's table ever
// changes what a statement means.
class SqliteIdentifier {
public:
    // "name", every inner " doubled.
    static QString quote(const QString& name);

    // 'value', every inner ' doubled.
    static QString literal(const QString& value);

    // Whether two names name the same object or column: SQLite compares names without regard
    // to the case of the letters A to Z, and exactly otherwise.
    static bool sameName(const QString& a, const QString& b);
};

} // namespace quorvex::sqlite
