#include "sqlite/SqliteColumnType.h"

#include "sqlite/SqliteIdentifier.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace quorvex::sqlite {

namespace {

// A type name of plain words, with an optional size: "VARCHAR(40)", "NUMERIC(10, 2)",
// "UNSIGNED BIG INT".
const QRegularExpression plainType(
    QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*(?:\\s+[A-Za-z_][A-Za-z0-9_]*)*)\\s*"
                   "(\\(\\s*[+-]?[0-9]+(?:\\.[0-9]*)?\\s*(?:,\\s*[+-]?[0-9]+(?:\\.[0-9]*)?\\s*)?"
                   "\\))?$"));

// Words that end a type name in a column definition: written unquoted they would turn the
// rest of the type into a constraint.
const QSet<QString> constraintWords = {
    QStringLiteral("CONSTRAINT"), QStringLiteral("PRIMARY"), QStringLiteral("NOT"),
    QStringLiteral("NULL"),       QStringLiteral("UNIQUE"),  QStringLiteral("CHECK"),
    QStringLiteral("DEFAULT"),    QStringLiteral("COLLATE"), QStringLiteral("REFERENCES"),
    QStringLiteral("GENERATED"),  QStringLiteral("AS"),
};

} // namespace

SqliteColumnType::SqliteColumnType(QString declared) : m_declared(std::move(declared)) {}

SqliteColumnType::Affinity SqliteColumnType::affinity() const {
    const QString upper = m_declared.toUpper();
    if (upper.contains(QLatin1String("INT")))
        return Affinity::Integer;
    if (upper.contains(QLatin1String("CHAR")) || upper.contains(QLatin1String("CLOB")) ||
        upper.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (upper.contains(QLatin1String("BLOB")) || upper.trimmed().isEmpty())
        return Affinity::Blob;
    if (upper.contains(QLatin1String("REAL")) || upper.contains(QLatin1String("FLOA")) ||
        upper.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

QString SqliteColumnType::auditDeclaration() const {
    const QString type = m_declared.trimmed();
    if (type.isEmpty())
        return {};
    const QRegularExpressionMatch match = plainType.match(type);
    if (match.hasMatch()) {
        const QStringList words =
            match.captured(1).toUpper().split(QRegularExpression(QStringLiteral("\\s+")));
        const bool plain = std::none_of(words.begin(), words.end(), [](const QString& word) {
            return constraintWords.contains(word);
        });
        if (plain)
            return type;
    }
    return SqliteIdentifier::quote(type);
}

bool SqliteColumnType::isNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return number.match(text).hasMatch();
}

std::optional<QString> SqliteColumnType::conditionLiteral(const QString& value) const {
    const QString trimmed = value.trimmed();
    switch (affinity()) {
    case Affinity::Integer:
    case Affinity::Real:
        if (!isNumber(trimmed))
            return std::nullopt;
        return trimmed;
    case Affinity::Numeric:
    case Affinity::Blob:
        // A date in a DATE column is text, a number is a number.
        return isNumber(trimmed) ? trimmed : SqliteIdentifier::literal(value);
    case Affinity::Text:
        break;
    }
    return SqliteIdentifier::literal(value);
}

} // namespace quorvex::sqlite
