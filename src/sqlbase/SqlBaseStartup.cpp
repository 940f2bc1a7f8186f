#include "sqlbase/SqlBaseStartup.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseSweep.h"

#include <QCoreApplication>
#include <memory>

namespace quorvex::sqlbase {

const QString& sqlBasePanicQuestion() {
    static const QString text =
        QStringLiteral("You pressed the panic button.  Do you want to erase all your audits?\r\n"
                       "You will have to recreate all of them");
    return text;
}

const QString& sqlBasePanicDoneMessage() {
    static const QString text =
        QStringLiteral("All audits and related items have been removed from your database.\r\n"
                       "Quorvex will now exit.  You must restart the program");
    return text;
}

const QString& sqlBasePanicIncompleteMessage() {
    static const QString text = QCoreApplication::translate(
        "SqlBaseStartup", "Not all audits and related items could be removed from your "
                          "database.\r\nQuorvex will now exit.  You must restart the program");
    return text;
}

std::optional<QStringList> startSqlBaseMainWindow(Grid& installedAudits, PlatformServices& services,
                                                  const SqlBaseLoginValues& login) {
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(services.connections, login, services.messages);
    if (!connection)
        return std::nullopt;

    SqlBaseCatalog catalog(services, login);
    try {
        bool catalogExists = false;
        {
            Recordset check = connection->openRecordset(
                QStringLiteral("Select NAME from systables where name = 'ZOTA_SYSTEM_TABLE'"));
            catalogExists = !check.eof();
        }
        if (!catalogExists) {
            // Without the catalog no audit can be recorded; the creation has said why.
            if (catalog.create() != SqlBaseCatalog::Outcome::Done)
                return std::nullopt;
        } else {
            catalog.list(installedAudits);
        }

        QStringList tables;
        Recordset rows = connection->openRecordset(
            QStringLiteral("Select NAME from systables where creator = 'SYSADM' AND name not "
                           "like 'SYS%' AND NAME NOT LIKE 'ZOTA%'"));
        while (!rows.eof()) {
            tables << rows.value(0).value_or(QString()).trimmed();
            rows.moveNext();
        }
        connection->close();
        return tables;
    } catch (const DbException& e) {
        services.messages.show(QStringLiteral("Loading ") + e.description());
        return std::nullopt;
    }
}

void shutDownSqlBaseMainWindow(PlatformServices& services, const SqlBaseLoginValues& login) {
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(services.connections, login, services.messages);
    if (connection)
        connection->close();
}

void panicSqlBase(PlatformServices& services, const SqlBaseLoginValues& login) {
    if (!services.messages.askYesNo(sqlBasePanicQuestion(), MessageIcon::None))
        return;
    const bool swept = sweepSqlBaseAuditObjects(services, login);
    // Never claim a clean database after a failure: the messages before said what stayed.
    services.messages.show(swept ? sqlBasePanicDoneMessage() : sqlBasePanicIncompleteMessage());
    services.process.endProcessNow(0);
}

} // namespace quorvex::sqlbase
