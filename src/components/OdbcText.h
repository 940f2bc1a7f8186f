#pragma once

#include <QString>
#include <sqltypes.h>
#include <vector>

namespace quorvex {

// Text between Qt and the wide ODBC functions: SQLWCHAR is UTF-16 with unixODBC.
class OdbcText {
public:
    // A copy with a terminating zero, for the arguments the driver functions take as non-const.
    static std::vector<SQLWCHAR> toWide(const QString& text);
    // length in characters; a negative length reads up to the terminating zero. Every UTF-16
    // unit is kept as it is, U+FEFF and U+FFFE included.
    static QString fromWide(const SQLWCHAR* text, qsizetype length);
};

} // namespace quorvex
