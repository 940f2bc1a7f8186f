#include "FakeAuditBackend.h"

#include "components/Grid.h"
#include "components/MemoryRowSource.h"
#include "components/Recordset.h"

#include <QGuiApplication>

namespace quorvex::testing {

MainWindowTraits sqlServerTraits() {
    return MainWindowTraits{};
}

MainWindowTraits sqlBaseTraits() {
    MainWindowTraits traits;
    traits.objectName = QStringLiteral("FRMCENMAIN");
    traits.clientHeightTwips = 9015;
    traits.nameMaxLength = 13;
    traits.upperCaseNamesOnExit = true;
    traits.columnsListed = ColumnsListedWhen::SelectionChanged;
    traits.initialOldValueFlag = QStringLiteral("false");
    traits.addButtonsShowArrow = false;
    traits.tooltips = true;
    traits.panicOnF12 = true;
    traits.installedAuditNameColumn = 1;
    traits.installedAuditRows = InstalledAuditRows::SelectedRows;
    traits.resetClearsChangedFields = false;
    return traits;
}

FakeAuditBackend::FakeAuditBackend(MainWindowTraits traits) : m_traits(std::move(traits)) {}

void FakeAuditBackend::fill(Grid& installedAudits) const {
    std::vector<FieldInfo> fields;
    for (const QString& name : auditFields)
        fields.push_back(FieldInfo{name});
    Recordset rows(std::make_unique<MemoryRowSource>(std::move(fields), auditRows));
    installedAudits.loadRecordset(rows);
}

QString FakeAuditBackend::namesOf(const Grid& installedAudits, const QList<int>& rows) const {
    QStringList names;
    for (int row : rows)
        names << installedAudits.cellText(row, m_traits.installedAuditNameColumn);
    return names.join(QLatin1Char(','));
}

std::optional<QStringList> FakeAuditBackend::load(Grid& installedAudits) {
    calls << QStringLiteral("load");
    if (tables)
        fill(installedAudits);
    return tables;
}

QStringList FakeAuditBackend::listColumns(const QString& table) {
    calls << QStringLiteral("listColumns(%1)").arg(table);
    const QCursor* cursor = QGuiApplication::overrideCursor();
    listedUnderWaitCursor << (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
    return columnsByTable.value(table);
}

void FakeAuditBackend::listAudits(Grid& installedAudits) {
    calls << QStringLiteral("listAudits");
    if (whenListingAudits)
        whenListingAudits();
    fill(installedAudits);
}

void FakeAuditBackend::disableAudits(Grid& installedAudits, const QList<int>& rows) {
    calls << QStringLiteral("disable(%1)").arg(namesOf(installedAudits, rows));
    fill(installedAudits);
}

void FakeAuditBackend::enableAudits(Grid& installedAudits, const QList<int>& rows) {
    calls << QStringLiteral("enable(%1)").arg(namesOf(installedAudits, rows));
    fill(installedAudits);
}

bool FakeAuditBackend::prepareDelete() {
    calls << QStringLiteral("prepareDelete");
    return deleteMayGoOn;
}

void FakeAuditBackend::deleteAudits(Grid& installedAudits, const QList<int>& rows,
                                    DeleteAnswer answer) {
    calls << QStringLiteral("delete(%1;%2)")
                 .arg(namesOf(installedAudits, rows),
                      answer == DeleteAnswer::Yes ? QStringLiteral("Yes") : QStringLiteral("No"));
    fill(installedAudits);
}

SaveResult FakeAuditBackend::save(const AuditDefinition& definition) {
    calls << QStringLiteral("save(%1)").arg(definition.name);
    saved << definition;
    if (saveResults.empty())
        return SaveResult{};
    const SaveResult result = saveResults.front();
    saveResults.pop_front();
    return result;
}

void FakeAuditBackend::viewAudit(Grid&, QWidget* mainWindow) {
    calls << QStringLiteral("view");
    owners << mainWindow;
}

void FakeAuditBackend::exportAudit(Grid&, QWidget* mainWindow) {
    calls << QStringLiteral("export");
    owners << mainWindow;
}

void FakeAuditBackend::panic() {
    calls << QStringLiteral("panic");
}

void FakeAuditBackend::shutdown() {
    calls << QStringLiteral("shutdown");
}

} // namespace quorvex::testing
