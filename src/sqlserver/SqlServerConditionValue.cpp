#include "sqlserver/SqlServerConditionValue.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <limits>

namespace quorvex::sqlserver {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SqlServerConditionValue", text);
}

// Digits with an optional sign and decimal point: what the server converts to an exact number.
const QRegularExpression exactNumber(QStringLiteral(R"(^[+-]?(\d+)(?:\.(\d*))?$|^[+-]?\.(\d+)$)"));
const QRegularExpression
    approximateNumber(QStringLiteral(R"(^[+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][+-]?\d+)?$)"));
const QRegularExpression guid(QStringLiteral(
    R"(^\{?[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\}?$)"));

QString integerProblem(const QString& text, qint64 low, qint64 high) {
    const QRegularExpressionMatch m = exactNumber.match(text);
    if (!m.hasMatch() || !m.captured(3).isEmpty() ||
        (!m.captured(2).isEmpty() && m.captured(2).count(u'0') != m.captured(2).size()))
        return tr("it is not a whole number");
    bool ok = false;
    const QString whole = text.section(u'.', 0, 0);
    const qint64 n = whole.toLongLong(&ok);
    if (!ok || n < low || n > high)
        return tr("it lies outside %1 to %2").arg(low).arg(high);
    return {};
}

} // namespace

QString SqlServerConditionValue::problem(const ColumnInfo& column, const QString& value) {
    const QString type = column.type.toLower();
    const QString text = value.trimmed();
    if (type == QLatin1String("tinyint"))
        return integerProblem(text, 0, 255);
    if (type == QLatin1String("smallint"))
        return integerProblem(text, -32768, 32767);
    if (type == QLatin1String("int"))
        return integerProblem(text, -2147483648LL, 2147483647LL);
    if (type == QLatin1String("bigint"))
        return integerProblem(text, std::numeric_limits<qint64>::min(),
                              std::numeric_limits<qint64>::max());
    if (type == QLatin1String("decimal") || type == QLatin1String("numeric") ||
        type == QLatin1String("money") || type == QLatin1String("smallmoney")) {
        const QRegularExpressionMatch m = exactNumber.match(text);
        if (!m.hasMatch())
            return tr("it is not a number");
        if (type == QLatin1String("decimal") || type == QLatin1String("numeric")) {
            QString whole = m.captured(1);
            while (whole.size() > 1 && whole.startsWith(u'0'))
                whole.remove(0, 1);
            const int room = column.precision - column.scale;
            if (whole != QLatin1String("0") && whole.size() > room)
                return tr("it has more than %1 digits before the decimal point").arg(room);
        }
        return {};
    }
    if (type == QLatin1String("float") || type == QLatin1String("real"))
        return approximateNumber.match(text).hasMatch() ? QString() : tr("it is not a number");
    if (type == QLatin1String("bit")) {
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return {};
        return exactNumber.match(text).hasMatch() ? QString()
                                                  : tr("it is neither a number nor true or false");
    }
    if (type == QLatin1String("uniqueidentifier"))
        return guid.match(text).hasMatch() ? QString() : tr("it is not a GUID");
    return {};
}

QString SqlServerConditionValue::refusalMessage(const QString& column, const QString& value,
                                                const QString& why, const QString& table) {
    return tr("The value '%1' cannot be compared with the field %2: %3. The trigger would make "
              "every change to %4 fail.")
        .arg(value, column, why, table);
}

} // namespace quorvex::sqlserver
