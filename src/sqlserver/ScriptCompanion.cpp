#include "sqlserver/ScriptCompanion.h"

#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlite/SqliteAuditGenerator.h"
#include "sqlite/SqliteTransaction.h"
#include "sqlserver/AuditNameRules.h"
#include "sqlserver/SqlServerAuditGenerator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSet>

#include <cmath>

namespace quorvex {

namespace {

using Generator = GeneratedStatements (*)(const ScriptCompanion::Request&);

GeneratedStatements generateSqlServer(const ScriptCompanion::Request& request) {
    return sqlserver::generateSqlServerAudit(request.definition, request.columns, request.engine);
}

// The SQLBase window tests the name rules before anything else and passes over an incomplete
// tab without a word; a script that prints nothing has to say why.
GeneratedStatements generateSqlBase(const ScriptCompanion::Request& request) {
    const AuditDefinition& definition = request.definition;
    const NameRuleVerdict verdict = sqlbase::checkSqlBaseAuditNames(definition);
    if (!verdict.accepted()) {
        return GeneratedStatements::refuse(verdict.message);
    }
    if (definition.table.isEmpty() || definition.name.isEmpty() || definition.columns.isEmpty()) {
        return GeneratedStatements::refuse(sqlserver::missingEntriesMessage());
    }
    return sqlbase::generateSqlBaseAudit(definition, request.columns);
}

// SQLite: the audit's statements in the one transaction GO sends them in, after the catalog
// the main window makes when it opens a database, so that a new file takes the script too.
GeneratedStatements generateSqlite(const ScriptCompanion::Request& request) {
    GeneratedStatements generated =
        sqlite::generateSqliteAudit(request.definition, request.columns);
    if (!generated.refused()) {
        generated.statements.prepend(
            sqlite::catalogCreateStatement(sqlite::CatalogCreation::IfMissing));
        generated.statements.prepend(
            QString::fromLatin1(sqlite::SqliteTransaction::beginStatement()));
        generated.statements.append(QStringLiteral("COMMIT"));
    }
    return generated;
}

struct Backend {
    const char* name;
    Generator generate;
    // What follows each statement in the script: the batch separator of the server's tools, or
    // the end of a statement for sqlite3.
    const char* separator;
};

// The back ends the companion dispatches to, by the "backend" key.
constexpr Backend backendTable[] = {
    {"sqlserver", &generateSqlServer, "\r\nGO\r\n"},
    {"sqlbase", &generateSqlBase, "\r\nGO\r\n"},
    {"sqlite", &generateSqlite, ";\n"},
};

const Backend* findBackend(const QString& name) {
    for (const Backend& backend : backendTable) {
        if (name == QLatin1StringView(backend.name)) {
            return &backend;
        }
    }
    return nullptr;
}

const QSet<QString> topLevelKeys = {
    QStringLiteral("backend"),       QStringLiteral("kind"),       QStringLiteral("table"),
    QStringLiteral("columns"),       QStringLiteral("chosen"),     QStringLiteral("saveOld"),
    QStringLiteral("changedFields"), QStringLiteral("conditions"), QStringLiteral("mode"),
    QStringLiteral("connective"),    QStringLiteral("name"),       QStringLiteral("description"),
    QStringLiteral("engine"),
};
// The options a DBA may add to an audit, both off when missing.
const QSet<QString> optionKeys = {QStringLiteral("who"), QStringLiteral("changedValuesOnly")};
const QSet<QString> columnKeys = {QStringLiteral("name"),   QStringLiteral("type"),
                                  QStringLiteral("length"), QStringLiteral("precision"),
                                  QStringLiteral("scale"),  QStringLiteral("primaryKey")};
const QSet<QString> conditionKeys = {QStringLiteral("column"), QStringLiteral("op"),
                                     QStringLiteral("value")};

// Reads the parts of the input one by one; only the first fault is reported.
class Reader {
public:
    const QString& error() const { return m_error; }
    bool failed() const { return !m_error.isEmpty(); }

    void fail(const QString& message) {
        if (m_error.isEmpty()) {
            m_error = message;
        }
    }

    void checkKeys(const QJsonObject& object, const QSet<QString>& known, const QString& where) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!known.contains(it.key())) {
                fail(QStringLiteral("unknown key \"%1\"%2").arg(it.key(), where));
                return;
            }
        }
    }

    QString text(const QJsonObject& object, const QString& key, const QString& where,
                 const QString& fallback = {}) {
        const QJsonValue value = object.value(key);
        if (value.isUndefined()) {
            return fallback;
        }
        if (!value.isString()) {
            fail(QStringLiteral("\"%1\"%2 must be a text").arg(key, where));
            return {};
        }
        return value.toString();
    }

    qint64 whole(const QJsonObject& object, const QString& key, const QString& where) {
        const QJsonValue value = object.value(key);
        if (value.isUndefined()) {
            return 0;
        }
        const double number = value.toDouble();
        if (!value.isDouble() || std::trunc(number) != number || std::abs(number) > 1e15) {
            fail(QStringLiteral("\"%1\"%2 must be a whole number").arg(key, where));
            return 0;
        }
        return static_cast<qint64>(number);
    }

    bool flag(const QJsonObject& object, const QString& key, const QString& where) {
        const QJsonValue value = object.value(key);
        if (value.isUndefined()) {
            return false;
        }
        if (!value.isBool()) {
            fail(QStringLiteral("\"%1\"%2 must be true or false").arg(key, where));
            return false;
        }
        return value.toBool();
    }

    QJsonArray array(const QJsonObject& object, const QString& key) {
        const QJsonValue value = object.value(key);
        if (value.isUndefined()) {
            return {};
        }
        if (!value.isArray()) {
            fail(QStringLiteral("\"%1\" must be a list").arg(key));
            return {};
        }
        return value.toArray();
    }

    QStringList names(const QJsonObject& object, const QString& key) {
        QStringList result;
        for (const QJsonValue& value : array(object, key)) {
            if (!value.isString()) {
                fail(QStringLiteral("\"%1\" must be a list of texts").arg(key));
                return {};
            }
            result << value.toString();
        }
        return result;
    }

    QJsonObject entry(const QJsonValue& value, const QString& key, qsizetype index) {
        if (!value.isObject()) {
            fail(QStringLiteral("entry %1 of \"%2\" must be an object").arg(index + 1).arg(key));
            return {};
        }
        return value.toObject();
    }

private:
    QString m_error;
};

QString where(const QString& list, qsizetype index) {
    return QStringLiteral(" in entry %1 of \"%2\"").arg(index + 1).arg(list);
}

ColumnInfoList readColumns(Reader& reader, const QJsonObject& input) {
    ColumnInfoList columns;
    const QJsonArray list = reader.array(input, QStringLiteral("columns"));
    for (qsizetype i = 0; i < list.size() && !reader.failed(); ++i) {
        const QJsonObject object = reader.entry(list.at(i), QStringLiteral("columns"), i);
        const QString at = where(QStringLiteral("columns"), i);
        reader.checkKeys(object, columnKeys, at);
        ColumnInfo column;
        column.name = reader.text(object, QStringLiteral("name"), at);
        column.type = reader.text(object, QStringLiteral("type"), at);
        column.length = reader.whole(object, QStringLiteral("length"), at);
        column.precision = static_cast<int>(reader.whole(object, QStringLiteral("precision"), at));
        column.scale = static_cast<int>(reader.whole(object, QStringLiteral("scale"), at));
        column.primaryKey = reader.flag(object, QStringLiteral("primaryKey"), at);
        columns << column;
    }
    return columns;
}

QList<AuditCondition> readConditions(Reader& reader, const QJsonObject& input,
                                     const QString& connective) {
    QList<AuditCondition> conditions;
    const QJsonArray list = reader.array(input, QStringLiteral("conditions"));
    for (qsizetype i = 0; i < list.size() && !reader.failed(); ++i) {
        const QJsonObject object = reader.entry(list.at(i), QStringLiteral("conditions"), i);
        const QString at = where(QStringLiteral("conditions"), i);
        reader.checkKeys(object, conditionKeys, at);
        AuditCondition condition;
        condition.column = reader.text(object, QStringLiteral("column"), at);
        condition.op = reader.text(object, QStringLiteral("op"), at);
        condition.value = reader.text(object, QStringLiteral("value"), at);
        // The grid shows the connective on every row but the first.
        condition.connective = i == 0 ? QString() : connective;
        conditions << condition;
    }
    return conditions;
}

// Picks one of the allowed words; `values` pairs each word with its meaning.
template <typename T>
T choice(Reader& reader, const QJsonObject& input, const QString& key,
         std::initializer_list<std::pair<const char*, T>> values, T fallback) {
    if (!input.contains(key)) {
        return fallback;
    }
    const QString word = reader.text(input, key, {});
    QStringList allowed;
    for (const auto& [name, meaning] : values) {
        if (word == QLatin1StringView(name)) {
            return meaning;
        }
        allowed << u'"' + QLatin1StringView(name) + u'"';
    }
    reader.fail(QStringLiteral("\"%1\" must be %2").arg(key, allowed.join(QStringLiteral(" or "))));
    return fallback;
}

QByteArray scriptText(const QStringList& statements, const char* separator) {
    QByteArray text;
    for (const QString& statement : statements) {
        text += statement.toUtf8() + separator;
    }
    return text;
}

QByteArray jsonText(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace

ScriptCompanion::Request ScriptCompanion::parse(const QByteArray& input) {
    Request request;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(input, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        request.error = QStringLiteral("the input is not valid JSON: %1 at offset %2")
                            .arg(parseError.errorString())
                            .arg(parseError.offset);
        return request;
    }
    if (!document.isObject()) {
        request.error = QStringLiteral("the input must be one JSON object");
        return request;
    }
    const QJsonObject object = document.object();
    Reader reader;
    reader.checkKeys(object, topLevelKeys | optionKeys, {});

    request.backend =
        reader.text(object, QStringLiteral("backend"), {}, QStringLiteral("sqlserver"));
    if (!reader.failed() && findBackend(request.backend) == nullptr) {
        reader.fail(QStringLiteral("\"backend\" must be one of: ") + backends().join(u", "));
    }
    request.engine = choice(reader, object, QStringLiteral("engine"),
                            {{"sqlserver", sqlserver::SqlServerEngine::SqlServer},
                             {"babelfish", sqlserver::SqlServerEngine::Babelfish}},
                            sqlserver::SqlServerEngine::SqlServer);
    if (!reader.failed() && object.contains(QStringLiteral("engine")) &&
        request.backend != QLatin1String("sqlserver")) {
        reader.fail(QStringLiteral("\"engine\" belongs to the sqlserver back end"));
    }
    AuditDefinition& definition = request.definition;
    if (!reader.failed() && !object.contains(QStringLiteral("kind"))) {
        reader.fail(
            QStringLiteral("\"kind\" is missing: say \"insert\", \"delete\" or \"update\""));
    }
    definition.kind = choice(reader, object, QStringLiteral("kind"),
                             {{"insert", AuditKind::Insert},
                              {"delete", AuditKind::Delete},
                              {"update", AuditKind::Update}},
                             AuditKind::Insert);
    definition.mode =
        choice(reader, object, QStringLiteral("mode"),
               {{"always-except", AuditMode::AlwaysExceptIf}, {"only-when", AuditMode::OnlyWhen}},
               AuditMode::AlwaysExceptIf);
    definition.connective =
        choice(reader, object, QStringLiteral("connective"),
               {{"AND", Connective::And}, {"OR", Connective::Or}}, Connective::And);
    definition.table = reader.text(object, QStringLiteral("table"), {});
    definition.name = reader.text(object, QStringLiteral("name"), {});
    definition.description = reader.text(object, QStringLiteral("description"), {});
    request.columns = readColumns(reader, object);
    definition.columns = reader.names(object, QStringLiteral("chosen"));

    const QStringList saveOld = reader.names(object, QStringLiteral("saveOld"));
    definition.changedFields = reader.names(object, QStringLiteral("changedFields"));
    if (definition.kind != AuditKind::Update &&
        (!saveOld.isEmpty() || !definition.changedFields.isEmpty())) {
        reader.fail(QStringLiteral("\"saveOld\" and \"changedFields\" belong to update audits"));
    }
    definition.recordWho = reader.flag(object, QStringLiteral("who"), {});
    definition.changedValuesOnly = reader.flag(object, QStringLiteral("changedValuesOnly"), {});
    if (definition.kind != AuditKind::Update && definition.changedValuesOnly) {
        reader.fail(QStringLiteral("\"changedValuesOnly\" belongs to update audits"));
    }
    for (const QString& name : saveOld) {
        if (!definition.columns.contains(name)) {
            reader.fail(
                QStringLiteral("\"saveOld\" names %1, which is not a chosen column").arg(name));
        }
    }
    for (const QString& name : std::as_const(definition.columns)) {
        definition.saveOldValue << saveOld.contains(name);
    }

    const QString connectiveCell =
        definition.connective == Connective::Or ? QStringLiteral("OR") : QStringLiteral("AND");
    definition.conditions = readConditions(reader, object, connectiveCell);

    request.error = reader.error();
    return request;
}

GeneratedStatements ScriptCompanion::generate(const Request& request) {
    if (!request.valid()) {
        return GeneratedStatements::refuse(request.error);
    }
    const Backend* backend = findBackend(request.backend);
    if (backend == nullptr) {
        return GeneratedStatements::refuse(QStringLiteral("unknown back end ") + request.backend);
    }
    return backend->generate(request);
}

ScriptCompanion::Output ScriptCompanion::run(const QByteArray& input, OutputFormat format) {
    const Request request = parse(input);
    const GeneratedStatements generated = generate(request);
    Output output;
    if (generated.refused()) {
        output.exitCode = 1;
        if (format == OutputFormat::Json) {
            output.standardOutput = jsonText({{QStringLiteral("error"), generated.refusal}});
        } else {
            output.standardError = generated.refusal.toUtf8() + '\n';
        }
        return output;
    }
    if (format == OutputFormat::Json) {
        output.standardOutput = jsonText(
            {{QStringLiteral("statements"), QJsonArray::fromStringList(generated.statements)}});
    } else {
        output.standardOutput =
            scriptText(generated.statements, findBackend(request.backend)->separator);
    }
    return output;
}

QStringList ScriptCompanion::backends() {
    QStringList names;
    for (const Backend& backend : backendTable) {
        names << QLatin1StringView(backend.name);
    }
    return names;
}

} // namespace quorvex
