#include "components/ConnectionErrorReport.h"

namespace quorvex {

QString connectionErrorReport(const DbErrorList& errors, const QString& descriptionLabel) {
    QString text;
    for (const DbErrorRecord& e : errors) {
        text += QStringLiteral("Error #: %1\r\n").arg(e.number);
        text += descriptionLabel + e.description + QStringLiteral("\r\n");
        text += QStringLiteral("Source: ") + e.source + QStringLiteral("\r\n");
        text += QStringLiteral("SQL State: ") + e.sqlState + QStringLiteral("\r\n");
        text += QStringLiteral("Native Error: %1\r\n").arg(e.nativeError);
        text += QStringLiteral("\r\n");
    }
    return text;
}

} // namespace quorvex
