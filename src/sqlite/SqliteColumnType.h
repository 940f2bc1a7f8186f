#pragma once

#include <QString>
#include <optional>

namespace quorvex::sqlite {

// A column's declared type as SQLite reads it: the affinity that decides how values are
// stored and compared, the declaration an audit table's copy of the column gets, and how a
// condition's value is written against the column.
class SqliteColumnType {
public:
    // SQLite's rules, in their order: INT, then CHAR/CLOB/TEXT, then BLOB or no type, then
    // REAL/FLOA/DOUB, else NUMERIC (DATE, DECIMAL, BOOLEAN...).
    enum class Affinity { Integer, Text, Blob, Real, Numeric };

    explicit SqliteColumnType(QString declared);

    const QString& declared() const { return m_declared; }
    Affinity affinity() const;

    // The declaration of the audit table's copy: the declared type as written when it reads
    // back unchanged, otherwise its name quoted (a type named like a keyword), which keeps the
    // affinity. Empty for a column without a type.
    QString auditDeclaration() const;

    // A condition's value as the trigger compares it with NEW."column" or OLD."column". Those
    // carry no affinity in a trigger, so a number is written as a number for the numeric
    // affinities (5000 > '1000' would be false) and as text for TEXT columns. Empty when an
    // INTEGER or REAL column is compared with something that is not a number: no row could
    // ever match it.
    std::optional<QString> conditionLiteral(const QString& value) const;

    // "1", "-2.5", "+3e4": a number as SQLite reads one.
    static bool isNumber(const QString& text);

private:
    QString m_declared;
};

} // namespace quorvex::sqlite
