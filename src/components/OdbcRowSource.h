#pragma once

#include "components/DbErrorRecord.h"
#include "components/IRowSource.h"
#include "components/OdbcStatementHandle.h"

#include <deque>
#include <optional>
#include <sqltypes.h>

namespace quorvex {

class OdbcSession;

// The rows of an executed statement's current result, fetched from the driver one at a time
// as they are asked for. When the connection needs the driver for another statement (or
// closes), the remaining rows are read into memory and the statement is freed; the reader goes
// on from memory without noticing.
class OdbcRowSource : public IRowSource {
public:
    // Describes the result's columns and registers with the session as still reading.
    // Throws DbException.
    OdbcRowSource(OdbcStatementHandle statement, OdbcSession& session);
    ~OdbcRowSource() override;
    OdbcRowSource(const OdbcRowSource&) = delete;
    OdbcRowSource& operator=(const OdbcRowSource&) = delete;

    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override;

    // Reads the remaining rows into memory and frees the statement. A failure while reading is
    // kept and thrown when the reader reaches the row where it happened.
    void bufferRemainingRows() noexcept;
    bool isReadingFromDriver() const { return m_statement.isValid(); }

    // The kind of value an ODBC SQL type holds; an unknown type reads as text.
    static FieldKind kindOf(SQLSMALLINT sqlType);

private:
    void describeColumns();
    enum class RereadCutValues { No, Yes };
    // Binds every column to buffers, when every column has a bounded size; otherwise rows are
    // read cell by cell. A driver that reads a bound column again (Yes) fills one row per fetch
    // and a value that did not fit is read again whole; the others fill blocks of rows.
    void setUpBlockFetch(RereadCutValues reread) noexcept;
    bool fetchFromDriver(Row& row);
    bool fetchFromBlock(Row& row);
    // After the last row: lets the statement run to its end; throws on a late failure.
    // Returns false (no more rows).
    bool finishStatement();
    // Reads a text value into the slot (NULL empties it), reusing the slot's storage.
    void readText(SQLUSMALLINT column, FieldValue& target);
    FieldValue readBinary(SQLUSMALLINT column);
    void finishReading() noexcept;

    std::vector<FieldInfo> m_fields;
    OdbcStatementHandle m_statement;
    OdbcSession* m_session = nullptr; // set while reading from the driver
    std::deque<Row> m_buffered;
    std::optional<DbErrorList> m_bufferedFailure;
    Row m_scratch;                 // the next row, filled aside
    std::vector<SQLWCHAR> m_chunk; // long values arrive piece by piece through this buffer

    // Bound fetch: column i's values of the block lie at m_blockData[m_blockOffset[i] ...],
    // m_blockWidth[i] characters a row, their lengths in m_blockLengths[i * m_blockRows ...].
    bool m_block = false;
    bool m_rereadCutValues = false;
    SQLULEN m_blockRows = 0;
    SQLULEN m_rowsFetched = 0;
    SQLULEN m_nextBlockRow = 0;
    std::vector<SQLWCHAR> m_blockData;
    std::vector<SQLLEN> m_blockLengths;
    std::vector<SQLUSMALLINT> m_rowStatus;
    // A block fetch that failed part-way: the rows before the failure are handed out first.
    std::optional<DbErrorList> m_blockFailure;
    std::vector<std::size_t> m_blockOffset;
    std::vector<std::size_t> m_blockWidth;
};

} // namespace quorvex
