#include "components/ConnectionString.h"

#include <initializer_list>

namespace quorvex {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool startsOrEndsWithBlank(const QString& value) {
    return !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
}

// The value of the last pair whose key is one of the names (a later value overrides an earlier
// one, as when a setting is appended to a string); std::nullopt when none is there.
std::optional<QString> valueOf(const ConnectionStringPairs& pairs,
                               std::initializer_list<const char*> names) {
    std::optional<QString> found;
    for (const auto& [key, value] : pairs) {
        for (const char* name : names) {
            if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                found = value;
        }
    }
    return found;
}

QString firstContaining(const QStringList& names, const QString& part) {
    for (const QString& name : names) {
        if (name.contains(part, Qt::CaseInsensitive))
            return name;
    }
    return {};
}

QString firstEqual(const QStringList& names, const QString& wanted) {
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

// A driver name always goes between braces: driver names hold blanks and dots.
QString bracedDriver(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + inner + QLatin1Char('}');
}

QString pair(const char* key, const QString& value) {
    return QLatin1String(key) + QLatin1Char('=') + quoteOdbcValue(value);
}

// Whether an ODBC-style reading of the text (values in braces, "}}" for "}") finds a Provider
// key: "PWD={a;Provider=b}" is a plain ODBC string whose password merely looks like one.
bool hasOdbcProviderKey(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype keyStart = i;
        while (i < n && text[i] != QLatin1Char('=') && text[i] != QLatin1Char(';'))
            ++i;
        const QString key = text.mid(keyStart, i - keyStart).trimmed();
        if (i < n && text[i] == QLatin1Char('=')) {
            ++i;
            while (i < n && isBlank(text[i]))
                ++i;
            if (i < n && text[i] == QLatin1Char('{')) {
                for (++i; i < n; ++i) {
                    if (text[i] == QLatin1Char('}')) {
                        if (i + 1 < n && text[i + 1] == QLatin1Char('}')) {
                            ++i;
                            continue;
                        }
                        ++i;
                        break;
                    }
                }
            }
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
            if (key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0)
                return true;
        }
        ++i; // past ";"
    }
    return false;
}

DbErrorRecord mappingError(const QString& description) {
    DbErrorRecord record;
    record.number = -1;
    record.description = description;
    record.source = QStringLiteral("Quorvex");
    record.sqlState = QStringLiteral("IM002");
    return record;
}

// "host", "host,port", "host\instance", "tcp:host,port" or a freetds.conf server name.
QStringList sqlServerTarget(const QString& dataSource, const OdbcEnvironmentInfo& env) {
    const QString named = firstEqual(env.freeTdsServers, dataSource);
    if (!named.isEmpty())
        return {pair("SERVERNAME", named)};

    QString server = dataSource;
    if (server.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        server = server.mid(4).trimmed();

    QString port;
    const qsizetype comma = server.lastIndexOf(QLatin1Char(','));
    if (comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }

    // "(local)", "." and an empty name mean the server on this machine, which the Windows
    // clients reach over shared memory; FreeTDS speaks TCP only, so they become the loopback
    // address. An instance after them ("(local)\SQLEXPRESS") is kept.
    const qsizetype backslash = server.indexOf(QLatin1Char('\\'));
    const QString host = backslash >= 0 ? server.left(backslash) : server;
    if (host.isEmpty() || host == QLatin1String(".") ||
        host.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        server = QStringLiteral("127.0.0.1") + server.mid(host.size());

    // FreeTDS takes "host\instance" in SERVER and asks the server's browser for the port.
    QStringList parts{pair("SERVER", server)};
    if (!port.isEmpty())
        parts << pair("PORT", port);
    return parts;
}

OdbcConnectTarget mapSqlServer(const ConnectionStringPairs& pairs, const OdbcEnvironmentInfo& env) {
    const QString dataSource =
        valueOf(pairs, {"Data Source", "Server", "Address", "Addr", "Network Address"})
            .value_or(QString())
            .trimmed();
    const QString database = valueOf(pairs, {"Initial Catalog", "Database"}).value_or(QString());
    const QString user = valueOf(pairs, {"User ID", "UID", "User"}).value_or(QString());
    const QString password = valueOf(pairs, {"Password", "PWD"}).value_or(QString());

    QString driver = firstContaining(env.drivers, QStringLiteral("FreeTDS"));
    if (driver.isEmpty())
        driver = QStringLiteral("FreeTDS");

    QStringList parts{QStringLiteral("DRIVER=") + bracedDriver(driver)};
    parts << sqlServerTarget(dataSource, env);
    if (!database.isEmpty())
        parts << pair("DATABASE", database);
    parts << pair("UID", user) << pair("PWD", password);
    // Names and texts travel as UTF-8 whatever the server's code page.
    parts << QStringLiteral("ClientCharset=UTF-8");
    return {parts.join(QLatin1Char(';')), std::nullopt};
}

OdbcConnectTarget mapSqlBase(const ConnectionStringPairs& pairs, const OdbcEnvironmentInfo& env) {
    const QString database =
        valueOf(pairs, {"Data Source", "Database"}).value_or(QString()).trimmed();
    const QString user = valueOf(pairs, {"User ID", "UID", "User"}).value_or(QString());
    const QString password = valueOf(pairs, {"Password", "PWD"}).value_or(QString());
    const QStringList credentials{pair("UID", user), pair("PWD", password)};

    const QString dsn = database.isEmpty() ? QString() : firstEqual(env.dataSources, database);
    if (!dsn.isEmpty())
        return {(QStringList{pair("DSN", dsn)} + credentials).join(QLatin1Char(';')), std::nullopt};

    const QString driver = firstContaining(env.drivers, QStringLiteral("SQLBase"));
    if (!driver.isEmpty()) {
        QStringList parts{QStringLiteral("DRIVER=") + bracedDriver(driver)};
        if (!database.isEmpty())
            parts << pair("DATABASE", database);
        return {(parts + credentials).join(QLatin1Char(';')), std::nullopt};
    }

    return {QString(), mappingError(QStringLiteral("No SQLBase ODBC driver is installed: no ODBC "
                                                   "data source is named \"%1\" and no installed "
                                                   "ODBC driver has \"SQLBase\" in its name.")
                                        .arg(database))};
}

} // namespace

ConnectionStringPairs parseConnectionString(const QString& text) {
    ConnectionStringPairs pairs;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype keyStart = i;
        while (i < n && text[i] != QLatin1Char('=') && text[i] != QLatin1Char(';'))
            ++i;
        const QString key = text.mid(keyStart, i - keyStart).trimmed();
        if (i >= n || text[i] == QLatin1Char(';')) {
            ++i; // a piece without "=" carries nothing
            continue;
        }
        ++i; // past "="

        while (i < n && isBlank(text[i]))
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar quote = text[i++];
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            // Anything but blanks between the closing quote and the next ";" is kept rather
            // than lost.
            const qsizetype restStart = i;
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
            value += text.mid(restStart, i - restStart).trimmed();
        } else {
            const qsizetype valueStart = i;
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
            value = text.mid(valueStart, i - valueStart).trimmed();
        }
        ++i; // past ";"

        if (!key.isEmpty())
            pairs.append({key, value});
    }
    return pairs;
}

QString quoteProviderValue(const QString& value) {
    // A blank at the end is quoted too: the parser drops blanks around unquoted values, and a
    // password must arrive whole.
    const bool needsQuotes = value.contains(QLatin1Char(';')) ||
                             value.startsWith(QLatin1Char('"')) ||
                             value.startsWith(QLatin1Char('\'')) || startsOrEndsWithBlank(value);
    if (!needsQuotes)
        return value;
    QString inner = value;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString quoteOdbcValue(const QString& value) {
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('}')) ||
                             value.startsWith(QLatin1Char('{')) || startsOrEndsWithBlank(value);
    if (!needsBraces)
        return value;
    QString inner = value;
    inner.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + inner + QLatin1Char('}');
}

OdbcConnectTarget mapToOdbc(const QString& connectionString, const OdbcEnvironmentInfo& env) {
    const ConnectionStringPairs pairs = parseConnectionString(connectionString);
    const std::optional<QString> provider = valueOf(pairs, {"Provider"});
    if (!provider || !hasOdbcProviderKey(connectionString))
        return {connectionString, std::nullopt};

    const QString name = provider->trimmed();
    const auto startsWith = [&name](const char* prefix) {
        return name.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
    };
    if (startsWith("SQLOLEDB") || startsWith("SQLNCLI") || startsWith("MSOLEDBSQL"))
        return mapSqlServer(pairs, env);
    if (startsWith("SQLBASEOLEDB"))
        return mapSqlBase(pairs, env);
    // Handing "Provider=..." to the driver manager would only fail with a confusing message.
    return {QString(),
            mappingError(QStringLiteral("The provider \"%1\" is not supported.").arg(name))};
}

} // namespace quorvex
