#pragma once

#include "components/FieldInfo.h"
#include "components/IRowSource.h"

#include <QString>
#include <deque>
#include <memory>

class QIODevice;

namespace quorvex {

// The rows of one query, read through a row source. The current row is the first row after
// opening. Rows are fetched from the source only as far as the caller moves, so reading a large
// result row by row holds one row at a time; counting the records reads the remaining rows
// ahead into memory.
//
// A closed (default-constructed) recordset has no fields and is at EOF and BOF.
class Recordset {
public:
    Recordset();
    explicit Recordset(std::unique_ptr<IRowSource> source); // fetches the first row
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool isOpen() const { return m_source != nullptr; }
    void close();

    int fieldCount() const;
    const std::vector<FieldInfo>& fields() const;
    const FieldInfo& field(int index) const;
    QString fieldName(int index) const;

    // Value of a field of the current row; NULL is an empty optional.
    // At EOF every value reads as NULL.
    const FieldValue& value(int index) const;
    const Row& currentRow() const { return m_current; }

    bool eof() const { return m_eof; }
    // Before the first row: only possible here when there are no rows at all.
    bool bof() const { return m_bof; }

    // Number of rows in the whole result, the ones already passed included.
    qint64 recordCount();
    // Zero-based index of the current row (the record count when at EOF).
    qint64 position() const { return m_position; }

    void moveNext();

    // Positions on the first row, from the current one forward, that meets the criterion
    // (for example "NAME = 'AMOUNT'"), or on EOF when none does. Returns !eof().
    // Operators: = <> != < > <= >= LIKE (with % and _). Text compares without regard to case;
    // a value that is a number on both sides compares as a number. Throws DbException on a
    // criterion it cannot read.
    bool find(const QString& criterion);

    // The current and every following row as one text: values joined by columnDelimiter, each
    // row followed by rowDelimiter, NULL written as nullText. Leaves the recordset at EOF.
    QString getString(const QString& columnDelimiter, const QString& rowDelimiter,
                      const QString& nullText);

    // Writes the current and every following row as an XML document in the rowset
    // persistence format (schema, then rows). Leaves the recordset at EOF.
    void saveXml(QIODevice& out);
    // The same into a file, replacing it; false when the file cannot be written.
    bool saveXml(const QString& path);

private:
    bool pull(Row& row); // next row: from the rows read ahead, else from the source

    std::unique_ptr<IRowSource> m_source;
    std::deque<Row> m_ahead;
    Row m_current;
    bool m_sourceDone = true;
    bool m_eof = true;
    bool m_bof = true;
    qint64 m_position = 0;
};

} // namespace quorvex
