#pragma once

#include <QString>

namespace quorvex::sqlbase {

// A text between single quotes with every inner quote doubled, for SQL statements and for the
// procedure language alike.
QString sqlBaseStringLiteral(const QString& text);

} // namespace quorvex::sqlbase
