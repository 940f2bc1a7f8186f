// The grid's compact model and the widget over it (current row, clicks, row marks), headless.
// A QAbstractItemModelTester watches every model, so every change must also be told correctly.
#include "components/Grid.h"
#include "components/DbException.h"

#include "ComponentsTestSupport.h"
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QTest>

namespace quorvex {

namespace {

using Table = QList<QStringList>;

// A driver that fails after handing out some rows.
class FailingRowSource : public IRowSource {
public:
    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override {
        if (m_left == 0)
            throw DbException::single(QStringLiteral("Communication link failure"), "08S01");
        row.assign(2, QStringLiteral("r%1").arg(--m_left));
        return true;
    }

private:
    std::vector<FieldInfo> m_fields{FieldInfo{"A"}, FieldInfo{"B"}};
    int m_left = 1500;
};

// Every cell of a model as text, header row first, each row starting with its row header.
Table contentsOf(const GridModel& model) {
    Table rows;
    for (int r = -1; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = -1; c < model.columnCount(); ++c)
            cells << model.cellText(r, c);
        rows << cells;
    }
    return rows;
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

    std::unique_ptr<Grid> m_grid;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    // The grid with the given shape, shown when clicks are to come.
    Grid& grid(int columns, int rows, bool shown = false) {
        m_grid->setColCount(columns);
        m_grid->insertRows(0, rows);
        if (shown) {
            m_grid->show();
            [&] { QVERIFY(QTest::qWaitForWindowExposed(m_grid.get())); }();
        }
        return *m_grid;
    }
    GridModel& model(int columns = 0, int rows = 0) { return *grid(columns, rows).gridModel(); }
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect cell = m_grid->visualRect(m_grid->gridModel()->index(row, column));
        QVERIFY(cell.isValid());
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, modifiers, cell.center());
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
        GridModel& m = model(1, 6);
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

    void loadRecordsetReplacesEverythingWithFieldNamesAndRows() {
        GridModel& m = model(4, 3);
        m.setCheckColumn(0);
        m.setRowSelected(2, true);
        m.setCellText(-1, -1, "corner");
        m.setCellText(1, -1, "AND");
        Recordset rs =
            recordset({{"ORDNO"}, {"CITY"}, {"AUDIT_USER"}}, {{"1", "Paris", std::nullopt},
                                                              {std::nullopt, "", "sa"},
                                                              {"3", std::nullopt, std::nullopt}});
        m.loadRecordset(rs);
        QVERIFY(rs.eof());
        QCOMPARE(contentsOf(m), (Table{{"", "ORDNO", "CITY", "AUDIT_USER"},
                                       {"", "1", "Paris", ""},
                                       {"", "", "", "sa"},
                                       {"", "3", "", ""}}));
        QCOMPARE(m.isCheckColumn(0), false);
        QCOMPARE(m.selectedCount(), 0);
    }

    void loadRecordsetKeepsRowsReadBeforeADriverFailure() {
        Recordset rs(std::make_unique<FailingRowSource>());
        QVERIFY_THROWS_EXCEPTION(DbException, model().loadRecordset(rs));
        QCOMPARE(m_grid->rowCount(), 1500);
        QCOMPARE(m_grid->cellText(-1, 1), QStringLiteral("B"));
        QCOMPARE(m_grid->cellText(1499, 0), QStringLiteral("r0"));
    }

    void currentRowFollowsCellsAndRowChanges() {
        Grid& g = grid(3, 5);
        for (int r = 0; r < 5; ++r)
            g.setCellText(r, 0, QString::number(r));
        // The row-header column cannot hold the current cell; its row becomes current at column 0.
        g.setCurrentCell(1, -1);
        QCOMPARE(g.currentIndex(), g.model()->index(1, 0));
        g.setRowSelected(4, true); // marks are independent of the current row
        QCOMPARE(g.isRowSelected(1), false);
        g.insertRows(0, 2); // the current row moves with its row
        QCOMPARE(g.currentRow(), 3);
        QCOMPARE(selectedRows(g), QList<int>{6});
        g.removeRows(3, 2); // the row above the removed ones becomes current
        QCOMPARE(g.cellText(g.currentRow(), 0), QStringLiteral("0"));
        g.setCurrentCell(0, 0);
        g.removeRows(0, 1); // nothing above: the row below takes its place
        QCOMPARE(g.currentRow(), 0);
        g.removeRows(0, 100); // more rows than there are: up to the end
        QCOMPARE(g.currentRow(), Grid::NoCurrentRow);
        QCOMPARE(g.selectedCount(), 0);
        g.insertRows(0, 2);
        g.setCurrentCell(1, 0); // a new result keeps no current row
        Recordset rs = recordset({{"AUDIT_NAME"}}, {{"Orders"}});
        g.loadRecordset(rs);
        QCOMPARE(g.currentRow(), Grid::NoCurrentRow);
    }

    void clickOnACheckCellTogglesBeforeTheClickIsReported() {
        Grid& g = grid(2, 5, true);
        const QStringList start{"False", "false", "True", "", "TRUE"}; // only "True" is checked
        for (int r = 0; r < 5; ++r)
            g.setCellText(r, 0, "False"), g.setCellText(r, 1, start[r]);
        g.setCheckColumn(1);
        QStringList seenByHandler;
        connect(&g, &Grid::clicked, &g,
                [&](int column) { seenByHandler << g.cellText(g.currentRow(), column); });
        for (int r = 0; r < 5; ++r)
            clickCell(r, 1);
        const QStringList toggled{"True", "True", "False", "True", "True"};
        QCOMPARE(columnTexts(g, 1), toggled);
        QCOMPARE(seenByHandler, toggled);
        QCOMPARE(columnTexts(g, 0), QStringList(5, "False")); // other columns are plain text
        QCOMPARE(g.selectedCount(), 0); // a click aimed at the box leaves the marks alone
    }
};

} // namespace quorvex

QTEST_MAIN(quorvex::GridTest)
#include "GridTest.moc"
