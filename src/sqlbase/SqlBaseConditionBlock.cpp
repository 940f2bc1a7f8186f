#include "sqlbase/SqlBaseConditionBlock.h"

#include "sqlbase/SqlBaseLiteral.h"

using namespace Qt::StringLiterals;

namespace quorvex::sqlbase {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

QString comparison(const AuditCondition& condition) {
    // Values are compared as texts whatever the column's type; the procedure converts them.
    return condition.column + u' ' + condition.op + u' ' + sqlBaseStringLiteral(condition.value);
}

} // namespace

QString sqlBaseConditionBlock(const QList<AuditCondition>& conditions, AuditMode mode,
                              Connective connective) {
    // The value a matching condition gives the flag: "only when" records on a match (0),
    // "always except if" skips the row on a match (1).
    const int matched = mode == AuditMode::OnlyWhen ? 0 : 1;
    const QString setMatched = QStringLiteral("  Set nNoChange = ") + QString::number(matched);

    QString block = mode == AuditMode::OnlyWhen ? QStringLiteral(" Set nNoChange = 1")
                                                : QStringLiteral(" Set nNoChange = 0");
    int written = 0;
    for (const AuditCondition& condition : conditions) {
        if (condition.column.isEmpty())
            continue;
        if (connective == Connective::Or) {
            block += kLineBreak + u" If "_s + comparison(condition) + kLineBreak + setMatched;
        } else if (written == 0) {
            block += kLineBreak + u" If "_s + comparison(condition);
        } else {
            // AND keeps every comparison on the one If line.
            block += u" AND "_s + comparison(condition);
        }
        ++written;
    }
    // The If line of AND conditions ends in a blank before its break; installed procedures
    // have always looked like this, so the text is kept.
    if (written > 0 && connective == Connective::And)
        block += u' ' + kLineBreak + setMatched;
    return block;
}

} // namespace quorvex::sqlbase
