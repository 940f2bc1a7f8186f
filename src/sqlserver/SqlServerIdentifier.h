#pragma once

#include <QString>

namespace quorvex::sqlserver {

// The one place where names and values are quoted for T-SQL. A regular identifier is written
// as it stands, so the statements of ordinary tables read exactly as users know them; any
// other name (a blank in it, a reserved word such as ORDER or KEY, a "]") is bracketed with
// every inner "]" doubled.
class SqlServerIdentifier {
public:
    // A name the server takes without delimiters: a letter or "_" first, then letters, digits,
    // "_", "@", "$" or "#", and not a reserved keyword.
    static bool isRegular(const QString& name);

    // Compared without regard to letter case, as the server parses keywords.
    static bool isReservedKeyword(const QString& word);

    // The name as it stands when regular, else bracketed.
    static QString quote(const QString& name);

    // A table as the catalogue lists it: "schema.table" outside dbo, the bare name in dbo. The
    // schema and the table are quoted each on its own ("sales.[Order Lines]"); bracketing the
    // whole would name a table "sales.Order Lines" in dbo.
    static QString quoteTableName(const QString& name);

    // The quoted schema of such a table followed by ".", or empty for a dbo table: a trigger
    // lives in the schema of its table, so outside dbo its name needs the prefix.
    static QString schemaPrefix(const QString& tableName);

    // The one reading of such a name: the schema up to the first "." (empty for a dbo table),
    // and the table after it; and the one way back.
    struct TableName {
        QString schema;
        QString table;
    };
    static TableName splitTableName(const QString& name);
    static QString tableName(const QString& schema, const QString& table);

    // Always bracketed: for the places where every name is written in brackets.
    static QString bracket(const QString& name);

    // A string literal in single quotes, every inner "'" doubled.
    static QString literal(const QString& value);

    // The same as a Unicode literal, N'...': compared with an nchar or nvarchar column (or the
    // user's name) it keeps every character, where '...' passes through the database's code
    // page and turns the letters it lacks into "?".
    static QString unicodeLiteral(const QString& value);
};

} // namespace quorvex::sqlserver
