#pragma once

#include "components/IRowSource.h"

#include <functional>

namespace quorvex {

class Recordset;

// Hands on another recordset's rows, from its current row, and calls back every `interval`
// rows: a window filling its grid keeps painting and answering clicks between batches, and can
// end the rows early (the callback returns false). The recordset must outlive this source.
class PacedRowSource : public IRowSource {
public:
    using Pace = std::function<bool(qint64 rowsSoFar)>;

    PacedRowSource(Recordset& rows, qint64 interval, Pace pace);

    const std::vector<FieldInfo>& fields() const override;
    bool fetch(Row& row) override;

    // Whether the callback ended the rows before the recordset's end.
    bool stopped() const { return m_stopped; }

private:
    Recordset& m_rows;
    qint64 m_interval;
    Pace m_pace;
    qint64 m_count = 0;
    bool m_stopped = false;
    bool m_handedOut = false; // the current row has been handed out
};

} // namespace quorvex
