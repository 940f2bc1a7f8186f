// The grid's current row and row marks, with a QAbstractItemModelTester checking that every
// change is told correctly. (Clicks on its cells are made in the windows' tests.)
#include "components/Grid.h"

#include "ComponentsTestSupport.h"
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QTest>

namespace quorvex {

namespace {

QList<int> selectedRows(const Grid& grid) {
    QList<int> rows;
    for (int i = 1; i <= grid.selectedCount(); ++i)
        rows << grid.selectedRow(i);
    return rows;
}

} // namespace

class GridTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Grid> m_grid;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    Grid& grid(int columns, int rows) {
        m_grid->setColCount(columns);
        m_grid->insertRows(0, rows);
        return *m_grid;
    }

private Q_SLOTS:
    void init() {
        m_grid = std::make_unique<Grid>();
        m_grid->resize(600, 400);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_grid->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup() {
        m_tester.reset();
        m_grid.reset();
    }

    void selectedMarksAreListedInRowOrderAndFollowTheirRows() {
        GridModel& m = *grid(1, 6).gridModel();
        m.setRowSelected(4, true);
        m.setRowSelected(1, true);
        m.setRowSelected(2, true);
        m.setRowSelected(1, false);
        QCOMPARE(selectedRows(*m_grid), (QList<int>{2, 4}));
        QCOMPARE(m.selectedRow(0), GridModel::NoRow);
        QCOMPARE(m.selectedRow(3), GridModel::NoRow);
        m.setCellText(4, 0, "four");
        m.insertRows(0, 2);
        QCOMPARE(selectedRows(*m_grid), (QList<int>{4, 6}));
        QCOMPARE(m.cellText(6, 0), QStringLiteral("four"));
        m.removeRows(3, 2); // takes the first marked row with it
        QCOMPARE(selectedRows(*m_grid), QList<int>{4});
    }

    // A new result has no current row and no marks, so no action hits a row that moved.
    void currentRowFollowsRowChangesAndANewResultHasNone() {
        Grid& g = grid(1, 5);
        for (int r = 0; r < 5; ++r)
            g.setCellText(r, 0, QString::number(r));
        g.setCurrentCell(1, -1); // the row header cannot hold the current cell: column 0 does
        QCOMPARE(g.currentIndex(), g.model()->index(1, 0));
        g.insertRows(0, 2); // the current row moves with its row
        QCOMPARE(g.currentRow(), 3);
        g.removeRows(3, 2); // the row above the removed ones becomes current
        QCOMPARE(g.cellText(g.currentRow(), 0), QStringLiteral("0"));
        g.removeRows(0, 100); // more rows than there are: up to the end
        QCOMPARE(g.currentRow(), Grid::NoCurrentRow);
        g.insertRows(0, 2);
        g.setCurrentCell(1, 0);
        g.setRowSelected(0, true);
        Recordset rs = recordset({{"AUDIT_NAME"}}, {{"Orders"}});
        g.loadRecordset(rs);
        QCOMPARE(g.currentRow(), Grid::NoCurrentRow);
        QCOMPARE(g.selectedCount(), 0);
    }
};

} // namespace quorvex

QTEST_MAIN(quorvex::GridTest)
#include "GridTest.moc"
