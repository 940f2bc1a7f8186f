#include "MainWindowFixture.h"

#include "components/Grid.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

namespace quorvex::testing {

MainWindowFixture::MainWindowFixture(MainWindowTraits traits) : backend(std::move(traits)) {
    backend.tables =
        QStringList{QStringLiteral("ORDERS"), QStringLiteral("ITEMS"), QStringLiteral("CUSTOMERS")};
    backend.columnsByTable[QStringLiteral("ORDERS")] = {
        QStringLiteral("ORDNO"), QStringLiteral("CUSTNO"), QStringLiteral("AMOUNT")};
    backend.columnsByTable[QStringLiteral("ITEMS")] = {QStringLiteral("ITEMNO"),
                                                       QStringLiteral("PRICE")};
    backend.columnsByTable[QStringLiteral("CUSTOMERS")] = {QStringLiteral("CUSTNO"),
                                                           QStringLiteral("NAME")};
    if (backend.traits().installedAuditNameColumn == 0) {
        backend.auditFields = {QStringLiteral("AUDIT_NAME"), QStringLiteral("AUDIT_DESCRIPTION"),
                               QStringLiteral("ENABLED"), QStringLiteral("TRIGGERTABLE")};
        backend.auditRows = {textRow({"Orders", "new orders", "Y", "ORDERS"}),
                             textRow({"Items", "price changes", "N", "ITEMS"}),
                             textRow({"Customers", "gone customers", "Y", "CUSTOMERS"})};
    } else {
        backend.auditFields = {QStringLiteral("RECORDS"), QStringLiteral("AUDIT_NAME"),
                               QStringLiteral("AUDIT_DESCRIPTION"), QStringLiteral("ENABLED")};
        backend.auditRows = {textRow({"NO RECORDS", "ZOTA_ORDERS", "new orders", "Y"}),
                             textRow({"3 RECORDS", "ZOTA_ITEMS", "price changes", "N"}),
                             textRow({"1 RECORDS", "ZOTA_CUSTOMERS", "gone customers", "Y"})};
    }
}

MainWindowFixture::~MainWindowFixture() = default;

bool MainWindowFixture::open() {
    window = std::make_unique<AuditMainWindow>(backend, services);
    const bool started = window->start();
    if (started) {
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
    }
    return started;
}

Grid* MainWindowFixture::grid(const QString& name) const {
    return find<Grid>(name);
}

void MainWindowFixture::showTab(int index) {
    window->tabs()->setCurrentIndex(index);
    QCoreApplication::processEvents();
}

void MainWindowFixture::click(const QString& button) {
    auto* target = find<QAbstractButton>(button);
    QVERIFY2(target != nullptr, qPrintable(button));
    // Near the left edge: an option button takes clicks on its circle and caption only.
    const QPoint nearLeft(std::min(10, target->width() / 2), target->height() / 2);
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, nearLeft);
}

void MainWindowFixture::clickItem(const QString& listName, int row,
                                  Qt::KeyboardModifiers modifiers) {
    QListWidget* target = list(listName);
    QVERIFY2(target != nullptr, qPrintable(listName));
    const QRect cell = target->visualItemRect(target->item(row));
    QVERIFY(cell.isValid());
    QTest::mouseClick(target->viewport(), Qt::LeftButton, modifiers, cell.center());
}

void MainWindowFixture::clickListBackground(const QString& listName) {
    QListWidget* target = list(listName);
    QVERIFY2(target != nullptr, qPrintable(listName));
    const QPoint below(target->viewport()->width() / 2, target->viewport()->height() - 3);
    QVERIFY(target->itemAt(below) == nullptr);
    QTest::mouseClick(target->viewport(), Qt::LeftButton, Qt::NoModifier, below);
}

void MainWindowFixture::clickCell(const QString& gridName, int row, int column,
                                  Qt::KeyboardModifiers modifiers) {
    Grid* target = grid(gridName);
    QVERIFY2(target != nullptr, qPrintable(gridName));
    const QRect cell = target->visualRect(target->gridModel()->index(row, column));
    QVERIFY(cell.isValid());
    QTest::mouseClick(target->viewport(), Qt::LeftButton, modifiers, cell.center());
}

void MainWindowFixture::chooseInCombo(const QString& comboName, const QString& text) {
    QComboBox* target = combo(comboName);
    QVERIFY2(target != nullptr, qPrintable(comboName));
    const int index = target->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(text));
    target->setCurrentIndex(index);
}

void MainWindowFixture::type(const QString& textBoxName, const QString& text) {
    auto* target = find<QLineEdit>(textBoxName);
    QVERIFY2(target != nullptr, qPrintable(textBoxName));
    QTest::keyClicks(target, text);
}

QStringList MainWindowFixture::itemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QStringList MainWindowFixture::chosenTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            texts << list->item(i)->text();
    }
    return texts;
}

QStringList MainWindowFixture::comboTexts(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

QStringList MainWindowFixture::gridRows(const Grid* grid) {
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QStringList cells{grid->cellText(row, Grid::HeaderIndex)};
        for (int column = 0; column < grid->colCount(); ++column)
            cells << grid->cellText(row, column);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace quorvex::testing
