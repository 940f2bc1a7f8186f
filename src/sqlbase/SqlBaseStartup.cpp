#include "sqlbase/SqlBaseStartup.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageService.h"
#include "sqlbase/SqlBaseCatalog.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseSession.h"

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

std::optional<AuditBackend::Loaded> startSqlBaseMainWindow(SqlBaseSession& session) {
    AuditBackend::Loaded loaded;
    QString reading = QCoreApplication::translate("SqlBaseStartup", "Reading the audit catalog");
    try {
        const bool catalogExists =
            !session
                 .read(QStringLiteral("Select NAME from systables where name = "
                                      "'ZOTA_SYSTEM_TABLE'"))
                 .rows.empty();
        SqlBaseCatalog catalog(session);
        if (!catalogExists) {
            // Without the catalog no audit can be recorded; the creation has said why.
            if (catalog.create() != SqlBaseCatalog::Outcome::Done)
                return std::nullopt;
        } else {
            std::optional<AuditListing> audits = catalog.list();
            if (!audits)
                return std::nullopt; // cancelled
            loaded.audits = std::move(*audits);
        }
        if (session.isCancelled())
            return std::nullopt;

        reading = QCoreApplication::translate("SqlBaseStartup", "Reading the tables");
        loaded.tables =
            session
                .read(QStringLiteral("Select NAME from systables where creator = 'SYSADM' AND "
                                     "name not like 'SYS%' AND NAME NOT LIKE 'ZOTA%'"))
                .firstColumn();
    } catch (const DbException& e) {
        if (!session.isCancelled())
            session.messages().show(QStringLiteral("Loading ") + sqlBaseReadFailure(e, reading));
        return std::nullopt;
    }
    if (session.isCancelled())
        return std::nullopt;
    return loaded;
}

void shutDownSqlBaseMainWindow(IConnectionFactory& connections, const SqlBaseLoginValues& login,
                               MessageService& messages) {
    std::unique_ptr<IConnection> connection = connectToSqlBase(connections, login, messages);
    if (connection)
        connection->close();
}

} // namespace quorvex::sqlbase
