#pragma once

#include "components/FieldInfo.h"
#include "components/Grid.h"
#include "components/MemoryRowSource.h"
#include "components/Recordset.h"
#include "mainwindow/AuditBackend.h"

#include <QGuiApplication>
#include <QMap>
#include <deque>
#include <functional>
#include <vector>

namespace quorvex::testing {

// The traits of the two back ends as the main window sees them.
inline MainWindowTraits sqlServerTraits() {
    return MainWindowTraits{};
}

inline MainWindowTraits sqlBaseTraits() {
    return {.objectName = "FRMCENMAIN",
            .clientHeightTwips = 9015,
            .nameMaxLength = 13,
            .upperCaseNamesOnExit = true,
            .columnsListed = ColumnsListedWhen::SelectionChanged,
            .initialOldValueFlag = "false",
            .addButtonsShowArrow = false,
            .tooltips = true,
            .panicOnF12 = true,
            .installedAuditNameColumn = 1,
            .installedAuditRows = InstalledAuditRows::SelectedRows,
            .resetClearsChangedFields = false};
}

// A back end that records every call in order and answers from a script. The installed-audits
// grid is filled from auditFields/auditRows at load and after every action, as a real back end
// reloads it. Actions name the audits read from the rows they were given:
// "disable(Orders,Items)", "delete(Orders;Yes)".
class FakeAuditBackend : public AuditBackend {
public:
    explicit FakeAuditBackend(MainWindowTraits traits) : m_traits(std::move(traits)) {}

    std::optional<QStringList> tables = QStringList{};
    QMap<QString, QStringList> columnsByTable;
    QStringList auditFields;
    std::vector<Row> auditRows;
    std::deque<SaveResult> saveResults; // NotSaved once they run out
    bool deleteMayGoOn = true;
    // Runs inside listAudits, before the grid is filled: what did the window look like then?
    std::function<void()> whenListingAudits;

    QStringList calls;
    QList<AuditDefinition> saved;
    QList<bool> listedUnderWaitCursor;
    QList<QWidget*> owners;

    const MainWindowTraits& traits() const override { return m_traits; }
    std::optional<QStringList> load(Grid& audits) override {
        calls << "load";
        if (tables)
            fill(audits);
        return tables;
    }
    QStringList listColumns(const QString& table) override {
        calls << QStringLiteral("listColumns(%1)").arg(table);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        listedUnderWaitCursor << (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
        return columnsByTable.value(table);
    }
    void listAudits(Grid& audits) override {
        calls << "listAudits";
        if (whenListingAudits)
            whenListingAudits();
        fill(audits);
    }
    void disableAudits(Grid& audits, const QList<int>& rows) override {
        act(audits, QStringLiteral("disable(%1)").arg(namesOf(audits, rows)));
    }
    void enableAudits(Grid& audits, const QList<int>& rows) override {
        act(audits, QStringLiteral("enable(%1)").arg(namesOf(audits, rows)));
    }
    bool prepareDelete() override {
        calls << "prepareDelete";
        return deleteMayGoOn;
    }
    void deleteAudits(Grid& audits, const QList<int>& rows, DeleteAnswer answer) override {
        const char* said = answer == DeleteAnswer::Yes ? "Yes" : "No";
        act(audits, QStringLiteral("delete(%1;%2)").arg(namesOf(audits, rows), said));
    }
    SaveResult save(const AuditDefinition& definition) override {
        calls << QStringLiteral("save(%1)").arg(definition.name);
        saved << definition;
        if (saveResults.empty())
            return SaveResult{};
        const SaveResult result = saveResults.front();
        saveResults.pop_front();
        return result;
    }
    void viewAudit(Grid&, QWidget* mainWindow) override {
        calls << "view";
        owners << mainWindow;
    }
    void exportAudit(Grid&, QWidget* mainWindow) override {
        calls << "export";
        owners << mainWindow;
    }
    void panic() override { calls << "panic"; }
    void shutdown() override { calls << "shutdown"; }

private:
    void fill(Grid& audits) const {
        std::vector<FieldInfo> fields;
        for (const QString& name : auditFields)
            fields.push_back(FieldInfo{name});
        Recordset rows(std::make_unique<MemoryRowSource>(std::move(fields), auditRows));
        audits.loadRecordset(rows);
    }
    QString namesOf(const Grid& audits, const QList<int>& rows) const {
        QStringList names;
        for (int row : rows)
            names << audits.cellText(row, m_traits.installedAuditNameColumn);
        return names.join(QLatin1Char(','));
    }
    void act(Grid& audits, const QString& call) {
        calls << call;
        fill(audits);
    }

    MainWindowTraits m_traits;
};

} // namespace quorvex::testing
