// Helpers shared by the tests of this folder.
#pragma once

#include "components/MemoryRowSource.h"
#include "components/Recordset.h"

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A result set over rows held in memory.
inline quorvex::Recordset recordset(std::vector<quorvex::FieldInfo> fields,
                                    std::vector<quorvex::Row> rows) {
    return quorvex::Recordset(
        std::make_unique<quorvex::MemoryRowSource>(std::move(fields), std::move(rows)));
}
