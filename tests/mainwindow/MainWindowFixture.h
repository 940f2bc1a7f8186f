#pragma once

#include "FakeAuditBackend.h"
#include "components/PlatformServices.h"
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
#include <QTabWidget>
#include <QTest>
#include <memory>

namespace quorvex::testing {

// One main window over a scripted back end, with every platform seam recorded. The back end
// starts with three tables, their columns and three installed audits; a test changes the
// script before open().
//
//   ORDERS: ORDNO, CUSTNO, AMOUNT      ITEMS: ITEMNO, PRICE      CUSTOMERS: CUSTNO, NAME
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

    enum class Items { All, Selected };
    QStringList items(const QString& listName, Items which = Items::All) const {
        QStringList texts;
        for (int i = 0; i < list(listName)->count(); ++i) {
            if (which == Items::All || list(listName)->item(i)->isSelected())
                texts << list(listName)->item(i)->text();
        }
        return texts;
    }
    QStringList chosen(const QString& listName) const { return items(listName, Items::Selected); }
    QStringList comboItems(const QString& comboName) const {
        QStringList texts;
        for (int i = 0; i < combo(comboName)->count(); ++i)
            texts << combo(comboName)->itemText(i);
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
