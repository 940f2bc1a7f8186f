#pragma once

#include "components/FieldInfo.h"
#include "components/Grid.h"
#include "components/MemoryRowSource.h"
#include "components/PlatformServices.h"
#include "components/Recordset.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditMainWindow.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QTabWidget>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
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

// One main window over a scripted back end, with every platform seam recorded. The back end
// starts with three tables (ORDERS: ORDNO, CUSTNO, AMOUNT; ITEMS: ITEMNO, PRICE; CUSTOMERS:
// CUSTNO, NAME) and three installed audits; a test changes the script before open().
class MainWindowFixture {
public:
    explicit MainWindowFixture(MainWindowTraits traits) : backend(std::move(traits)) {
        backend.tables = QStringList{"ORDERS", "ITEMS", "CUSTOMERS"};
        backend.columnsByTable["ORDERS"] = {"ORDNO", "CUSTNO", "AMOUNT"};
        backend.columnsByTable["ITEMS"] = {"ITEMNO", "PRICE"};
        backend.columnsByTable["CUSTOMERS"] = {"CUSTNO", "NAME"};
        if (backend.traits().installedAuditNameColumn == 0) {
            backend.auditFields = {"AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED", "TRIGGERTABLE"};
            backend.auditRows = {textRow({"Orders", "new orders", "Y", "ORDERS"}),
                                 textRow({"Items", "price changes", "N", "ITEMS"}),
                                 textRow({"Customers", "gone customers", "Y", "CUSTOMERS"})};
        } else {
            backend.auditFields = {"RECORDS", "AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"};
            backend.auditRows = {textRow({"NO RECORDS", "ZOTA_ORDERS", "new orders", "Y"}),
                                 textRow({"3 RECORDS", "ZOTA_ITEMS", "price changes", "N"}),
                                 textRow({"1 RECORDS", "ZOTA_CUSTOMERS", "gone customers", "Y"})};
        }
    }

    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    FakeDatabase database;
    PlatformServices services{messages, process, desktop, workingDirectory, database};
    FakeAuditBackend backend;
    std::unique_ptr<AuditMainWindow> window;

    // Makes and starts the window, showing it when the start succeeded; false when it failed.
    bool open() {
        window = std::make_unique<AuditMainWindow>(backend, services);
        if (!window->start())
            return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QListWidget* list(const QString& name) const { return find<QListWidget>(name); }
    QComboBox* combo(const QString& name) const { return find<QComboBox>(name); }
    Grid* grid(const QString& name) const { return find<Grid>(name); }

    QString text(const QString& lineEdit) const { return find<QLineEdit>(lineEdit)->text(); }
    bool checked(const QString& option) const { return find<QAbstractButton>(option)->isChecked(); }
    bool enabled(const QString& name) const { return find<QWidget>(name)->isEnabled(); }
    QStringList callsAfterLoad() const { return backend.calls.mid(1); }

    QStringList items(const QString& listName, bool selectedOnly = false) const {
        QStringList texts;
        for (const QListWidgetItem* item : list(listName)->findItems("*", Qt::MatchWildcard)) {
            if (!selectedOnly || item->isSelected())
                texts << item->text();
        }
        return texts;
    }
    QStringList chosen(const QString& listName) const { return items(listName, true); }
    // Every cell of a grid, row by row, the row header first: "AND|ORDNO|=|5".
    QStringList rows(const QString& gridName) const {
        const Grid* target = grid(gridName);
        QStringList rows;
        for (int row = 0; row < target->rowCount(); ++row) {
            QStringList cells{target->cellText(row, Grid::HeaderIndex)};
            for (int column = 0; column < target->colCount(); ++column)
                cells << target->cellText(row, column);
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    void showTab(int index) {
        window->tabs()->setCurrentIndex(index);
        QCoreApplication::processEvents();
    }
    void click(const QString& button) {
        auto* target = find<QAbstractButton>(button);
        QVERIFY2(target != nullptr, qPrintable(button));
        // Near the left edge: an option button takes clicks on its circle and caption only.
        const QPoint nearLeft(std::min(10, target->width() / 2), target->height() / 2);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, nearLeft);
    }
    void clickItem(const QString& listName, int row) {
        QListWidget* target = list(listName);
        const QRect cell = target->visualItemRect(target->item(row));
        QVERIFY(cell.isValid());
        QTest::mouseClick(target->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
    void clickCell(const QString& gridName, int row, int column,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Grid* target = grid(gridName);
        const QRect cell = target->visualRect(target->gridModel()->index(row, column));
        QVERIFY(cell.isValid());
        QTest::mouseClick(target->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    void type(const QString& textBoxName, const QString& text) {
        QTest::keyClicks(find<QLineEdit>(textBoxName), text);
    }
    // On tab 0 or 1: chooses the column, writes the value and presses Add.
    void addCondition(int tab, const QString& column, const QString& value) {
        QComboBox* columns =
            combo(tab == 0 ? "cboConditionalColumns" : "cboUpdateConditionalColumns");
        const int index = columns->findText(column, Qt::MatchExactly | Qt::MatchCaseSensitive);
        QVERIFY2(index >= 0, qPrintable(column));
        columns->setCurrentIndex(index);
        find<QLineEdit>(tab == 0 ? "txtCriteria" : "txtUpdateCriteria")->setText(value);
        click(tab == 0 ? "cmdAdd" : "cmdUpdateAdd");
    }
};

} // namespace quorvex::testing
