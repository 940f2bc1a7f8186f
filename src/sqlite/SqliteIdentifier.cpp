#include "sqlite/SqliteIdentifier.h"

namespace quorvex::sqlite {

namespace {

QString enclosed(const QString& text, QChar quote) {
    QString doubled = text;
    doubled.replace(quote, QString(2, quote));
    return quote + doubled + quote;
}

char16_t asciiLower(QChar c) {
    const char16_t code = c.unicode();
    return code >= u'A' && code <= u'Z' ? char16_t(code + (u'a' - u'A')) : code;
}

} // namespace

QString SqliteIdentifier::quote(const QString& name) {
    return enclosed(name, u'"');
}

QString SqliteIdentifier::literal(const QString& value) {
    return enclosed(value, u'\'');
}

bool SqliteIdentifier::sameName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a.at(i)) != asciiLower(b.at(i)))
            return false;
    }
    return true;
}

} // namespace quorvex::sqlite
