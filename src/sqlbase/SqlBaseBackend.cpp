#include "sqlbase/SqlBaseBackend.h"

#include "auditdata/AuditDataWindows.h"

#include "components/DbException.h"
#include "components/Grid.h"
#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "sqlbase/SqlBaseColumns.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseCreationFlow.h"
#include "sqlbase/SqlBaseStartup.h"

namespace quorvex::sqlbase {

namespace {

// The installed-audits grid holds the record count in column 0 and the audit's name in 1.
constexpr int kNameColumn = 1;

MainWindowTraits sqlBaseTraits() {
    MainWindowTraits traits;
    traits.objectName = QStringLiteral("FRMCENMAIN");
    traits.clientHeightTwips = 9015;
    // "ZOTA_" and 13 characters make the 18 an object name may have.
    traits.nameMaxLength = 13;
    traits.upperCaseNamesOnExit = true;
    traits.columnsListed = ColumnsListedWhen::SelectionChanged;
    traits.initialOldValueFlag = QStringLiteral("false");
    traits.addButtonsShowArrow = false;
    traits.tooltips = true;
    traits.panicOnF12 = true;
    traits.installedAuditNameColumn = kNameColumn;
    traits.installedAuditRows = InstalledAuditRows::SelectedRows;
    traits.resetClearsChangedFields = false;
    return traits;
}

} // namespace

SqlBaseBackend::SqlBaseBackend(PlatformServices& services, const SqlBaseLoginValues& login)
    : m_services(services), m_login(login), m_traits(sqlBaseTraits()), m_catalog(services, login) {}

SqlBaseBackend::~SqlBaseBackend() = default;

std::optional<QStringList> SqlBaseBackend::load(Grid& installedAudits) {
    return startSqlBaseMainWindow(installedAudits, m_services, m_login);
}

QStringList SqlBaseBackend::listColumns(const QString& table) {
    QStringList names;
    if (table.isEmpty())
        return names;
    std::unique_ptr<IConnection> connection =
        connectToSqlBase(m_services.connections, m_login, m_services.messages);
    if (!connection)
        return names;
    try {
        for (const ColumnInfo& column : readSqlBaseColumns(*connection, table))
            names << column.name;
    } catch (const DbException& e) {
        // An empty column list without a word would look like a table without columns.
        m_services.messages.show(e.description());
    }
    return names;
}

void SqlBaseBackend::listAudits(Grid& installedAudits) {
    m_catalog.list(installedAudits);
}

void SqlBaseBackend::actOnRows(Grid& installedAudits, const QList<int>& rows,
                               CatalogAction action) {
    // The names are read first: nothing below changes the grid before the reload.
    QStringList names;
    for (int row : rows) {
        const QString name = installedAudits.cellText(row, kNameColumn);
        if (!name.isEmpty())
            names << name;
    }
    for (const QString& name : names) {
        if ((m_catalog.*action)(name) == SqlBaseCatalog::Outcome::NoConnection)
            return;
    }
    m_catalog.list(installedAudits);
}

void SqlBaseBackend::disableAudits(Grid& installedAudits, const QList<int>& rows) {
    actOnRows(installedAudits, rows, &SqlBaseCatalog::disable);
}

void SqlBaseBackend::enableAudits(Grid& installedAudits, const QList<int>& rows) {
    actOnRows(installedAudits, rows, &SqlBaseCatalog::enable);
}

bool SqlBaseBackend::prepareDelete() {
    m_deleteConnection = connectToSqlBase(m_services.connections, m_login, m_services.messages);
    return m_deleteConnection != nullptr;
}

void SqlBaseBackend::deleteAudits(Grid& installedAudits, const QList<int>& rows,
                                  DeleteAnswer answer) {
    if (answer == DeleteAnswer::Yes)
        actOnRows(installedAudits, rows, &SqlBaseCatalog::remove);
    else
        m_catalog.list(installedAudits);
    if (m_deleteConnection) {
        m_deleteConnection->close();
        m_deleteConnection.reset();
    }
}

SaveResult SqlBaseBackend::save(const AuditDefinition& definition) {
    return saveSqlBaseAudit(definition, m_services, m_login);
}

void SqlBaseBackend::setAuditDataWindows(std::unique_ptr<AuditDataWindows> windows) {
    m_dataWindows = std::move(windows);
}

void SqlBaseBackend::viewAudit(Grid& installedAudits, QWidget*) {
    if (m_dataWindows)
        m_dataWindows->view(installedAudits);
}

void SqlBaseBackend::exportAudit(Grid& installedAudits, QWidget*) {
    if (m_dataWindows)
        m_dataWindows->openExport(installedAudits);
}

void SqlBaseBackend::panic() {
    panicSqlBase(m_services, m_login);
}

void SqlBaseBackend::shutdown() {
    shutDownSqlBaseMainWindow(m_services, m_login);
}

} // namespace quorvex::sqlbase
