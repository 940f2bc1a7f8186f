#pragma once

#include "components/FieldInfo.h"
#include "mainwindow/AuditBackend.h"

#include <QMap>
#include <deque>
#include <functional>
#include <vector>

namespace quorvex::testing {

// The traits of the two back ends as the main window sees them.
MainWindowTraits sqlServerTraits();
MainWindowTraits sqlBaseTraits();

// A back end that records every call in order and answers from a script. The installed-audits
// grid is filled from auditFields/auditRows at load and after every action, as a real back end
// reloads it.
class FakeAuditBackend : public AuditBackend {
public:
    explicit FakeAuditBackend(MainWindowTraits traits);

    // --- script ---
    std::optional<QStringList> tables = QStringList{};
    QMap<QString, QStringList> columnsByTable;
    QStringList auditFields;
    std::vector<Row> auditRows;
    std::deque<SaveResult> saveResults; // NotSaved once they run out
    bool deleteMayGoOn = true;
    // Runs inside listAudits, before the grid is filled: what did the window look like then?
    std::function<void()> whenListingAudits;

    // --- what happened ---
    // "load", "listColumns(ORDERS)", "listAudits", "disable(Orders,Items)", "enable(...)",
    // "prepareDelete", "delete(Orders;Yes)", "save(NAME)", "view", "export", "panic",
    // "shutdown"; the actions name the audits read from the rows they were given.
    QStringList calls;
    QList<AuditDefinition> saved;
    QList<bool> listedUnderWaitCursor;
    QList<QWidget*> owners;

    // --- AuditBackend ---
    const MainWindowTraits& traits() const override { return m_traits; }
    std::optional<QStringList> load(Grid& installedAudits) override;
    QStringList listColumns(const QString& table) override;
    void listAudits(Grid& installedAudits) override;
    void disableAudits(Grid& installedAudits, const QList<int>& rows) override;
    void enableAudits(Grid& installedAudits, const QList<int>& rows) override;
    bool prepareDelete() override;
    void deleteAudits(Grid& installedAudits, const QList<int>& rows, DeleteAnswer answer) override;
    SaveResult save(const AuditDefinition& definition) override;
    void viewAudit(Grid& installedAudits, QWidget* mainWindow) override;
    void exportAudit(Grid& installedAudits, QWidget* mainWindow) override;
    void panic() override;
    void shutdown() override;

private:
    void fill(Grid& installedAudits) const;
    QString namesOf(const Grid& installedAudits, const QList<int>& rows) const;

    MainWindowTraits m_traits;
};

} // namespace quorvex::testing
