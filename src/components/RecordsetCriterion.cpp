#include "components/RecordsetCriterion.h"

#include "components/DbException.h"

#include <QRegularExpression>

namespace quorvex {

namespace {

DbException badCriterion(const QString& text, const QString& why) {
    return DbException::single(
        QStringLiteral("The search criterion \"%1\" cannot be used: %2.").arg(text, why),
        QStringLiteral("HY024"));
}

bool isBlank(QChar c) {
    return c.isSpace();
}

// ADO-style LIKE: % and * for any run, _ and ? for one character, without regard to case.
bool likeMatches(const QString& text, const QString& pattern) {
    QString rx;
    rx.reserve(pattern.size() * 2 + 2);
    for (QChar c : pattern) {
        if (c == u'%' || c == u'*')
            rx += QStringLiteral(".*");
        else if (c == u'_' || c == u'?')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString(c));
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(rx),
                                QRegularExpression::CaseInsensitiveOption |
                                    QRegularExpression::DotMatchesEverythingOption);
    return re.match(text).hasMatch();
}

} // namespace

RecordsetCriterion RecordsetCriterion::parse(const QString& text,
                                             const std::vector<FieldInfo>& fields) {
    RecordsetCriterion c;
    int i = 0;
    const int n = int(text.size());
    while (i < n && isBlank(text[i]))
        ++i;

    QString name;
    if (i < n && text[i] == u'[') {
        const int close = int(text.indexOf(u']', i + 1));
        if (close < 0)
            throw badCriterion(text, QStringLiteral("the field name has no closing \"]\""));
        name = text.mid(i + 1, close - i - 1);
        i = close + 1;
    } else {
        const int start = i;
        while (i < n && !isBlank(text[i]) && !QStringLiteral("=<>!").contains(text[i]))
            ++i;
        name = text.mid(start, i - start);
    }
    if (name.isEmpty())
        throw badCriterion(text, QStringLiteral("it names no field"));

    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (fields[f].name.compare(name, Qt::CaseInsensitive) == 0) {
            c.m_field = int(f);
            break;
        }
    }
    if (c.m_field < 0)
        throw badCriterion(text, QStringLiteral("the result has no field \"%1\"").arg(name));

    while (i < n && isBlank(text[i]))
        ++i;
    const QString rest = text.mid(i);
    struct OpText {
        const char* text;
        Op op;
    };
    static const OpText ops[] = {{"<=", Op::LessOrEqual}, {">=", Op::GreaterOrEqual},
                                 {"<>", Op::NotEqual},    {"!=", Op::NotEqual},
                                 {"=", Op::Equal},        {"<", Op::Less},
                                 {">", Op::Greater}};
    bool found = false;
    for (const auto& o : ops) {
        const QString t = QString::fromLatin1(o.text);
        if (rest.startsWith(t)) {
            c.m_op = o.op;
            i += int(t.size());
            found = true;
            break;
        }
    }
    if (!found && rest.startsWith(QStringLiteral("LIKE"), Qt::CaseInsensitive) &&
        (rest.size() == 4 || isBlank(rest[4]) || rest[4] == u'\'')) {
        c.m_op = Op::Like;
        i += 4;
        found = true;
    }
    if (!found)
        throw badCriterion(text, QStringLiteral("it has no comparison operator"));

    while (i < n && isBlank(text[i]))
        ++i;
    if (i >= n)
        throw badCriterion(text, QStringLiteral("it has no value"));

    if (text[i] == u'\'') {
        QString value;
        ++i;
        bool closed = false;
        while (i < n) {
            if (text[i] == u'\'') {
                if (i + 1 < n && text[i + 1] == u'\'') {
                    value += u'\'';
                    i += 2;
                    continue;
                }
                closed = true;
                ++i;
                break;
            }
            value += text[i++];
        }
        if (!closed)
            throw badCriterion(text, QStringLiteral("the value has no closing quote"));
        c.m_value = value;
    } else if (text[i] == u'#') {
        const int close = int(text.indexOf(u'#', i + 1));
        if (close < 0)
            throw badCriterion(text, QStringLiteral("the date has no closing \"#\""));
        c.m_value = text.mid(i + 1, close - i - 1);
        i = close + 1;
    } else {
        const int start = i;
        while (i < n && !isBlank(text[i]))
            ++i;
        c.m_value = text.mid(start, i - start);
        bool number = false;
        c.m_value.toDouble(&number);
        if (!number)
            throw badCriterion(text, QStringLiteral("an unquoted value must be a number"));
    }
    while (i < n && isBlank(text[i]))
        ++i;
    if (i < n)
        throw badCriterion(text, QStringLiteral("only one comparison can be searched for"));

    switch (fields[std::size_t(c.m_field)].kind) {
    case FieldKind::Integer:
    case FieldKind::BigInt:
    case FieldKind::Decimal:
    case FieldKind::Float: {
        bool number = false;
        c.m_value.trimmed().toDouble(&number);
        c.m_numeric = number && c.m_op != Op::Like;
        break;
    }
    default:
        break;
    }
    return c;
}

bool RecordsetCriterion::matches(const Row& row) const {
    if (m_field < 0 || std::size_t(m_field) >= row.size())
        return false;
    const FieldValue& v = row[std::size_t(m_field)];
    if (!v) // NULL meets no comparison
        return false;
    if (m_op == Op::Like)
        return likeMatches(*v, m_value);

    int cmp = 0;
    bool leftNumber = false;
    const double left = m_numeric ? v->trimmed().toDouble(&leftNumber) : 0.0;
    if (leftNumber) {
        const double right = m_value.trimmed().toDouble();
        cmp = left < right ? -1 : (left > right ? 1 : 0);
    } else {
        cmp = v->compare(m_value, Qt::CaseInsensitive);
    }

    switch (m_op) {
    case Op::Equal:
        return cmp == 0;
    case Op::NotEqual:
        return cmp != 0;
    case Op::Less:
        return cmp < 0;
    case Op::Greater:
        return cmp > 0;
    case Op::LessOrEqual:
        return cmp <= 0;
    case Op::GreaterOrEqual:
        return cmp >= 0;
    case Op::Like:
        break;
    }
    return false;
}

} // namespace quorvex
