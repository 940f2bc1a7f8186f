#include "sqlbase/SqlBaseSweep.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "sqlbase/SqlBaseConnection.h"

#include <QStringList>
#include <memory>

namespace quorvex::sqlbase {

namespace {

struct SweepPass {
    QString query;
    QString dropPrefix;
};

} // namespace

bool sweepSqlBaseAuditObjects(PlatformServices& services, const SqlBaseLoginValues& login) {
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(services.connections, login, services.messages);
    if (!connection)
        return false;

    // Tables first: the catalog goes with them, and the triggers left on user tables next.
    const SweepPass passes[] = {
        {QStringLiteral("Select name from systables where name like 'ZOTA%'"),
         QStringLiteral("Drop table ")},
        {QStringLiteral("Select name from systriggers where name like 'ZOTA%'"),
         QStringLiteral("Drop trigger ")},
        {QStringLiteral("Select name from syscommands where name like 'ZOTA%'"),
         QStringLiteral("Erase ")},
    };

    bool complete = true;
    for (const SweepPass& pass : passes) {
        // The names are read before anything is dropped, so no cursor is open on the catalogue
        // while it changes.
        QStringList names;
        try {
            Recordset rows = connection->openRecordset(pass.query);
            while (!rows.eof()) {
                names << rows.value(0).value_or(QString()).trimmed();
                rows.moveNext();
            }
        } catch (const DbException& e) {
            services.messages.show(e.description());
            complete = false;
        }
        for (const QString& name : names) {
            try {
                connection->execute(pass.dropPrefix + name);
            } catch (const DbException& e) {
                services.messages.show(e.description());
                complete = false;
            }
        }
    }
    connection->close();
    return complete;
}

} // namespace quorvex::sqlbase
