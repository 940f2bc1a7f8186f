#include "components/Grid.h"
#include "components/MemoryRowSource.h"
#include "components/Recordset.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

namespace quorvex {

int runGridModelTest(int argc, char** argv);

namespace {

Recordset recordsetOf(const QStringList& names, std::vector<Row> rows) {
    std::vector<FieldInfo> fields;
    for (const QString& name : names)
        fields.push_back(FieldInfo{name});
    return Recordset(std::make_unique<MemoryRowSource>(std::move(fields), std::move(rows)));
}

QStringList columnTexts(const Grid& grid, int column) {
    QStringList texts;
    for (int r = 0; r < grid.rowCount(); ++r)
        texts << grid.cellText(r, column);
    return texts;
}

QList<int> selectedRows(const Grid& grid) {
    QList<int> rows;
    for (int i = 1; i <= grid.selectedCount(); ++i)
        rows << grid.selectedRow(i);
    return rows;
}

} // namespace

class GridTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void emptyGridHasNoRowsAndNoCurrentRow();
    void headerRowAndRowHeaderColumnAreAddressableAndShown();
    void outOfRangeAddressesAreHarmless();
    void makingACellCurrentSetsTheCurrentRow();
    void removingTheCurrentRowMovesCurrentToANeighbour();
    void removingAllRowsThenInsertingOneLeavesOneEmptyRow();
    void selectedMarksAreIndependentOfTheCurrentRow();
    void clickMakesTheRowCurrentAndReportsTheColumn();
    void plainCtrlAndShiftClicksMarkRowsInExtendedSelection();
    void manualSelectionLeavesMarksToTheClickHandler();
    void clickOnACheckCellTogglesBeforeTheClickIsReported();
    void doubleClickOnACheckCellTogglesTwice();
    void spaceTogglesTheCurrentCheckCell();
    void rowHeaderClickReportsColumnMinusOne();
    void columnWidthsArePixelsAndMinusOneIsTheRowHeader();
    void loadRecordsetShowsFieldNamesAndNullsAsEmptyText();
    void loadRecordsetOfAnEmptyResultLeavesOnlyTheHeader();
    void clearEmptiesTheGridForReuse();
    void defaultLookIsMonospaceOnLightGrey();

private:
    void show();
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    std::unique_ptr<Grid> m_grid;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void GridTest::init() {
    m_grid = std::make_unique<Grid>();
    m_grid->resize(600, 400);
    m_tester = std::make_unique<QAbstractItemModelTester>(
        m_grid->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void GridTest::cleanup() {
    m_tester.reset();
    m_grid.reset();
}

void GridTest::show() {
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
}

void GridTest::clickCell(int row, int column, Qt::KeyboardModifiers modifiers) {
    const QRect cell = m_grid->visualRect(m_grid->gridModel()->index(row, column));
    QVERIFY(cell.isValid());
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, modifiers, cell.center());
}

void GridTest::emptyGridHasNoRowsAndNoCurrentRow() {
    Grid& grid = *m_grid;
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.colCount(), 0);
    QCOMPARE(grid.currentRow(), -32767);
    QCOMPARE(grid.selectedCount(), 0);

    // Columns but no rows: still no current row, even when asked for one.
    grid.setColCount(3);
    grid.setCurrentCell(0, 0);
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.currentRow(), Grid::NoCurrentRow);
}

void GridTest::headerRowAndRowHeaderColumnAreAddressableAndShown() {
    Grid& grid = *m_grid;
    grid.setColCount(3);
    grid.insertRows(0, 2);
    grid.setCellText(-1, 0, QStringLiteral("Column"));
    grid.setCellText(-1, 1, QStringLiteral("Operator"));
    grid.setCellText(-1, -1, QStringLiteral("#"));
    grid.setCellText(1, -1, QStringLiteral("AND"));
    grid.setCellText(1, 0, QStringLiteral("CITY"));

    QCOMPARE(grid.cellText(-1, 0), QStringLiteral("Column"));
    QCOMPARE(grid.cellText(-1, 1), QStringLiteral("Operator"));
    QCOMPARE(grid.cellText(-1, 2), QString());
    QCOMPARE(grid.cellText(-1, -1), QStringLiteral("#"));
    QCOMPARE(grid.cellText(1, -1), QStringLiteral("AND"));
    QCOMPARE(grid.cellText(0, -1), QString());
    QCOMPARE(grid.cellText(1, 0), QStringLiteral("CITY"));
    // The headers show the header row and the row-header column.
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Operator"));
    QCOMPARE(grid.model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("AND"));
}

void GridTest::outOfRangeAddressesAreHarmless() {
    Grid& grid = *m_grid;
    grid.setColCount(2);
    grid.insertRows(0, 2);
    grid.setCellText(0, 0, QStringLiteral("a"));
    grid.setCurrentCell(0, 1);

    grid.setCellText(2, 0, QStringLiteral("x"));
    grid.setCellText(0, 2, QStringLiteral("x"));
    grid.setCellText(Grid::NoCurrentRow, 0, QStringLiteral("x"));
    grid.setRowSelected(5, true);
    grid.setCurrentCell(7, 0);
    grid.setCurrentCell(0, 9);
    grid.insertRows(5, 1);
    grid.insertCols(-1, 1);
    grid.removeRows(4, 1);
    grid.removeRows(0, 0);
    grid.setColWidth(9, 50);
    grid.setCheckColumn(-1);

    QCOMPARE(grid.cellText(Grid::NoCurrentRow, 0), QString());
    QCOMPARE(grid.cellText(0, 2), QString());
    QCOMPARE(grid.cellText(-2, -2), QString());
    QCOMPARE(grid.isRowSelected(Grid::NoCurrentRow), false);
    QCOMPARE(grid.selectedRow(1), Grid::NoCurrentRow);
    QCOMPARE(grid.rowCount(), 2);
    QCOMPARE(grid.colCount(), 2);
    QCOMPARE(grid.currentRow(), 0);
    QCOMPARE(columnTexts(grid, 0), (QStringList{"a", ""}));
    QCOMPARE(grid.selectedCount(), 0);
}

void GridTest::makingACellCurrentSetsTheCurrentRow() {
    Grid& grid = *m_grid;
    grid.setColCount(3);
    grid.insertRows(0, 4);
    grid.setCurrentCell(3, 0);
    QCOMPARE(grid.currentRow(), 3);
    grid.setCurrentCell(2, 2);
    QCOMPARE(grid.currentRow(), 2);
    QCOMPARE(grid.currentIndex().column(), 2);
    // The row-header column cannot hold the current cell; its row becomes current at column 0.
    grid.setCurrentCell(1, -1);
    QCOMPARE(grid.currentRow(), 1);
    QCOMPARE(grid.currentIndex().column(), 0);

    // The current row follows its row when rows go in above it.
    grid.insertRows(0, 2);
    QCOMPARE(grid.currentRow(), 3);
}

void GridTest::removingTheCurrentRowMovesCurrentToANeighbour() {
    Grid& grid = *m_grid;
    grid.setColCount(1);
    grid.insertRows(0, 5);
    for (int r = 0; r < 5; ++r)
        grid.setCellText(r, 0, QString::number(r));

    grid.setCurrentCell(2, 0);
    grid.removeRows(2, 2); // the row above the removed ones becomes current
    QCOMPARE(grid.currentRow(), 1);
    QCOMPARE(grid.cellText(grid.currentRow(), 0), QStringLiteral("1"));

    grid.setCurrentCell(0, 0);
    grid.removeRows(0, 1); // nothing above: the row below takes its place
    QCOMPARE(grid.currentRow(), 0);
    QCOMPARE(grid.cellText(grid.currentRow(), 0), QStringLiteral("1"));

    grid.removeRows(0, grid.rowCount());
    QCOMPARE(grid.currentRow(), Grid::NoCurrentRow);
}

void GridTest::removingAllRowsThenInsertingOneLeavesOneEmptyRow() {
    Grid& grid = *m_grid;
    grid.setColCount(3);
    grid.insertRows(0, 3);
    for (int r = 0; r < 3; ++r) {
        grid.setCellText(r, 0, QStringLiteral("CITY"));
        grid.setCellText(r, -1, QStringLiteral("AND"));
    }
    grid.setRowSelected(1, true);

    grid.removeRows(0, grid.rowCount());
    grid.insertRows(0, 1);

    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(grid.cellText(0, -1), QString());
    for (int c = 0; c < 3; ++c)
        QCOMPARE(grid.cellText(0, c), QString());
    QCOMPARE(grid.selectedCount(), 0);

    // Asking for more rows than there are removes up to the end.
    grid.insertRows(1, 3);
    grid.removeRows(2, 100);
    QCOMPARE(grid.rowCount(), 2);
}

void GridTest::selectedMarksAreIndependentOfTheCurrentRow() {
    Grid& grid = *m_grid;
    grid.setColCount(2);
    grid.insertRows(0, 5);
    grid.setCurrentCell(3, 0);
    grid.setRowSelected(0, true);
    grid.setRowSelected(4, true);
    QCOMPARE(grid.currentRow(), 3);
    QCOMPARE(grid.isRowSelected(3), false);

    grid.setCurrentCell(4, 1);
    grid.setRowSelected(4, false);
    QCOMPARE(grid.currentRow(), 4);
    QCOMPARE(selectedRows(grid), QList<int>{0});

    grid.setRowSelected(2, true);
    grid.setRowSelected(1, true);
    QCOMPARE(grid.selectedCount(), 3);
    QCOMPARE(selectedRows(grid), (QList<int>{0, 1, 2}));
}

void GridTest::clickMakesTheRowCurrentAndReportsTheColumn() {
    Grid& grid = *m_grid;
    grid.setColCount(3);
    grid.insertRows(0, 4);
    show();
    QSignalSpy spy(&grid, &Grid::clicked);
    QList<int> rowsSeen;
    connect(&grid, &Grid::clicked, &grid, [&] { rowsSeen << grid.currentRow(); });

    clickCell(2, 1);
    clickCell(0, 2);
    clickCell(3, 0);

    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);
    QCOMPARE(spy.at(2).at(0).toInt(), 0);
    QCOMPARE(rowsSeen, (QList<int>{2, 0, 3}));
    QCOMPARE(grid.currentRow(), 3);

    // Below the last row there is no cell: no click, no change.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(5, grid.viewport()->height() - 2));
    QCOMPARE(spy.count(), 3);
    QCOMPARE(grid.currentRow(), 3);
}

void GridTest::plainCtrlAndShiftClicksMarkRowsInExtendedSelection() {
    Grid& grid = *m_grid;
    QCOMPARE(grid.rowSelection(), Grid::RowSelection::Extended);
    grid.setColCount(2);
    grid.insertRows(0, 8);
    show();

    clickCell(2, 0);
    QCOMPARE(selectedRows(grid), QList<int>{2});
    clickCell(5, 1);
    QCOMPARE(selectedRows(grid), QList<int>{5});

    clickCell(1, 0, Qt::ControlModifier);
    clickCell(6, 0, Qt::ControlModifier);
    QCOMPARE(selectedRows(grid), (QList<int>{1, 5, 6}));
    clickCell(5, 0, Qt::ControlModifier);
    QCOMPARE(selectedRows(grid), (QList<int>{1, 6}));

    // Shift extends from the last plain or Ctrl click (row 5) and replaces the marks ...
    clickCell(3, 0, Qt::ShiftModifier);
    QCOMPARE(selectedRows(grid), (QList<int>{3, 4, 5}));
    clickCell(7, 0, Qt::ShiftModifier);
    QCOMPARE(selectedRows(grid), (QList<int>{5, 6, 7}));
    // ... or, with Ctrl as well, adds to them.
    clickCell(0, 0);
    clickCell(2, 0, Qt::ControlModifier | Qt::ShiftModifier);
    clickCell(6, 0, Qt::ControlModifier);
    clickCell(7, 0, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(selectedRows(grid), (QList<int>{0, 1, 2, 6, 7}));
    QCOMPARE(grid.currentRow(), 7);
}

void GridTest::manualSelectionLeavesMarksToTheClickHandler() {
    Grid& grid = *m_grid;
    grid.setRowSelection(Grid::RowSelection::Manual);
    grid.setColCount(2);
    grid.insertRows(0, 3);
    grid.setCheckColumn(1);
    for (int r = 0; r < 3; ++r)
        grid.setCellText(r, 1, QStringLiteral("False"));
    show();
    // The update-columns handler: a click outside the flag column inverts the row's mark.
    connect(&grid, &Grid::clicked, &grid, [&](int column) {
        if (column != 1)
            grid.setRowSelected(grid.currentRow(), !grid.isRowSelected(grid.currentRow()));
    });

    clickCell(0, 0);
    clickCell(2, 0);
    QCOMPARE(selectedRows(grid), (QList<int>{0, 2}));
    clickCell(0, 0);
    QCOMPARE(selectedRows(grid), QList<int>{2});
    clickCell(2, 1); // the flag: toggled, the marks stay
    QCOMPARE(selectedRows(grid), QList<int>{2});
    QCOMPARE(columnTexts(grid, 1), (QStringList{"False", "False", "True"}));
}

void GridTest::clickOnACheckCellTogglesBeforeTheClickIsReported() {
    Grid& grid = *m_grid;
    grid.setColCount(2);
    grid.insertRows(0, 3);
    grid.setCellText(0, 1, QStringLiteral("False"));
    grid.setCellText(1, 1, QStringLiteral("false"));
    grid.setCellText(2, 1, QStringLiteral("True"));
    grid.setCheckColumn(1);
    show();
    QStringList seenByHandler;
    connect(&grid, &Grid::clicked, &grid,
            [&](int column) { seenByHandler << grid.cellText(grid.currentRow(), column); });

    clickCell(0, 1);
    clickCell(1, 1);
    clickCell(2, 1);
    QCOMPARE(columnTexts(grid, 1), (QStringList{"True", "True", "False"}));
    QCOMPARE(seenByHandler, (QStringList{"True", "True", "False"}));
    clickCell(0, 1);
    QCOMPARE(grid.cellText(0, 1), QStringLiteral("False"));
    // A check cell click is aimed at the box: the marks stay as they were.
    QCOMPARE(grid.selectedCount(), 0);

    // Other columns are plain text.
    grid.setCellText(0, 0, QStringLiteral("False"));
    clickCell(0, 0);
    QCOMPARE(grid.cellText(0, 0), QStringLiteral("False"));
}

void GridTest::doubleClickOnACheckCellTogglesTwice() {
    Grid& grid = *m_grid;
    grid.setColCount(1);
    grid.insertRows(0, 1);
    grid.setCellText(0, 0, QStringLiteral("False"));
    grid.setCheckColumn(0);
    show();
    QSignalSpy spy(&grid, &Grid::clicked);
    QStringList seen;
    connect(&grid, &Grid::clicked, &grid, [&] { seen << grid.cellText(0, 0); });
    // What a window system delivers for a double-click: a click, then press, double-click
    // and release.
    const QPoint at = grid.visualRect(grid.gridModel()->index(0, 0)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(seen, (QStringList{"True", "False"}));
}

void GridTest::spaceTogglesTheCurrentCheckCell() {
    Grid& grid = *m_grid;
    grid.setColCount(2);
    grid.insertRows(0, 1);
    grid.setCellText(0, 1, QStringLiteral("False"));
    grid.setCheckColumn(1);
    show();
    grid.setCurrentCell(0, 1);
    QTest::keyClick(&grid, Qt::Key_Space);
    QCOMPARE(grid.cellText(0, 1), QStringLiteral("True"));
    grid.setCurrentCell(0, 0);
    QTest::keyClick(&grid, Qt::Key_Space);
    QCOMPARE(grid.cellText(0, 0), QString());
}

void GridTest::rowHeaderClickReportsColumnMinusOne() {
    Grid& grid = *m_grid;
    grid.setColCount(2);
    grid.insertRows(0, 3);
    grid.setCellText(1, -1, QStringLiteral("OR"));
    show();
    QSignalSpy spy(&grid, &Grid::clicked);
    QHeaderView* header = grid.verticalHeader();
    const QPoint at(header->width() / 2,
                    header->sectionViewportPosition(1) + header->sectionSize(1) / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), -1);
    QCOMPARE(grid.currentRow(), 1);
    QCOMPARE(selectedRows(grid), QList<int>{1});
}

void GridTest::columnWidthsArePixelsAndMinusOneIsTheRowHeader() {
    Grid& grid = *m_grid;
    grid.setColCount(2);
    grid.insertRows(0, 2);
    grid.setColWidth(0, 160);
    grid.setColWidth(1, 10);
    grid.setColWidth(-1, 17);
    show();
    QCOMPARE(grid.columnWidth(0), 160);
    QCOMPARE(grid.columnWidth(1), 10);
    QCOMPARE(grid.verticalHeader()->width(), 17);
    // The first column starts right after the row-header column.
    QCOMPARE(grid.viewport()->geometry().left() - grid.frameWidth(), 17);
}

void GridTest::loadRecordsetShowsFieldNamesAndNullsAsEmptyText() {
    Grid& grid = *m_grid;
    Recordset rs = recordsetOf(
        {"AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"},
        {{QStringLiteral("Orders"), std::nullopt, QStringLiteral("Y")},
         {QStringLiteral("Stock"), QStringLiteral("stock moves"), QStringLiteral("N")}});
    grid.loadRecordset(rs);
    rs.close();

    QCOMPARE(grid.colCount(), 3);
    QCOMPARE(grid.rowCount(), 2);
    QCOMPARE(grid.cellText(-1, 0), QStringLiteral("AUDIT_NAME"));
    QCOMPARE(grid.cellText(-1, 2), QStringLiteral("ENABLED"));
    QCOMPARE(columnTexts(grid, 0), (QStringList{"Orders", "Stock"}));
    QCOMPARE(columnTexts(grid, 1), (QStringList{"", "stock moves"}));
    QCOMPARE(grid.currentRow(), Grid::NoCurrentRow);

    // The installed-audits listing: a count column in front, the first row current.
    grid.insertCols(0, 1);
    grid.setCurrentCell(0, 0);
    grid.setCellText(grid.currentRow(), 0, QStringLiteral("NO RECORDS"));
    QCOMPARE(grid.cellText(0, 1), QStringLiteral("Orders"));
    QCOMPARE(grid.cellText(0, 0), QStringLiteral("NO RECORDS"));
}

void GridTest::loadRecordsetOfAnEmptyResultLeavesOnlyTheHeader() {
    Grid& grid = *m_grid;
    grid.setColCount(5);
    grid.insertRows(0, 3);
    grid.setCurrentCell(1, 1);
    Recordset rs = recordsetOf({"ORDNO", "CITY"}, {});
    grid.loadRecordset(rs);
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.colCount(), 2);
    QCOMPARE(grid.cellText(-1, 0), QStringLiteral("ORDNO"));
    QCOMPARE(grid.cellText(-1, 1), QStringLiteral("CITY"));
    QCOMPARE(grid.currentRow(), Grid::NoCurrentRow);
}

void GridTest::clearEmptiesTheGridForReuse() {
    Grid& grid = *m_grid;
    grid.setColCount(2);
    grid.insertRows(0, 2);
    grid.setCellText(-1, 0, QStringLiteral("Columns"));
    grid.setCellText(0, 1, QStringLiteral("True"));
    grid.setCheckColumn(1);
    grid.setRowSelected(1, true);
    grid.setCurrentCell(1, 0);

    grid.clear();
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.colCount(), 0);
    QCOMPARE(grid.currentRow(), Grid::NoCurrentRow);
    QCOMPARE(grid.selectedCount(), 0);

    grid.setColCount(2);
    grid.insertRows(0, 1);
    QCOMPARE(grid.cellText(-1, 0), QString());
    QCOMPARE(grid.cellText(0, 1), QString());
    QCOMPARE(grid.gridModel()->isCheckColumn(1), false);
}

void GridTest::defaultLookIsMonospaceOnLightGrey() {
    Grid& grid = *m_grid;
    const QFontMetrics metrics(grid.font());
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiiiiiii")),
             metrics.horizontalAdvance(QStringLiteral("MMMMMMMM")));
    QCOMPARE(grid.palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

} // namespace quorvex

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Both suites run even when the first fails; the exit code counts every failure.
    int failures = quorvex::runGridModelTest(argc, argv);
    quorvex::GridTest gridTest;
    failures += QTest::qExec(&gridTest, argc, argv);
    return failures;
}

#include "GridTest.moc"
