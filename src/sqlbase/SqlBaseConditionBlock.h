#pragma once

#include "mainwindow/AuditDefinition.h"

#include <QList>
#include <QString>

namespace quorvex::sqlbase {

// The lines of the audit procedure that decide whether a row is recorded: nNoChange starts at 1
// ("Audit only when") or 0 ("Audit always except if") and the conditions flip it. Conditions
// with an empty column are skipped. The text never ends with a line break. Expects conditions
// already checked (known column, one of the four operators, single-line value).
QString sqlBaseConditionBlock(const QList<AuditCondition>& conditions, AuditMode mode,
                              Connective connective);

} // namespace quorvex::sqlbase
