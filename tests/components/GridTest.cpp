// The grid's compact model (cells, headers, check columns, marks, loading result sets) and the
// grid widget over it (current row, clicks and row marks), driven headless. Every test's model
// is watched by a QAbstractItemModelTester, so every change must also be told correctly.
#include "components/Grid.h"
#include "components/DbException.h"
#include "components/MemoryRowSource.h"
#include "components/Recordset.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

namespace quorvex {

namespace {

using Table = QList<QStringList>;
using Pairs = QList<QPair<int, int>>;

Recordset recordsetOf(const QStringList& names, std::vector<Row> rows) {
    std::vector<FieldInfo> fields;
    for (const QString& name : names)
        fields.push_back(FieldInfo{name});
    return Recordset(std::make_unique<MemoryRowSource>(std::move(fields), std::move(rows)));
}

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

// Writes texts into consecutive cells of a row from the given column on.
void put(GridModel& model, int row, int column, const QStringList& texts) {
    for (const QString& text : texts)
        model.setCellText(row, column++, text);
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

    // --- the model ---

    void cellTextRoundTripsAnyText() {
        GridModel& m = model(6, 1);
        const QStringList texts = {
            QString(),
            QStringLiteral("Müller & Söhne"),
            QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80"), // CJK and an emoji
            QString(200, 'x'),                                              // two-byte length
            QString(70000, 'y'),                                            // three-byte length
            QStringLiteral(" leading and trailing "),
        };
        put(m, 0, 0, texts);
        QCOMPARE(contentsOf(m).at(1), QStringList{QString()} + texts);
        QCOMPARE(m.data(m.index(0, 1)).toString(), texts[1]);
        QCOMPARE(m.data(m.index(0, 1), Qt::EditRole).toString(), texts[1]);
        m.setCellText(0, 4, QString()); // emptying a cell leaves its neighbours
        QCOMPARE(contentsOf(m).at(1).mid(4), (QStringList{texts[3], QString(), texts[5]}));
    }

    void headerRowRowHeadersAndCornerAreSeparateCells() {
        GridModel& m = model(2, 2);
        QSignalSpy headerSpy(&m, &QAbstractItemModel::headerDataChanged);
        QSignalSpy dataSpy(&m, &QAbstractItemModel::dataChanged);
        put(m, -1, -1, {"corner", "Column", "Op"});
        m.setCellText(0, -1, "AND");
        m.setCellText(1, -1, "OR");
        m.setCellText(1, 1, "=");
        QCOMPARE(contentsOf(m),
                 (Table{{"corner", "Column", "Op"}, {"AND", "", ""}, {"OR", "", "="}}));
        QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Op"));
        QCOMPARE(m.headerData(0, Qt::Vertical).toString(), QStringLiteral("AND"));
        QCOMPARE(m.headerData(2, Qt::Vertical), QVariant());
        QCOMPARE(m.headerData(2, Qt::Horizontal), QVariant());
        // Header writes tell the headers, data writes tell the cells; the corner tells nobody.
        Pairs headers;
        for (const QList<QVariant>& signal : headerSpy)
            headers << qMakePair(int(signal.at(0).value<Qt::Orientation>()), signal.at(1).toInt());
        QCOMPARE(
            headers,
            (Pairs{
                {Qt::Horizontal, 0}, {Qt::Horizontal, 1}, {Qt::Vertical, 0}, {Qt::Vertical, 1}}));
        QCOMPARE(dataSpy.count(), 1);
        QCOMPARE(dataSpy.at(0).at(0).toModelIndex(), m.index(1, 1));
    }

    void addressesOutsideTheGridReadEmptyAndIgnoreWrites() {
        GridModel& m = model(2, 2);
        m.setCellText(1, 1, "kept");
        const Table before = contentsOf(m);
        for (const auto& [row, column] : {std::pair{2, 0},
                                          {0, 2},
                                          {-2, 0},
                                          {0, -2},
                                          {-32767, 0},
                                          {-1, 2},
                                          {2, -1},
                                          {INT_MAX, INT_MAX}}) {
            QCOMPARE(m.cellText(row, column), QString());
            QVERIFY(!m.setCellText(row, column, "lost"));
        }
        const QList<bool> refused{m.insertRows(3, 1),    m.insertRows(-1, 1),
                                  m.insertRows(0, 0),    m.removeRows(1, 2),
                                  m.removeRows(-1, 1),   m.removeRows(1, INT_MAX),
                                  m.insertColumns(3, 1), m.removeColumns(0, 3),
                                  m.toggleCheck(0, 0)}; // not a check column
        QCOMPARE(refused, QList<bool>(9, false));
        m.setCheckColumn(5);
        m.setColumnCount(-1);
        m.setRowSelected(2, true);
        m.setRowSelected(-1, true);
        QCOMPARE(m.selectedCount(), 0);
        QCOMPARE(m.isRowSelected(-1), false);
        m_grid->insertRows(5, 1);
        m_grid->insertCols(-1, 1);
        m_grid->removeRows(4, 1);
        QCOMPARE(contentsOf(m), before);
        // The widget keeps its current cell.
        m_grid->setCurrentCell(0, 1);
        m_grid->setCurrentCell(7, 0);
        m_grid->setCurrentCell(0, 9);
        m_grid->setColWidth(9, 50);
        QCOMPARE(m_grid->currentIndex(), m.index(0, 1));
    }

    void insertedAndRemovedColumnsShiftTheirNeighbours() {
        GridModel& m = model(2, 2);
        put(m, -1, 0, {"AUDIT_NAME", "ENABLED"});
        put(m, 0, 0, {"Orders", "Y"});
        m.setCellText(1, -1, "OR");
        m.setCheckColumn(1);
        // A record-count column in front, as the installed-audits listing adds it.
        QVERIFY(m.insertColumns(0, 1));
        m.setCellText(0, 0, "3 RECORDS");
        QCOMPARE(contentsOf(m), (Table{{"", "", "AUDIT_NAME", "ENABLED"},
                                       {"", "3 RECORDS", "Orders", "Y"},
                                       {"OR", "", "", ""}}));
        QCOMPARE(m.isCheckColumn(0), false);
        QCOMPARE(m.isCheckColumn(2), true);
        QVERIFY(m.removeColumns(0, 2));
        QCOMPARE(contentsOf(m), (Table{{"", "ENABLED"}, {"", "Y"}, {"OR", ""}}));
        QCOMPARE(m.isCheckColumn(0), true);
        // Columns dropped and added again come back empty and plain.
        m.setColumnCount(0);
        QCOMPARE(m.cellText(1, -1), QStringLiteral("OR"));
        m.setColumnCount(2);
        QCOMPARE(contentsOf(m), (Table{{"", "", ""}, {"", "", ""}, {"OR", "", ""}}));
        QCOMPARE(m.isCheckColumn(0), false);
    }

    void manyEditsAndColumnChangesKeepEveryCell() {
        GridModel& m = model(3, 300);
        const auto textFor = [](int round, int row, int column) {
            return QStringLiteral("round %1 row %2 column %3 ").arg(round).arg(row).arg(column) +
                   QString(40, '.');
        };
        // Every round rewrites every cell, so most of the arena becomes garbage and is compacted.
        for (int round = 0; round < 8; ++round)
            for (int r = 0; r < 300; ++r)
                for (int c = 0; c < 3; ++c)
                    m.setCellText(r, c, textFor(round, r, c));
        m.setRowSelected(7, true);
        m.setRowSelected(299, true);
        for (int i = 0; i < 20; ++i) { // enough for removed columns' cells to be rewritten away
            m.insertColumns(1, 1);
            m.setCellText(5, 1, "temporary");
            m.removeColumns(1, 1);
        }
        m.insertColumns(0, 1);
        m.setCellText(4, 0, "front");
        for (int r = 0; r < 300; ++r) {
            QCOMPARE(m.cellText(r, 0), r == 4 ? QStringLiteral("front") : QString());
            for (int c = 0; c < 3; ++c)
                QCOMPARE(m.cellText(r, c + 1), textFor(7, r, c));
        }
        QCOMPARE(m.selectedCount(), 2);
        QCOMPARE(m.selectedRow(2), 299);
        // What is held is close to what is live (~70 bytes per cell), not eight rounds of it.
        QVERIFY2(m.storageBytes() < 300 * 3 * 70 * 3,
                 qPrintable(QString::number(m.storageBytes())));
    }

    void checkColumnsToggleBetweenTrueAndFalse() {
        GridModel& m = model(2, 5);
        const QStringList start = {"True", "False", "false", "", "TRUE"};
        for (int r = 0; r < start.size(); ++r)
            put(m, r, 0, {start[r], start[r]});
        QSignalSpy spy(&m, &QAbstractItemModel::dataChanged);
        m.setCheckColumn(1);
        QCOMPARE(spy.count(), 1); // the column's boxes appear
        QCOMPARE(m.flags(m.index(0, 1)).testFlag(Qt::ItemIsUserCheckable), true);
        QCOMPARE(m.flags(m.index(0, 0)).testFlag(Qt::ItemIsUserCheckable), false);
        QCOMPARE(m.data(m.index(0, 0), Qt::CheckStateRole), QVariant());
        QCOMPARE(m.data(m.index(0, 1), Qt::DisplayRole), QVariant());
        QCOMPARE(m.data(m.index(0, 1), Qt::EditRole).toString(), QStringLiteral("True"));
        QList<int> states;
        QStringList toggled;
        for (int r = 0; r < start.size(); ++r) {
            states << m.data(m.index(r, 1), Qt::CheckStateRole).toInt();
            QVERIFY(m.toggleCheck(r, 1));
            toggled << m.cellText(r, 1);
        }
        QCOMPARE(states, (QList<int>{Qt::Checked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked,
                                     Qt::Unchecked}));
        QCOMPARE(toggled, (QStringList{"False", "True", "True", "True", "True"}));
        QVERIFY(!m.toggleCheck(0, 0));
        QCOMPARE(m.cellText(0, 0), QStringLiteral("True"));
        QVERIFY(m.setData(m.index(0, 1), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(m.cellText(0, 1), QStringLiteral("True"));
        QVERIFY(m.setData(m.index(0, 1), Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(m.cellText(0, 1), QStringLiteral("False"));
        QVERIFY(!m.setData(m.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    }

    void selectedMarksAreListedInRowOrderAndFollowTheirRows() {
        GridModel& m = model(1, 6);
        QSignalSpy spy(&m, &QAbstractItemModel::dataChanged);
        m.setRowSelected(4, true);
        m.setRowSelected(1, true);
        m.setRowSelected(2, true);
        m.setRowSelected(2, true); // no change, no signal
        m.setRowSelected(1, false);
        QCOMPARE(spy.count(), 4);
        QCOMPARE(spy.at(0).at(2).value<QList<int>>(), QList<int>{GridModel::SelectedMarkRole});
        QCOMPARE(m.data(m.index(4, 0), GridModel::SelectedMarkRole).toBool(), true);
        QCOMPARE(selectedRows(*m_grid), (QList<int>{2, 4}));
        QCOMPARE(m.selectedRow(0), GridModel::NoRow);
        QCOMPARE(m.selectedRow(3), GridModel::NoRow);
        m.setCellText(4, 0, "four");
        m.insertRows(0, 2);
        QCOMPARE(selectedRows(*m_grid), (QList<int>{4, 6}));
        QCOMPARE(m.cellText(6, 0), QStringLiteral("four"));
        m.removeRows(3, 2); // takes the first marked row with it
        QCOMPARE(selectedRows(*m_grid), QList<int>{4});
        m.setCellText(4, 0, "rewritten"); // rewriting a marked row's cells keeps its mark
        QCOMPARE(m.isRowSelected(4), true);
        m.clearRowSelection();
        QCOMPARE(m.selectedCount(), 0);
        QCOMPARE(m.isRowSelected(4), false);
        QCOMPARE(m.selectedRow(1), GridModel::NoRow);
    }

    void loadRecordsetReplacesEverythingWithFieldNamesAndRows() {
        GridModel& m = model(4, 3);
        m.setCheckColumn(0);
        m.setRowSelected(2, true);
        m.setCellText(-1, -1, "corner");
        m.setCellText(1, -1, "AND");
        Recordset rs =
            recordsetOf({"ORDNO", "CITY", "AUDIT_USER"}, {{"1", "Paris", std::nullopt},
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
        // An empty result keeps only the header; a closed recordset has no fields at all.
        Recordset empty = recordsetOf({"AUDIT_NAME", "ENABLED"}, {});
        m.loadRecordset(empty);
        QCOMPARE(contentsOf(m), (Table{{"", "AUDIT_NAME", "ENABLED"}}));
        Recordset closed;
        m.loadRecordset(closed);
        QCOMPARE(contentsOf(m), (Table{{""}}));
    }

    void loadRecordsetInsertsRowsInFewBatches() {
        std::vector<Row> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back({QString::number(i)});
        Recordset rs = recordsetOf({"N"}, std::move(rows));
        GridModel& m = model();
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        m.loadRecordset(rs);
        QCOMPARE(m.cellText(12345, 0), QStringLiteral("12345"));
        Pairs batches; // doubling from 1024 rows
        for (const QList<QVariant>& batch : inserted)
            batches << qMakePair(batch.at(1).toInt(), batch.at(2).toInt());
        QCOMPARE(batches, (Pairs{{0, 1023},
                                 {1024, 2047},
                                 {2048, 4095},
                                 {4096, 8191},
                                 {8192, 16383},
                                 {16384, 19999}}));
    }

    void loadRecordsetKeepsRowsReadBeforeADriverFailure() {
        Recordset rs(std::make_unique<FailingRowSource>());
        QVERIFY_THROWS_EXCEPTION(DbException, model().loadRecordset(rs));
        QCOMPARE(m_grid->rowCount(), 1500);
        QCOMPARE(m_grid->cellText(-1, 1), QStringLiteral("B"));
        QCOMPARE(m_grid->cellText(1499, 0), QStringLiteral("r0"));
    }

    void appendRowPlacesValuesUnderTheirColumns() {
        GridModel& m = model(2);
        m.appendRow({"a", "b", "dropped"});
        m.appendRow({"only"});
        m.appendRow({std::nullopt, "second"});
        m.insertColumns(0, 1); // values still land under their own columns
        m.appendRow({"x", std::nullopt, "z"});
        QCOMPARE(contentsOf(m), (Table{{"", "", "", ""},
                                       {"", "", "a", "b"},
                                       {"", "", "only", ""},
                                       {"", "", "", "second"},
                                       {"", "x", "", "z"}}));
    }

    void storeTakesAFewBytesPerShortCell() {
        const int count = 100000;
        std::vector<Row> rows(count);
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < 6; ++c)
                rows[i].emplace_back(QStringLiteral("v%1-%2").arg(i, 7, 10, QChar('0')).arg(c));
        Recordset rs = recordsetOf({"A", "B", "C", "D", "E", "F"}, std::move(rows));
        GridModel& m = model();
        m.loadRecordset(rs);
        QCOMPARE(m.cellText(count - 1, 5), QStringLiteral("v0099999-5"));
        // 6 cells of 10 bytes plus 8 length bytes and an 8-byte row reference make 76 bytes a
        // row; a QString per cell alone would cost over 300.
        const qint64 perRow = m.storageBytes() / count;
        QVERIFY2(perRow <= 100, qPrintable(QString::number(perRow)));
    }

    // --- the widget ---

    void currentRowFollowsCellsAndRowChanges() {
        QCOMPARE(m_grid->currentRow(), -32767);
        grid(3, 0).setCurrentCell(0, 0); // columns but no rows: still no current row
        QCOMPARE(m_grid->currentRow(), Grid::NoCurrentRow);
        Grid& g = grid(3, 5);
        for (int r = 0; r < 5; ++r)
            g.setCellText(r, 0, QString::number(r));
        g.setCurrentCell(2, 2);
        QCOMPARE(g.currentIndex(), g.model()->index(2, 2));
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
        g.setCellText(0, -1, "AND");
        g.removeRows(0, 100); // more rows than there are: up to the end
        QCOMPARE(g.currentRow(), Grid::NoCurrentRow);
        QCOMPARE(g.selectedCount(), 0);
        g.insertRows(0, 1); // a fresh row, nothing left of the old ones
        QCOMPARE(contentsOf(*g.gridModel()), (Table{{"", "", "", ""}, {"", "", "", ""}}));
    }

    void clickMakesTheRowCurrentAndReportsTheColumn() {
        Grid& g = grid(3, 4, true);
        Pairs seen; // current row and reported column at each click
        connect(&g, &Grid::clicked, &g,
                [&](int column) { seen << qMakePair(g.currentRow(), column); });
        clickCell(2, 1);
        clickCell(0, 2);
        clickCell(3, 0);
        // Below the last row there is no cell: no click, no change.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(5, g.viewport()->height() - 2));
        QCOMPARE(seen, (Pairs{{2, 1}, {0, 2}, {3, 0}}));
        QCOMPARE(g.currentRow(), 3);
    }

    void plainCtrlAndShiftClicksMarkRowsInExtendedSelection() {
        QCOMPARE(m_grid->rowSelection(), Grid::RowSelection::Extended);
        Grid& g = grid(2, 8, true);
        clickCell(2, 0);
        QCOMPARE(selectedRows(g), QList<int>{2});
        clickCell(5, 1);
        QCOMPARE(selectedRows(g), QList<int>{5});
        clickCell(1, 0, Qt::ControlModifier);
        clickCell(6, 0, Qt::ControlModifier);
        QCOMPARE(selectedRows(g), (QList<int>{1, 5, 6}));
        clickCell(5, 0, Qt::ControlModifier);
        QCOMPARE(selectedRows(g), (QList<int>{1, 6}));
        // Shift extends from the last plain or Ctrl click (row 5) and replaces the marks ...
        clickCell(3, 0, Qt::ShiftModifier);
        QCOMPARE(selectedRows(g), (QList<int>{3, 4, 5}));
        clickCell(7, 0, Qt::ShiftModifier);
        QCOMPARE(selectedRows(g), (QList<int>{5, 6, 7}));
        // ... or, with Ctrl as well, adds to them.
        clickCell(0, 0);
        clickCell(2, 0, Qt::ControlModifier | Qt::ShiftModifier);
        clickCell(6, 0, Qt::ControlModifier);
        clickCell(7, 0, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(selectedRows(g), (QList<int>{0, 1, 2, 6, 7}));
        QCOMPARE(g.currentRow(), 7);
    }

    void manualSelectionLeavesMarksToTheClickHandler() {
        m_grid->setRowSelection(Grid::RowSelection::Manual);
        Grid& g = grid(2, 3, true);
        g.setCheckColumn(1);
        for (int r = 0; r < 3; ++r)
            g.setCellText(r, 1, "False");
        // The update-columns handler: a click outside the flag column inverts the row's mark.
        connect(&g, &Grid::clicked, &g, [&](int column) {
            if (column != 1)
                g.setRowSelected(g.currentRow(), !g.isRowSelected(g.currentRow()));
        });
        clickCell(0, 0);
        clickCell(2, 0);
        QCOMPARE(selectedRows(g), (QList<int>{0, 2}));
        clickCell(0, 0);
        QCOMPARE(selectedRows(g), QList<int>{2});
        clickCell(2, 1); // the flag: toggled, the marks stay
        QCOMPARE(selectedRows(g), QList<int>{2});
        QCOMPARE(columnTexts(g, 1), (QStringList{"False", "False", "True"}));
    }

    void clickOnACheckCellTogglesBeforeTheClickIsReported() {
        Grid& g = grid(2, 3, true);
        const QStringList start{"False", "false", "True"};
        for (int r = 0; r < 3; ++r)
            put(*g.gridModel(), r, 0, {"False", start[r]});
        g.setCheckColumn(1);
        QStringList seenByHandler;
        connect(&g, &Grid::clicked, &g,
                [&](int column) { seenByHandler << g.cellText(g.currentRow(), column); });
        clickCell(0, 1);
        clickCell(1, 1);
        clickCell(2, 1);
        QCOMPARE(columnTexts(g, 1), (QStringList{"True", "True", "False"}));
        QCOMPARE(seenByHandler, (QStringList{"True", "True", "False"}));
        QCOMPARE(g.selectedCount(), 0); // a click aimed at the box leaves the marks alone
        clickCell(0, 0);                // other columns are plain text
        QCOMPARE(g.cellText(0, 0), QStringLiteral("False"));
    }

    void doubleClickOnACheckCellTogglesTwiceAndSpaceOnce() {
        Grid& g = grid(2, 1, true);
        g.setCellText(0, 0, "False");
        g.setCheckColumn(0);
        QStringList seen;
        connect(&g, &Grid::clicked, &g, [&] { seen << g.cellText(0, 0); });
        // What a window system delivers for a double-click: a click, then press, double-click
        // and release.
        const QPoint at = g.visualRect(g.gridModel()->index(0, 0)).center();
        QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mousePress(g.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(g.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(seen, (QStringList{"True", "False"}));
        QTest::keyClick(&g, Qt::Key_Space);
        QCOMPARE(g.cellText(0, 0), QStringLiteral("True"));
        g.setCurrentCell(0, 1); // not a check cell
        QTest::keyClick(&g, Qt::Key_Space);
        QCOMPARE(g.cellText(0, 1), QString());
    }

    void rowHeaderClickReportsColumnMinusOne() {
        Grid& g = grid(2, 3, true);
        QSignalSpy spy(&g, &Grid::clicked);
        QHeaderView* header = g.verticalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->width() / 2,
                                 header->sectionViewportPosition(1) + header->sectionSize(1) / 2));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), -1);
        QCOMPARE(g.currentRow(), 1);
        QCOMPARE(selectedRows(g), QList<int>{1});
    }

    void columnWidthsArePixelsAndMinusOneIsTheRowHeader() {
        Grid& g = grid(2, 2);
        g.setColWidth(0, 160);
        g.setColWidth(1, 10);
        g.setColWidth(-1, 17);
        grid(2, 0, true);
        QCOMPARE(g.columnWidth(0), 160);
        QCOMPARE(g.columnWidth(1), 10);
        QCOMPARE(g.verticalHeader()->width(), 17);
        // The first column starts right after the row-header column.
        QCOMPARE(g.viewport()->geometry().left() - g.frameWidth(), 17);
    }

    void loadRecordsetAndClearLeaveNoCurrentRowMarkOrCheckColumn() {
        Grid& g = grid(5, 3);
        g.setCurrentCell(1, 1);
        g.setCheckColumn(2);
        g.setRowSelected(1, true);
        Recordset rs = recordsetOf({"AUDIT_NAME", "ENABLED"}, {{"Orders", "Y"}, {"Stock", "N"}});
        g.loadRecordset(rs);
        rs.close();
        QCOMPARE(g.currentRow(), Grid::NoCurrentRow);
        QCOMPARE(columnTexts(g, 0), (QStringList{"Orders", "Stock"}));
        g.setCurrentCell(0, 0);
        g.setCheckColumn(1);
        g.setRowSelected(1, true);
        g.clear();
        QCOMPARE(g.currentRow(), Grid::NoCurrentRow);
        QCOMPARE(g.selectedCount(), 0);
        QCOMPARE(contentsOf(*grid(2, 1).gridModel()), (Table{{"", "", ""}, {"", "", ""}}));
        QCOMPARE(g.gridModel()->isCheckColumn(1), false);
    }

    void defaultLookIsMonospaceOnLightGrey() {
        const QFontMetrics metrics(m_grid->font());
        QCOMPARE(metrics.horizontalAdvance("iiiiiiii"), metrics.horizontalAdvance("MMMMMMMM"));
        QCOMPARE(m_grid->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
        QCOMPARE(m_grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    }
};

} // namespace quorvex

QTEST_MAIN(quorvex::GridTest)
#include "GridTest.moc"
