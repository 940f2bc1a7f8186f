#include "sqlserver/SqlServerDateTimeValue.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>

namespace quorvex::sqlserver {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SqlServerDateTimeValue", text);
}

constexpr qint64 ticksPerSecond = 10'000'000; // the finest fraction any of the types keeps
constexpr qint64 ticksPerDay = 86'400 * ticksPerSecond;
constexpr int mostFractionDigits = 7;

const QRegularExpression dashedDate(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$"));
const QRegularExpression compactDate(QStringLiteral("^([0-9]{4})([0-9]{2})([0-9]{2})$"));
const QRegularExpression dateAndTime(
    QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})[ T]([0-9]{2}):([0-9]{2})"
                   "(?::([0-9]{2})(?:\\.([0-9]+))?)?(?:(Z)| ?([+-])([0-9]{2}):([0-9]{2}))?$"));
const QRegularExpression
    timeOfDay(QStringLiteral("^([0-9]{2}):([0-9]{2})(?::([0-9]{2})(?:\\.([0-9]+))?)?$"));

// What a type holds: its first and last day, and how finely it keeps a second.
struct TypeRange {
    QDate first;
    QDate last;
    const char* shown; // the range as the refusal names it
};

TypeRange rangeOf(const QString& type) {
    if (type == u"datetime")
        return {QDate(1753, 1, 1), QDate(9999, 12, 31),
                "1753-01-01 00:00:00 to 9999-12-31 23:59:59.997"};
    if (type == u"smalldatetime")
        return {QDate(1900, 1, 1), QDate(2079, 6, 6), "1900-01-01 00:00 to 2079-06-06 23:59"};
    if (type == u"date")
        return {QDate(1, 1, 1), QDate(9999, 12, 31), "0001-01-01 to 9999-12-31"};
    if (type == u"time")
        return {{}, {}, "00:00:00 to 23:59:59.9999999"};
    if (type == u"datetimeoffset")
        return {QDate(1, 1, 1), QDate(9999, 12, 31),
                "0001-01-01 00:00:00 to 9999-12-31 23:59:59.9999999 in UTC"};
    return {QDate(1, 1, 1), QDate(9999, 12, 31),
            "0001-01-01 00:00:00 to 9999-12-31 23:59:59.9999999"};
}

// datetime and smalldatetime read at most milliseconds; the newer types 100 nanoseconds.
int fractionDigitsOf(const QString& type) {
    return type == u"datetime" || type == u"smalldatetime" ? 3 : mostFractionDigits;
}

// The time of day in ticks as the server stores it in a column of the type: datetime rounds to
// 1/300 second (…0 and …1 ms down, …2 to …4 to …3, …5 to …8 to …7, …9 up), smalldatetime to
// the minute (29.998 s down, 29.999 s up), the others to their scale. A result of a whole day
// means the value rounds into the next day.
qint64 storedTicks(const QString& type, int scale, qint64 ticks) {
    if (type == u"datetime") {
        const qint64 ms = ticks / 10'000;
        static const int lastDigit[] = {0, 0, 3, 3, 3, 7, 7, 7, 7, 10};
        return (ms - ms % 10 + lastDigit[ms % 10]) * 10'000;
    }
    if (type == u"smalldatetime") {
        const qint64 minute = 60 * ticksPerSecond;
        const qint64 intoMinute = ticks % minute;
        return ticks - intoMinute + (intoMinute >= 29'999 * 10'000 ? minute : 0);
    }
    const int digits = scale >= 0 && scale <= mostFractionDigits ? scale : mostFractionDigits;
    qint64 unit = 1;
    for (int i = digits; i < mostFractionDigits; ++i)
        unit *= 10;
    return (ticks + unit / 2) / unit * unit;
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

bool SqlServerDateTimeValue::isDateTimeType(const QString& type) {
    return type == u"datetime" || type == u"smalldatetime" || type == u"date" || type == u"time" ||
           type == u"datetime2" || type == u"datetimeoffset";
}

QString SqlServerDateTimeValue::acceptedForms(const QString& type) {
    const QString fraction =
        fractionDigitsOf(type) == 3 ? QStringLiteral("fff") : QStringLiteral("fffffff");
    if (type == u"time")
        return QStringLiteral("hh:mm, hh:mm:ss or hh:mm:ss.") + fraction;
    QString forms = QStringLiteral("YYYY-MM-DD, YYYYMMDD, YYYY-MM-DD hh:mm[:ss[.%1]] or "
                                   "YYYY-MM-DDThh:mm[:ss[.%1]]")
                        .arg(fraction);
    if (type == u"datetimeoffset")
        forms += tr(", a time followed by Z or by an offset +hh:mm or -hh:mm");
    return forms;
}

SqlServerDateTimeValue SqlServerDateTimeValue::check(const QString& type, int scale,
                                                     const QString& value) {
    SqlServerDateTimeValue result;
    const QString text = value.trimmed();
    const bool timeOnly = type == u"time";

    QRegularExpressionMatch m;
    int dateGroup = 0; // where the year is captured, 0: no date
    int timeGroup = 0; // where the hour is captured, 0: no time
    if (timeOnly) {
        m = timeOfDay.match(text);
        timeGroup = 1;
    } else if ((m = dashedDate.match(text)).hasMatch() ||
               (m = compactDate.match(text)).hasMatch()) {
        dateGroup = 1;
    } else {
        m = dateAndTime.match(text);
        dateGroup = 1;
        timeGroup = 4;
    }
    const bool offsetGiven =
        !timeOnly && timeGroup != 0 && (m.capturedLength(8) > 0 || m.capturedLength(9) > 0);
    if (!m.hasMatch() || (offsetGiven && type != u"datetimeoffset")) {
        result.m_problem = tr("it is not written in one of the accepted forms");
        return result;
    }

    QDate day;
    if (dateGroup != 0) {
        day = QDate(m.captured(dateGroup).toInt(), m.captured(dateGroup + 1).toInt(),
                    m.captured(dateGroup + 2).toInt());
        if (!day.isValid() || day.year() < 1) {
            result.m_problem = tr("there is no such date");
            return result;
        }
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    QString fraction;
    if (timeGroup != 0) {
        hour = m.captured(timeGroup).toInt();
        minute = m.captured(timeGroup + 1).toInt();
        second = m.captured(timeGroup + 2).toInt();
        fraction = m.captured(timeGroup + 3);
        if (hour > 23 || minute > 59 || second > 59) {
            result.m_problem = tr("there is no such time of day");
            return result;
        }
        if (fraction.size() > fractionDigitsOf(type)) {
            result.m_problem = tr("a %1 keeps at most %2 digits of a second")
                                   .arg(type)
                                   .arg(fractionDigitsOf(type));
            return result;
        }
    }
    int offsetMinutes = 0;
    QString offset;
    if (offsetGiven) {
        if (m.capturedLength(8) > 0) {
            offset = QStringLiteral("+00:00");
        } else {
            const int hours = m.captured(10).toInt();
            const int minutes = m.captured(11).toInt();
            offsetMinutes = (hours * 60 + minutes) * (m.captured(9) == u"-" ? -1 : 1);
            if (minutes > 59 || hours * 60 + minutes > 14 * 60) {
                result.m_problem = tr("its offset lies outside -14:00 to +14:00");
                return result;
            }
            offset = m.captured(9) + twoDigits(hours) + u':' + twoDigits(minutes);
        }
    }

    // The value as the column would keep it, rounded to the type's fraction, must lie within the
    // type's range; a datetimeoffset's range holds in UTC.
    const TypeRange range = rangeOf(type);
    const qint64 given =
        ((hour * 60LL + minute) * 60 + second) * ticksPerSecond +
        QString(fraction + QString(mostFractionDigits, u'0')).left(mostFractionDigits).toLongLong();
    qint64 stored = type == u"date" ? 0 : storedTicks(type, scale, given);
    if (timeOnly) {
        if (stored >= ticksPerDay) {
            result.m_problem = tr("a %1 holds values from %2 only").arg(type, range.shown);
            return result;
        }
    } else {
        qint64 julian = day.toJulianDay();
        stored -= offsetMinutes * 60 * ticksPerSecond;
        julian += stored >= 0 ? stored / ticksPerDay : -((ticksPerDay - 1 - stored) / ticksPerDay);
        const bool inRange = julian >= range.first.toJulianDay() &&
                             julian <= range.last.toJulianDay() &&
                             day.toJulianDay() >= range.first.toJulianDay() &&
                             day.toJulianDay() <= range.last.toJulianDay();
        if (!inRange) {
            result.m_problem = tr("a %1 holds values from %2 only").arg(type, range.shown);
            return result;
        }
    }

    const QString time = twoDigits(hour) + u':' + twoDigits(minute) + u':' + twoDigits(second) +
                         (fraction.isEmpty() ? QString() : u'.' + fraction);
    const QString year = QStringLiteral("%1").arg(day.year(), 4, 10, QLatin1Char('0'));
    if (timeOnly)
        result.m_text = time;
    else if (timeGroup == 0)
        result.m_text = year + twoDigits(day.month()) + twoDigits(day.day());
    else
        result.m_text = year + u'-' + twoDigits(day.month()) + u'-' + twoDigits(day.day()) + u'T' +
                        time + offset;
    return result;
}

} // namespace quorvex::sqlserver
