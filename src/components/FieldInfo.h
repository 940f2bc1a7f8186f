#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace quorvex {

// What kind of value a field holds; the file writers use it to type their output
// (numbers as numbers, dates as dates).
enum class FieldKind {
    Text,
    Integer, // up to 32 bits
    BigInt,  // 64 bits
    Decimal, // exact numeric with precision and scale
    Float,   // approximate numeric
    Boolean,
    Date,
    Time,
    DateTime,
    Binary, // values arrive as upper-case hexadecimal text
    Guid,
};

struct FieldInfo {
    QString name;
    FieldKind kind = FieldKind::Text;
    qint64 size = 0; // characters for text, bytes for binary, 0 when unknown or unlimited
    int precision = 0;
    int scale = 0;
    bool nullable = true;

    friend bool operator==(const FieldInfo&, const FieldInfo&) = default;
};

// A field's value: empty for NULL, so NULL is told apart from the empty text.
using FieldValue = std::optional<QString>;
using Row = std::vector<FieldValue>;

// The text of a row's cell; empty for NULL and for a cell the row does not have.
inline QString cellText(const Row& row, std::size_t column) {
    return column < row.size() ? row[column].value_or(QString()) : QString();
}

} // namespace quorvex
