#pragma once

#include "components/BackgroundTask.h"
#include "components/FieldInfo.h"
#include "components/Grid.h"
#include "components/MemoryRowSource.h"
#include "components/PlatformServices.h"
#include "components/Recordset.h"
#include "components/TaskContext.h"
#include "components/WindowOperation.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditMainWindow.h"
#include "mainwindow/AuditViews.h"
#include "sqlbase/SqlBaseBackend.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QTabWidget>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvex::testing {

// The main window's view of the two back ends.
inline MainWindowTraits sqlServerTraits() {
    return MainWindowTraits{};
}
inline MainWindowTraits sqlBaseTraits() {
    return sqlbase::SqlBaseBackend::mainWindowTraits();
}

// A back end that records every call ("disable(Orders,Items)", "delete(Orders;Yes)") and answers
// from a script; every action lists auditFields/auditRows again, as a real back end reloads them.
class FakeAuditBackend : public AuditBackend {
public:
    explicit FakeAuditBackend(MainWindowTraits traits) : m_traits(std::move(traits)) {}

    QStringList tables;
    QMap<QString, QStringList> columnsByTable;
    QStringList auditFields;
    std::vector<Row> auditRows;
    std::deque<SaveResult> saveResults; // NotSaved once they run out
    bool deleteMayGoOn = true;
    bool panicSwept = true;
    // Runs on the window's thread while listAudits waits for it.
    std::function<void()> whenListingAudits;
    // Runs on the worker inside every call.
    std::function<void(const QString& call, TaskContext&)> whileRunning;

    QStringList calls;
    QList<AuditDefinition> saved;

    const MainWindowTraits& traits() const override { return m_traits; }
    std::optional<Loaded> load(MessageService&, TaskContext& task) override {
        record("load", task);
        return Loaded{tables, listing(), {}};
    }
    std::optional<QStringList> listColumns(const QString& table, MessageService&,
                                           TaskContext& task) override {
        record(QStringLiteral("listColumns(%1)").arg(table), task);
        return columnsByTable.value(table);
    }
    std::optional<AuditListing> listAudits(MessageService&, TaskContext& task) override {
        record("listAudits", task);
        if (whenListingAudits)
            QMetaObject::invokeMethod(qApp, whenListingAudits, Qt::BlockingQueuedConnection);
        return listing();
    }
    std::optional<AuditListing> disableAudits(const QList<InstalledAuditRow>& rows, MessageService&,
                                              TaskContext& task) override {
        record(QStringLiteral("disable(%1)").arg(namesOf(rows)), task);
        return listing();
    }
    std::optional<AuditListing> enableAudits(const QList<InstalledAuditRow>& rows, MessageService&,
                                             TaskContext& task) override {
        record(QStringLiteral("enable(%1)").arg(namesOf(rows)), task);
        return listing();
    }
    bool prepareDelete(MessageService&, TaskContext& task) override {
        record("prepareDelete", task);
        return deleteMayGoOn;
    }
    std::optional<AuditListing> deleteAudits(const QList<InstalledAuditRow>& rows,
                                             DeleteAnswer answer, MessageService&,
                                             TaskContext& task) override {
        const char* said = answer == DeleteAnswer::Yes ? "Yes" : "No";
        record(QStringLiteral("delete(%1;%2)").arg(namesOf(rows), said), task);
        return listing();
    }
    SaveResult save(const AuditDefinition& definition, MessageService&,
                    TaskContext& task) override {
        record(QStringLiteral("save(%1)").arg(definition.name), task);
        std::lock_guard lock(m_mutex);
        saved << definition;
        if (saveResults.empty())
            return SaveResult{};
        const SaveResult result = saveResults.front();
        saveResults.pop_front();
        return result;
    }
    QString panicQuestion() const override { return QStringLiteral("Panic?"); }
    bool panicSweep(MessageService&, TaskContext& task) override {
        record("panic", task);
        return panicSwept;
    }
    QString panicEndMessage(bool swept) const override {
        return swept ? QStringLiteral("All gone") : QStringLiteral("Not all gone");
    }
    void shutdown(MessageService&, TaskContext& task) override { record("shutdown", task); }

private:
    void record(const QString& call, TaskContext& task) {
        {
            std::lock_guard lock(m_mutex);
            calls << call;
        }
        if (whileRunning)
            whileRunning(call, task);
    }
    AuditListing listing() const {
        AuditListing result;
        for (const QString& name : auditFields)
            result.fields.push_back(FieldInfo{name});
        result.rows = auditRows;
        return result;
    }
    QString namesOf(const QList<InstalledAuditRow>& rows) const {
        QStringList names;
        for (const InstalledAuditRow& row : rows)
            names << row.value(m_traits.installedAuditNameColumn);
        return names.join(QLatin1Char(','));
    }

    MainWindowTraits m_traits;
    std::mutex m_mutex;
};

// The windows of the audits' rows, recording into the back end's calls.
class FakeAuditViews : public AuditViews {
public:
    explicit FakeAuditViews(QStringList& calls) : m_calls(calls) {}
    void view(const Grid&) override { m_calls << "view"; }
    void openExport(Grid&) override { m_calls << "export"; }
    void releaseAudit(const QString& name, std::function<void()> ready) override {
        m_calls << QStringLiteral("release(%1)").arg(name);
        ready();
    }
    void setAuditsChanged(std::function<void()>) override {}

private:
    QStringList& m_calls;
};

// One main window over a scripted back end with three tables and three installed audits.
class MainWindowFixture {
public:
    explicit MainWindowFixture(MainWindowTraits traits)
        : backendShared(std::make_shared<FakeAuditBackend>(std::move(traits))),
          backend(*backendShared), views(backend.calls) {
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
    std::shared_ptr<FakeAuditBackend> backendShared;
    FakeAuditBackend& backend;
    FakeAuditViews views;
    std::unique_ptr<AuditMainWindow> window;

    ~MainWindowFixture() {
        window.reset();
        BackgroundTask::waitForAll(5000);
    }

    // The start-up as the login runs it, then the window shown over what it found.
    bool open() {
        window = std::make_unique<AuditMainWindow>(backendShared, services, &views);
        TaskContext task;
        const std::optional<AuditBackend::Loaded> loaded = backend.load(messages, task);
        if (!loaded)
            return false;
        window->present(*loaded);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    bool waitIdle() {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return QTest::qWaitFor([this] { return !window->operation().isBusy(); }, 5000);
    }

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QListWidget* list(const QString& name) const { return find<QListWidget>(name); }
    QComboBox* combo(const QString& name) const { return find<QComboBox>(name); }
    Grid* grid(const QString& name) const { return find<Grid>(name); }

    QString text(const QString& lineEdit) const { return find<QLineEdit>(lineEdit)->text(); }
    bool enabled(const QString& name) const { return find<QWidget>(name)->isEnabled(); }
    QStringList callsAfterLoad() const { return backend.calls.mid(1); }

    QStringList chosen(const QString& listName) const {
        QStringList texts;
        for (const QListWidgetItem* item : list(listName)->selectedItems())
            texts << item->text();
        return texts;
    }
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
        QVERIFY(waitIdle());
    }
    void clickItem(const QString& listName, int row) {
        QListWidget* target = list(listName);
        const QRect cell = target->visualItemRect(target->item(row));
        QVERIFY(cell.isValid());
        QTest::mouseClick(target->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QVERIFY(waitIdle());
    }
    void clickCell(const QString& gridName, int row, int column,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Grid* target = grid(gridName);
        const QRect cell = target->visualRect(target->gridModel()->index(row, column));
        QVERIFY(cell.isValid());
        QTest::mouseClick(target->viewport(), Qt::LeftButton, modifiers, cell.center());
        QVERIFY(waitIdle());
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
