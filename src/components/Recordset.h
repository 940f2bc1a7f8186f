#pragma once

#include "components/FieldInfo.h"
#include "components/IRowSource.h"

#include <QString>
#include <memory>

class QIODevice;

namespace quorvex {

// The rows of one query, read through a row source. The current row is the first row after
// opening. Rows are fetched from the source only as far as the caller moves, so reading a large
// result row by row holds one row at a time; counting the records reads the remaining rows
// ahead into memory.
//
// A closed (default-constructed) recordset has no fields and is at EOF.
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

    void moveNext();

private:
    bool pull(Row& row); // the source's next row

    std::unique_ptr<IRowSource> m_source;
    Row m_current;
    bool m_sourceDone = true;
    bool m_eof = true;
};

} // namespace quorvex
