#include "sqlserver/SqlServerConditionValue.h"

#include "mainwindow/AuditDefinition.h"
#include "sqlserver/SqlServerDateTimeValue.h"
#include "sqlserver/SqlServerIdentifier.h"

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

bool isUnicodeType(const QString& type) {
    return type == u"nchar" || type == u"nvarchar" || type == u"ntext" || type == u"sysname";
}

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

// money and smallmoney keep ten-thousandths in a 64-bit and a 32-bit integer: the value, rounded
// to four decimals as the server rounds it, must fit.
QString moneyProblem(const QRegularExpressionMatch& m, const QString& text, const QString& type) {
    const bool small = type == u"smallmoney";
    const quint64 highest = small ? 2147483647ULL : 9223372036854775807ULL;
    const bool negative = text.startsWith(u'-');
    QString whole = m.captured(1);
    const QString fraction = m.captured(3).isEmpty() ? m.captured(2) : m.captured(3);
    while (whole.startsWith(u'0'))
        whole.remove(0, 1);
    bool fits = whole.size() <= 15;
    if (fits) {
        const QString digits = (fraction + QStringLiteral("00000")).left(5);
        quint64 scaled = whole.toULongLong() * 10000 + digits.left(4).toULongLong();
        if (digits.at(4) >= u'5')
            ++scaled;
        fits = scaled <= highest + (negative ? 1 : 0);
    }
    if (fits)
        return {};
    return small ? tr("a smallmoney holds -214,748.3648 to 214,748.3647 only")
                 : tr("a money holds -922,337,203,685,477.5808 to 922,337,203,685,477.5807 only");
}

// Empty when the server converts the value to the type without fail.
QString numberProblem(const ColumnInfo& column, const QString& type, const QString& text) {
    if (type == u"tinyint")
        return integerProblem(text, 0, 255);
    if (type == u"smallint")
        return integerProblem(text, -32768, 32767);
    if (type == u"int")
        return integerProblem(text, -2147483648LL, 2147483647LL);
    if (type == u"bigint")
        return integerProblem(text, std::numeric_limits<qint64>::min(),
                              std::numeric_limits<qint64>::max());
    if (type == u"decimal" || type == u"numeric" || type == u"money" || type == u"smallmoney") {
        const QRegularExpressionMatch m = exactNumber.match(text);
        if (!m.hasMatch())
            return tr("it is not a number");
        if (type == u"money" || type == u"smallmoney")
            return moneyProblem(m, text, type);
        QString whole = m.captured(1);
        while (whole.size() > 1 && whole.startsWith(u'0'))
            whole.remove(0, 1);
        const int room = column.precision - column.scale;
        if (whole != QLatin1String("0") && whole.size() > room)
            return tr("it has more than %1 digits before the decimal point").arg(room);
        return {};
    }
    if (type == u"float" || type == u"real")
        return approximateNumber.match(text).hasMatch() ? QString() : tr("it is not a number");
    // Any other number would be taken as 1: a condition "= 5" would hold for every set bit.
    if (type == u"bit")
        return text == u"0" || text == u"1" ? QString() : tr("a bit is compared with 0 or 1 only");
    if (type == u"uniqueidentifier")
        return guid.match(text).hasMatch() ? QString() : tr("it is not a GUID");
    return {};
}

} // namespace

SqlServerConditionValue SqlServerConditionValue::check(const ColumnInfo& column,
                                                       const QString& value) {
    SqlServerConditionValue result;
    result.m_column = column.name;
    result.m_type = column.type.toLower();
    result.m_value = value;
    if (SqlServerDateTimeValue::isDateTimeType(result.m_type)) {
        const SqlServerDateTimeValue date =
            SqlServerDateTimeValue::check(result.m_type, column.scale, value);
        result.m_problem = date.problem();
        if (!date.refused())
            result.m_literal = SqlServerIdentifier::literal(date.text());
        return result;
    }
    result.m_problem = numberProblem(column, result.m_type, value.trimmed());
    if (result.refused())
        return result;
    result.m_literal = isUnicodeType(result.m_type) ? SqlServerIdentifier::unicodeLiteral(value)
                                                    : SqlServerIdentifier::literal(value);
    return result;
}

SqlServerConditionValue SqlServerConditionValue::userName(const QString& value) {
    SqlServerConditionValue result;
    result.m_column = userIdPseudoColumn();
    result.m_type = QStringLiteral("nvarchar");
    result.m_value = value;
    result.m_literal = SqlServerIdentifier::unicodeLiteral(value);
    return result;
}

QString SqlServerConditionValue::refusalMessage(const QString& table) const {
    if (SqlServerDateTimeValue::isDateTimeType(m_type)) {
        return tr("The value '%1' cannot be compared with the field %2: %3. A %4 value is "
                  "accepted as %5, so that every language setting reads it the same.")
            .arg(m_value, m_column, m_problem, m_type,
                 SqlServerDateTimeValue::acceptedForms(m_type));
    }
    return tr("The value '%1' cannot be compared with the field %2: %3. The trigger would make "
              "every change to %4 fail.")
        .arg(m_value, m_column, m_problem, table);
}

} // namespace quorvex::sqlserver
