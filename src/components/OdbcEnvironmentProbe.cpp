#include "components/OdbcEnvironmentProbe.h"

#include "components/DbException.h"
#include "components/OdbcEnvironmentHandle.h"
#include "components/OdbcText.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <sqlext.h>
#include <vector>

namespace quorvex {

namespace {

// Lists names through SQLDriversW or SQLDataSourcesW, which share the fetch-first/fetch-next
// way of walking a list.
template <typename Lister> QStringList listNames(Lister list) {
    QStringList names;
    std::vector<SQLWCHAR> name(1024);
    std::vector<SQLWCHAR> other(4096);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT otherLength = 0;
        const SQLRETURN rc =
            list(direction, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength,
                 other.data(), static_cast<SQLSMALLINT>(other.size()), &otherLength);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
            break; // SQL_NO_DATA at the end
        names << OdbcText::fromWide(name.data(), -1);
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

void addUnique(QStringList& names, const QStringList& more) {
    for (const QString& name : more) {
        if (!names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
}

} // namespace

const OdbcEnvironmentInfo& OdbcEnvironmentProbe::cached() {
    static const OdbcEnvironmentInfo info = read();
    return info;
}

OdbcEnvironmentInfo OdbcEnvironmentProbe::read() {
    OdbcEnvironmentInfo info;
    try {
        const std::shared_ptr<OdbcEnvironmentHandle> environment = OdbcEnvironmentHandle::shared();
        const SQLHENV env = environment->handle();
        info.drivers = listNames([env](SQLUSMALLINT direction, SQLWCHAR* name, SQLSMALLINT nameSize,
                                       SQLSMALLINT* nameLength, SQLWCHAR* other,
                                       SQLSMALLINT otherSize, SQLSMALLINT* otherLength) {
            return SQLDriversW(env, direction, name, nameSize, nameLength, other, otherSize,
                               otherLength);
        });
        info.dataSources =
            listNames([env](SQLUSMALLINT direction, SQLWCHAR* name, SQLSMALLINT nameSize,
                            SQLSMALLINT* nameLength, SQLWCHAR* other, SQLSMALLINT otherSize,
                            SQLSMALLINT* otherLength) {
                return SQLDataSourcesW(env, direction, name, nameSize, nameLength, other, otherSize,
                                       otherLength);
            });
    } catch (const DbException&) {
        // Without a driver manager there is nothing to list; opening will say so.
    }

    for (const QString& path : freeTdsConfigFiles()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            addUnique(info.freeTdsServers, freeTdsServerNames(QString::fromUtf8(file.readAll())));
    }
    return info;
}

QStringList OdbcEnvironmentProbe::freeTdsConfigFiles() {
    QStringList files;
    const QString named = qEnvironmentVariable("FREETDSCONF");
    if (!named.isEmpty())
        files << named;
    files << QDir::homePath() + QStringLiteral("/.freetds.conf");
    files << QStringLiteral("/etc/freetds/freetds.conf");
    return files;
}

QStringList OdbcEnvironmentProbe::freeTdsServerNames(const QString& configText) {
    static const QRegularExpression section(QStringLiteral("^\\s*\\[([^\\]]*)\\]"));
    QStringList names;
    for (const QString& line : configText.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = section.match(line);
        if (!match.hasMatch())
            continue;
        const QString name = match.captured(1).trimmed();
        if (!name.isEmpty() && name.compare(QLatin1String("global"), Qt::CaseInsensitive) != 0)
            addUnique(names, {name});
    }
    return names;
}

} // namespace quorvex
