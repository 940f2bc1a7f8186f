#include "components/OdbcRowSource.h"

#include "components/DbException.h"
#include "components/OdbcDiagnostics.h"
#include "components/OdbcSession.h"
#include "components/OdbcText.h"

#include <QByteArray>
#include <algorithm>
#include <sqlext.h>
#include <utility>

namespace quorvex {

namespace {

constexpr std::size_t chunkCharacters = 4096;

// Rows per block fetch, and the widest text column read in blocks; a wider (or unbounded)
// column is read cell by cell, piece by piece.
constexpr SQLULEN blockRows = 256;
constexpr qint64 widestBlockText = 4000;
// Room for a number, a date or a time as text: 38 digits, sign, point; or a date-time with
// seven fractional digits and a time zone.
constexpr std::size_t scalarCharacters = 64;

// SQL Server's own types, as FreeTDS reports them.
constexpr SQLSMALLINT sqlServerTime = -154;
constexpr SQLSMALLINT sqlServerDateTimeOffset = -155;

bool isLongType(SQLSMALLINT sqlType) {
    return sqlType == SQL_LONGVARCHAR || sqlType == SQL_WLONGVARCHAR ||
           sqlType == SQL_LONGVARBINARY;
}

} // namespace

OdbcRowSource::OdbcRowSource(OdbcStatementHandle statement, OdbcSession& session)
    : m_statement(std::move(statement)), m_chunk(chunkCharacters) {
    describeColumns();
    setUpBlockFetch(session.rereadsBoundColumns() ? RereadCutValues::Yes : RereadCutValues::No);
    session.attach(*this);
    m_session = &session;
}

OdbcRowSource::~OdbcRowSource() {
    finishReading();
}

FieldKind OdbcRowSource::kindOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
        return FieldKind::Integer;
    case SQL_BIGINT:
        return FieldKind::BigInt;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return FieldKind::Decimal;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return FieldKind::Float;
    case SQL_BIT:
        return FieldKind::Boolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return FieldKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case sqlServerTime:
        return FieldKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case sqlServerDateTimeOffset:
        return FieldKind::DateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return FieldKind::Binary;
    case SQL_GUID:
        return FieldKind::Guid;
    default: // CHAR, VARCHAR, LONGVARCHAR, their wide forms, and whatever a driver adds
        return FieldKind::Text;
    }
}

void OdbcRowSource::describeColumns() {
    const SQLHSTMT statement = m_statement.handle();
    SQLSMALLINT count = 0;
    OdbcDiagnostics::check(SQLNumResultCols(statement, &count), SQL_HANDLE_STMT, statement);

    std::vector<SQLWCHAR> name(256);
    for (SQLUSMALLINT column = 1; column <= count; ++column) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN columnSize = 0;
        SQLSMALLINT decimalDigits = 0;
        SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
        const auto describe = [&] {
            return OdbcDiagnostics::check(SQLDescribeColW(statement, column, name.data(),
                                                          static_cast<SQLSMALLINT>(name.size()),
                                                          &nameLength, &sqlType, &columnSize,
                                                          &decimalDigits, &nullable),
                                          SQL_HANDLE_STMT, statement);
        };
        describe();
        if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
            name.resize(static_cast<std::size_t>(nameLength) + 1);
            describe();
        }

        FieldInfo field;
        field.name = OdbcText::fromWide(
            name.data(), std::min<qsizetype>(nameLength, static_cast<qsizetype>(name.size()) - 1));
        field.kind = kindOf(sqlType);
        if ((field.kind == FieldKind::Text || field.kind == FieldKind::Binary) &&
            !isLongType(sqlType))
            field.size = static_cast<qint64>(columnSize);
        if (field.kind == FieldKind::Decimal) {
            field.precision = static_cast<int>(columnSize);
            field.scale = decimalDigits;
        }
        field.nullable = nullable != SQL_NO_NULLS;
        m_fields.push_back(std::move(field));
    }
}

bool OdbcRowSource::fetch(Row& row) {
    if (m_statement.isValid()) {
        try {
            if (fetchFromDriver(row))
                return true;
        } catch (const DbException& e) {
            if (m_session != nullptr)
                m_session->setErrors(e.errors());
            finishReading();
            throw;
        }
        finishReading();
        return false;
    }
    if (!m_buffered.empty()) {
        row = std::move(m_buffered.front());
        m_buffered.pop_front();
        return true;
    }
    if (m_bufferedFailure) {
        DbErrorList errors = std::move(*m_bufferedFailure);
        m_bufferedFailure.reset();
        throw DbException(std::move(errors));
    }
    return false;
}

void OdbcRowSource::setUpBlockFetch(RereadCutValues reread) noexcept {
    if (m_fields.empty())
        return;
    // A driver that reads a bound column again gets one row per fetch, and a value longer than
    // its column declares (SQLite keeps such values) is read again whole, piece by piece. The
    // others get blocks, which leave no way back to a value that did not fit, so their buffers
    // have room for two UTF-16 units per declared character (a database that counts characters
    // may hold ones outside the Basic Multilingual Plane).
    const bool rereads = reread == RereadCutValues::Yes;
    const SQLULEN wantedRows = rereads ? 1 : blockRows;
    const std::size_t unitsPerCharacter = rereads ? 1 : 2;
    std::vector<std::size_t> widths;
    for (const FieldInfo& field : m_fields) {
        if (field.kind == FieldKind::Binary)
            return;
        if (field.kind == FieldKind::Text) {
            if (field.size <= 0 || field.size > widestBlockText)
                return;
            widths.push_back(static_cast<std::size_t>(field.size) * unitsPerCharacter + 1);
        } else {
            widths.push_back(scalarCharacters);
        }
    }

    const SQLHSTMT statement = m_statement.handle();
    const auto fallBack = [statement] {
        SQLFreeStmt(statement, SQL_UNBIND);
        SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        SQLSetStmtAttr(statement, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    };
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_BIND_TYPE,
                                      reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE,
                                      reinterpret_cast<SQLPOINTER>(wantedRows), 0))) {
        fallBack();
        return;
    }
    // A driver may take a smaller block than asked for.
    SQLULEN rows = 0;
    if (!SQL_SUCCEEDED(SQLGetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, &rows, 0, nullptr)) ||
        rows < 1 || rows > wantedRows || (!rereads && rows < 2)) {
        fallBack();
        return;
    }
    m_blockRows = rows;
    m_rereadCutValues = rereads;

    std::size_t total = 0;
    for (std::size_t width : widths) {
        m_blockOffset.push_back(total);
        total += width * m_blockRows;
    }
    m_blockWidth = widths;
    m_blockData.assign(total, 0);
    m_blockLengths.assign(m_fields.size() * m_blockRows, 0);
    m_rowStatus.assign(m_blockRows, SQL_ROW_NOROW);

    bool bound =
        SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, &m_rowsFetched, 0)) &&
        SQL_SUCCEEDED(SQLSetStmtAttr(statement, SQL_ATTR_ROW_STATUS_PTR, m_rowStatus.data(), 0));
    for (std::size_t i = 0; bound && i < m_fields.size(); ++i) {
        bound = SQL_SUCCEEDED(SQLBindCol(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_C_WCHAR,
                                         &m_blockData[m_blockOffset[i]],
                                         static_cast<SQLLEN>(m_blockWidth[i] * sizeof(SQLWCHAR)),
                                         &m_blockLengths[i * m_blockRows]));
    }
    if (!bound) {
        fallBack();
        m_blockData.clear();
        m_blockLengths.clear();
        m_rowStatus.clear();
        m_blockOffset.clear();
        m_blockWidth.clear();
        return;
    }
    m_block = true;
}

bool OdbcRowSource::fetchFromBlock(Row& row) {
    const auto rowFailed = [this](SQLULEN r) {
        return m_rowStatus[r] == SQL_ROW_ERROR || m_rowStatus[r] == SQL_ROW_NOROW;
    };
    if (m_nextBlockRow >= m_rowsFetched || rowFailed(m_nextBlockRow)) {
        if (m_blockFailure) {
            // Every row before the failure has been handed out: now the failure.
            DbErrorList errors = std::move(*m_blockFailure);
            m_blockFailure.reset();
            m_rowsFetched = 0;
            m_nextBlockRow = 0;
            throw DbException(std::move(errors));
        }
        const SQLHSTMT statement = m_statement.handle();
        m_rowsFetched = 0;
        m_nextBlockRow = 0;
        std::fill(m_rowStatus.begin(), m_rowStatus.end(), SQLUSMALLINT(SQL_ROW_NOROW));
        try {
            const SQLRETURN rc = m_statement.run([statement] { return SQLFetch(statement); });
            if (OdbcDiagnostics::check(rc, SQL_HANDLE_STMT, statement) == SQL_NO_DATA)
                return finishStatement();
        } catch (const DbException& failure) {
            m_blockFailure = failure.errors();
        }
        if (m_rowsFetched > m_blockRows)
            m_rowsFetched = 0;
        if (m_rowsFetched == 0 || rowFailed(0)) {
            if (m_blockFailure) {
                DbErrorList errors = std::move(*m_blockFailure);
                m_blockFailure.reset();
                m_rowsFetched = 0;
                throw DbException(std::move(errors));
            }
            if (m_rowsFetched == 0)
                return false;
            throw DbException::single(QStringLiteral("The driver could not read a row."));
        }
    }
    const SQLULEN r = m_nextBlockRow;
    m_scratch.resize(m_fields.size());
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const SQLLEN length = m_blockLengths[i * m_blockRows + r];
        FieldValue& target = m_scratch[i];
        if (length == SQL_NULL_DATA) {
            target.reset();
            continue;
        }
        const auto room = static_cast<SQLLEN>((m_blockWidth[i] - 1) * sizeof(SQLWCHAR));
        if (length == SQL_NO_TOTAL || length < 0 || length > room) {
            // The value is longer than its column declares.
            if (m_rereadCutValues) {
                readText(static_cast<SQLUSMALLINT>(i + 1), target);
                continue;
            }
            // A block leaves no way back to it; rather than cut the value, the read fails.
            throw DbException::single(
                QStringLiteral("A value of the column %1 is longer than the %2 characters the "
                               "driver gives that column, so the rows cannot be read whole.")
                    .arg(m_fields[i].name)
                    .arg(m_blockWidth[i] - 1),
                QStringLiteral("01004"));
        }
        const auto characters = static_cast<qsizetype>(length / sizeof(SQLWCHAR));
        if (!target)
            target.emplace();
        target->resize(characters);
        std::copy_n(&m_blockData[m_blockOffset[i] + r * m_blockWidth[i]], characters,
                    reinterpret_cast<char16_t*>(target->data()));
    }
    ++m_nextBlockRow;
    std::swap(row, m_scratch);
    return true;
}

bool OdbcRowSource::fetchFromDriver(Row& row) {
    if (m_block)
        return fetchFromBlock(row);
    const SQLHSTMT statement = m_statement.handle();
    const SQLRETURN rc = m_statement.run([statement] { return SQLFetch(statement); });
    if (OdbcDiagnostics::check(rc, SQL_HANDLE_STMT, statement) == SQL_NO_DATA)
        return finishStatement();
    // Filled aside, so a failure halfway leaves the caller's row as it was. The caller's old
    // row becomes the next row's scratch space, which saves an allocation per row.
    m_scratch.resize(m_fields.size());
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const auto column = static_cast<SQLUSMALLINT>(i + 1);
        if (m_fields[i].kind == FieldKind::Binary)
            m_scratch[i] = readBinary(column);
        else
            readText(column, m_scratch[i]);
    }
    std::swap(row, m_scratch);
    return true;
}

bool OdbcRowSource::finishStatement() {
    // The statement runs to its end before it is freed: freeing it earlier would cancel what
    // it still does after its last row (a DELETE ... OUTPUT deleting), and a failure there
    // shows here instead of going unseen.
    const SQLHSTMT statement = m_statement.handle();
    const auto nextResult = [statement] { return SQLMoreResults(statement); };
    while (OdbcDiagnostics::check(m_statement.run(nextResult), SQL_HANDLE_STMT, statement) !=
           SQL_NO_DATA) {
    }
    return false;
}

void OdbcRowSource::readText(SQLUSMALLINT column, FieldValue& target) {
    const SQLHSTMT statement = m_statement.handle();
    const auto capacityBytes = static_cast<SQLLEN>(m_chunk.size() * sizeof(SQLWCHAR));
    const auto capacityCharacters = static_cast<qsizetype>(m_chunk.size()) - 1; // less the zero
    QString value;
    bool pieces = false; // a long value arrived in more than one piece
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = OdbcDiagnostics::check(
            SQLGetData(statement, column, SQL_C_WCHAR, m_chunk.data(), capacityBytes, &indicator),
            SQL_HANDLE_STMT, statement);
        if (rc == SQL_NO_DATA)
            break; // the last piece came with the previous call
        if (indicator == SQL_NULL_DATA) {
            target.reset();
            return;
        }
        const bool truncated = rc == SQL_SUCCESS_WITH_INFO &&
                               (indicator == SQL_NO_TOTAL ||
                                indicator > capacityBytes - static_cast<SQLLEN>(sizeof(SQLWCHAR)));
        if (truncated) {
            value += OdbcText::fromWide(m_chunk.data(), capacityCharacters);
            pieces = true;
            continue;
        }
        const qsizetype characters = std::min<qsizetype>(
            static_cast<qsizetype>(indicator) / static_cast<qsizetype>(sizeof(SQLWCHAR)),
            capacityCharacters);
        if (!pieces) {
            // The usual case, the whole value in one piece: copied into the text the slot
            // already holds, whose storage is reused when nobody else shares it.
            if (!target)
                target.emplace();
            target->resize(characters);
            std::copy_n(m_chunk.data(), characters, reinterpret_cast<char16_t*>(target->data()));
            return;
        }
        value += OdbcText::fromWide(m_chunk.data(), characters);
        break;
    }
    target = std::move(value);
}

FieldValue OdbcRowSource::readBinary(SQLUSMALLINT column) {
    const SQLHSTMT statement = m_statement.handle();
    const auto capacityBytes = static_cast<SQLLEN>(m_chunk.size() * sizeof(SQLWCHAR));
    QByteArray bytes;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = OdbcDiagnostics::check(
            SQLGetData(statement, column, SQL_C_BINARY, m_chunk.data(), capacityBytes, &indicator),
            SQL_HANDLE_STMT, statement);
        if (rc == SQL_NO_DATA)
            break;
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        const bool truncated =
            rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator > capacityBytes);
        const SQLLEN length = truncated ? capacityBytes : std::min(indicator, capacityBytes);
        bytes.append(reinterpret_cast<const char*>(m_chunk.data()), length);
        if (!truncated)
            break;
    }
    return QString::fromLatin1(bytes.toHex().toUpper());
}

void OdbcRowSource::bufferRemainingRows() noexcept {
    if (!m_statement.isValid())
        return;
    try {
        Row row;
        while (fetchFromDriver(row))
            m_buffered.push_back(std::move(row));
    } catch (const DbException& e) {
        m_bufferedFailure = e.errors();
        if (m_session != nullptr)
            m_session->setErrors(e.errors());
    } catch (...) {
        // Out of memory: what was read stays readable, and the reader learns the rest is lost.
        m_bufferedFailure =
            DbException::single(QStringLiteral("The remaining rows could not be kept in memory."),
                                QStringLiteral("HY001"))
                .errors();
    }
    finishReading();
}

void OdbcRowSource::finishReading() noexcept {
    m_statement.reset();
    if (m_session != nullptr)
        m_session->detach(*this);
    m_session = nullptr;
}

} // namespace quorvex
