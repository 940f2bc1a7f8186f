#pragma once

#include "FakeAuditBackend.h"
#include "components/PlatformServices.h"
#include "mainwindow/AuditMainWindow.h"
#include "support/FakeDatabase.h"
#include "support/FakeWorkingDirectory.h"
#include "support/RecordingDesktopServices.h"
#include "support/RecordingProcessControl.h"
#include "support/ScriptedMessageService.h"

#include <QComboBox>
#include <QListWidget>
#include <memory>

namespace quorvex {
class Grid;
}

namespace quorvex::testing {

// One main window over a scripted back end, with every platform seam recorded. The back end
// starts with three tables, their columns and three installed audits; a test changes the
// script before open().
//
//   ORDERS: ORDNO, CUSTNO, AMOUNT      ITEMS: ITEMNO, PRICE      CUSTOMERS: CUSTNO, NAME
class MainWindowFixture {
public:
    explicit MainWindowFixture(MainWindowTraits traits);
    ~MainWindowFixture();

    ScriptedMessageService messages;
    RecordingProcessControl process;
    RecordingDesktopServices desktop;
    FakeWorkingDirectory workingDirectory;
    FakeDatabase database;
    PlatformServices services{messages, process, desktop, workingDirectory, database};
    FakeAuditBackend backend;
    std::unique_ptr<AuditMainWindow> window;

    // Makes the window and starts it; shows it when the start succeeded. Returns start()'s
    // verdict.
    bool open();

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QListWidget* list(const QString& name) const { return find<QListWidget>(name); }
    QComboBox* combo(const QString& name) const { return find<QComboBox>(name); }
    Grid* grid(const QString& name) const;

    void showTab(int index);
    void click(const QString& button);
    void clickItem(const QString& listName, int row,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Presses and releases the mouse below the last item, where no item is.
    void clickListBackground(const QString& listName);
    void clickCell(const QString& gridName, int row, int column,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void chooseInCombo(const QString& comboName, const QString& text);
    void type(const QString& textBoxName, const QString& text);

    static QStringList itemTexts(const QListWidget* list);
    static QStringList chosenTexts(const QListWidget* list);
    static QStringList comboTexts(const QComboBox* combo);
    // Every cell of a grid, row by row, the row header first: "AND|ORDNO|=|5".
    static QStringList gridRows(const Grid* grid);
};

} // namespace quorvex::testing
