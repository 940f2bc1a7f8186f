#include "components/GridModel.h"
#include "components/DbException.h"
#include "components/MemoryRowSource.h"
#include "components/Recordset.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace quorvex {

namespace {

std::vector<FieldInfo> fieldsNamed(const QStringList& names) {
    std::vector<FieldInfo> fields;
    for (const QString& name : names)
        fields.push_back(FieldInfo{name});
    return fields;
}

Recordset recordsetOf(const QStringList& names, std::vector<Row> rows) {
    return Recordset(std::make_unique<MemoryRowSource>(fieldsNamed(names), std::move(rows)));
}

// A driver that fails after handing out some rows.
class FailingRowSource : public IRowSource {
public:
    FailingRowSource(std::vector<FieldInfo> fields, int rowsBeforeFailure)
        : m_fields(std::move(fields)), m_left(rowsBeforeFailure) {}
    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override {
        if (m_left == 0)
            throw DbException::single(QStringLiteral("Communication link failure"), "08S01");
        --m_left;
        row.assign(m_fields.size(), QStringLiteral("r%1").arg(m_left));
        return true;
    }

private:
    std::vector<FieldInfo> m_fields;
    int m_left;
};

// Every cell of a model as text, header row first, each row starting with its row header.
QList<QStringList> contentsOf(const GridModel& model) {
    QList<QStringList> rows;
    for (int r = -1; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = -1; c < model.columnCount(); ++c)
            cells << model.cellText(r, c);
        rows << cells;
    }
    return rows;
}

} // namespace

class GridModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void staysConsistentForViewsThroughEveryChange();
    void cellTextRoundTripsAnyText();
    void headerRowRowHeadersAndCornerAreSeparateCells();
    void addressesOutsideTheGridReadEmptyAndIgnoreWrites();
    void insertedColumnsAreEmptyAndShiftTheirNeighbours();
    void removedColumnsLeaveNothingBehind();
    void manyEditsAndColumnChangesKeepEveryCell();
    void checkColumnsToggleBetweenTrueAndFalse();
    void selectedMarksAreCountedAndListedInRowOrder();
    void selectedMarksFollowTheirRowsWhenRowsMove();
    void loadRecordsetTakesFieldNamesAndRowsInOrder();
    void loadRecordsetOfEmptyResultKeepsOnlyTheHeader();
    void loadRecordsetReplacesEverythingBefore();
    void loadRecordsetInsertsRowsInFewBatches();
    void loadRecordsetKeepsRowsReadBeforeADriverFailure();
    void appendRowPlacesValuesUnderTheirColumns();
    void storeTakesAFewBytesPerShortCell();
};

void GridModelTest::staysConsistentForViewsThroughEveryChange() {
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setColumnCount(3);
    model.insertRows(0, 4);
    model.setCellText(1, 2, QStringLiteral("x"));
    model.setCellText(-1, 0, QStringLiteral("NAME"));
    model.setCellText(2, -1, QStringLiteral("AND"));
    model.setCheckColumn(1);
    model.setRowSelected(3, true);
    model.insertColumns(0, 2);
    model.removeColumns(1, 2);
    model.insertRows(2, 3);
    model.removeRows(0, 2);
    model.toggleCheck(0, 1);
    model.clearRowSelection();
    Recordset rs = recordsetOf({"A", "B"}, {{QStringLiteral("1"), std::nullopt},
                                            {QStringLiteral("2"), QStringLiteral("b")}});
    model.loadRecordset(rs);
    model.appendRow({QStringLiteral("3"), QStringLiteral("c")});
    model.setColumnCount(0);
    model.removeRows(0, model.rowCount());
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
}

void GridModelTest::cellTextRoundTripsAnyText() {
    GridModel model;
    model.setColumnCount(6);
    model.insertRows(0, 1);
    const QStringList texts = {
        QString(),
        QStringLiteral("Müller & Söhne"),
        QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80"), // CJK and an emoji
        QString(200, QLatin1Char('x')),                                 // two-byte length
        QString(70000, QLatin1Char('y')),                               // three-byte length
        QStringLiteral(" leading and trailing "),
    };
    for (int c = 0; c < texts.size(); ++c)
        QVERIFY(model.setCellText(0, c, texts[c]));
    for (int c = 0; c < texts.size(); ++c)
        QCOMPARE(model.cellText(0, c), texts[c]);
    QCOMPARE(model.data(model.index(0, 1)).toString(), texts[1]);
    QCOMPARE(model.data(model.index(0, 1), Qt::EditRole).toString(), texts[1]);

    // Emptying a cell again, then the whole row.
    model.setCellText(0, 4, QString());
    QCOMPARE(model.cellText(0, 4), QString());
    QCOMPARE(model.cellText(0, 5), texts[5]);
    for (int c = 0; c < texts.size(); ++c)
        model.setCellText(0, c, QString());
    QCOMPARE(contentsOf(model),
             (QList<QStringList>{QStringList(7, QString()), QStringList(7, QString())}));
}

void GridModelTest::headerRowRowHeadersAndCornerAreSeparateCells() {
    GridModel model;
    model.setColumnCount(2);
    model.insertRows(0, 2);
    QSignalSpy headerSpy(&model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy dataSpy(&model, &QAbstractItemModel::dataChanged);

    model.setCellText(-1, -1, QStringLiteral("corner"));
    model.setCellText(-1, 0, QStringLiteral("Column"));
    model.setCellText(-1, 1, QStringLiteral("Op"));
    model.setCellText(0, -1, QStringLiteral("AND"));
    model.setCellText(1, -1, QStringLiteral("OR"));
    model.setCellText(1, 1, QStringLiteral("="));

    QCOMPARE(contentsOf(model),
             (QList<QStringList>{{"corner", "Column", "Op"}, {"AND", "", ""}, {"OR", "", "="}}));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Op"));
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QStringLiteral("AND"));
    QCOMPARE(model.headerData(2, Qt::Vertical), QVariant());
    QCOMPARE(model.headerData(2, Qt::Horizontal), QVariant());

    // Header writes tell the headers, data writes tell the cells; the corner tells nobody.
    QCOMPARE(headerSpy.count(), 4);
    QCOMPARE(headerSpy.at(0).at(0).value<Qt::Orientation>(), Qt::Horizontal);
    QCOMPARE(headerSpy.at(3).at(0).value<Qt::Orientation>(), Qt::Vertical);
    QCOMPARE(headerSpy.at(3).at(1).toInt(), 1);
    QCOMPARE(dataSpy.count(), 1);
    QCOMPARE(dataSpy.at(0).at(0).toModelIndex(), model.index(1, 1));
}

void GridModelTest::addressesOutsideTheGridReadEmptyAndIgnoreWrites() {
    GridModel model;
    model.setColumnCount(2);
    model.insertRows(0, 2);
    model.setCellText(1, 1, QStringLiteral("kept"));
    const auto before = contentsOf(model);

    for (const auto& [row, column] : {std::pair{2, 0},
                                      {0, 2},
                                      {-2, 0},
                                      {0, -2},
                                      {-32767, 0},
                                      {-1, 2},
                                      {2, -1},
                                      {INT_MAX, INT_MAX}}) {
        QCOMPARE(model.cellText(row, column), QString());
        QVERIFY(!model.setCellText(row, column, QStringLiteral("lost")));
    }
    QCOMPARE(contentsOf(model), before);

    QVERIFY(!model.insertRows(3, 1));
    QVERIFY(!model.insertRows(-1, 1));
    QVERIFY(!model.insertRows(0, 0));
    QVERIFY(!model.removeRows(1, 2));
    QVERIFY(!model.removeRows(-1, 1));
    QVERIFY(!model.removeRows(1, INT_MAX));
    QVERIFY(!model.insertColumns(3, 1));
    QVERIFY(!model.removeColumns(0, 3));
    QVERIFY(!model.toggleCheck(0, 0)); // not a check column
    model.setCheckColumn(5);
    model.setColumnCount(-1);
    model.setRowSelected(2, true);
    model.setRowSelected(-1, true);
    QCOMPARE(model.selectedCount(), 0);
    QCOMPARE(model.isRowSelected(-1), false);
    QCOMPARE(contentsOf(model), before);
    QCOMPARE(model.columnCount(), 2);
}

void GridModelTest::insertedColumnsAreEmptyAndShiftTheirNeighbours() {
    GridModel model;
    model.setColumnCount(2);
    model.insertRows(0, 2);
    model.setCellText(-1, 0, QStringLiteral("AUDIT_NAME"));
    model.setCellText(-1, 1, QStringLiteral("ENABLED"));
    model.setCellText(0, 0, QStringLiteral("Orders"));
    model.setCellText(0, 1, QStringLiteral("Y"));
    model.setCellText(1, -1, QStringLiteral("OR"));
    model.setCheckColumn(1);

    // A record-count column in front, as the installed-audits listing adds it.
    QVERIFY(model.insertColumns(0, 1));
    model.setCellText(0, 0, QStringLiteral("3 RECORDS"));

    QCOMPARE(contentsOf(model), (QList<QStringList>{{"", "", "AUDIT_NAME", "ENABLED"},
                                                    {"", "3 RECORDS", "Orders", "Y"},
                                                    {"OR", "", "", ""}}));
    QCOMPARE(model.isCheckColumn(0), false);
    QCOMPARE(model.isCheckColumn(2), true);

    QVERIFY(model.insertColumns(3, 2));
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.cellText(0, 2), QStringLiteral("Y"));
    QCOMPARE(model.cellText(0, 3), QString());
    QCOMPARE(model.cellText(-1, 4), QString());
}

void GridModelTest::removedColumnsLeaveNothingBehind() {
    GridModel model;
    model.setColumnCount(2);
    model.insertRows(0, 1);
    model.setCellText(-1, 0, QStringLiteral("Columns"));
    model.setCellText(0, 0, QStringLiteral("CITY"));
    model.setCellText(0, 1, QStringLiteral("True"));
    model.setCellText(0, -1, QStringLiteral("AND"));
    model.setCheckColumn(1);

    model.setColumnCount(0);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 0);
    QCOMPARE(model.cellText(0, -1), QStringLiteral("AND"));

    model.setColumnCount(2);
    QCOMPARE(contentsOf(model), (QList<QStringList>{{"", "", ""}, {"AND", "", ""}}));
    QCOMPARE(model.isCheckColumn(1), false);

    model.setCellText(0, 0, QStringLiteral("a"));
    model.setCellText(0, 1, QStringLiteral("b"));
    model.removeColumns(0, 1);
    QCOMPARE(contentsOf(model), (QList<QStringList>{{"", ""}, {"AND", "b"}}));
}

void GridModelTest::manyEditsAndColumnChangesKeepEveryCell() {
    GridModel model;
    model.setColumnCount(3);
    model.insertRows(0, 300);
    const auto textFor = [](int round, int row, int column) {
        return QStringLiteral("round %1 row %2 column %3 %4")
            .arg(round)
            .arg(row)
            .arg(column)
            .arg(QString(40, QLatin1Char('.')));
    };
    // Every round rewrites every cell, so most of the arena becomes garbage and is compacted.
    for (int round = 0; round < 8; ++round) {
        for (int r = 0; r < 300; ++r) {
            for (int c = 0; c < 3; ++c)
                model.setCellText(r, c, textFor(round, r, c));
        }
    }
    model.setRowSelected(7, true);
    model.setRowSelected(299, true);
    // Columns in and out, enough for the removed ones' cells to be rewritten away.
    for (int i = 0; i < 20; ++i) {
        model.insertColumns(1, 1);
        model.setCellText(5, 1, QStringLiteral("temporary"));
        model.removeColumns(1, 1);
    }
    model.insertColumns(0, 1);
    model.setCellText(4, 0, QStringLiteral("front"));

    for (int r = 0; r < 300; ++r) {
        QCOMPARE(model.cellText(r, 0), r == 4 ? QStringLiteral("front") : QString());
        for (int c = 0; c < 3; ++c)
            QCOMPARE(model.cellText(r, c + 1), textFor(7, r, c));
    }
    QCOMPARE(model.selectedCount(), 2);
    QCOMPARE(model.selectedRow(1), 7);
    QCOMPARE(model.selectedRow(2), 299);
    // What is held is close to what is live (~70 bytes per cell), not eight rounds of it.
    QVERIFY2(model.storageBytes() < 300 * 3 * 70 * 3,
             qPrintable(QString::number(model.storageBytes())));
}

void GridModelTest::checkColumnsToggleBetweenTrueAndFalse() {
    GridModel model;
    model.setColumnCount(2);
    model.insertRows(0, 5);
    const QStringList start = {"True", "False", "false", "", "TRUE"};
    for (int r = 0; r < start.size(); ++r) {
        model.setCellText(r, 0, start[r]);
        model.setCellText(r, 1, start[r]);
    }
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
    model.setCheckColumn(1);
    QCOMPARE(spy.count(), 1); // the column's boxes appear

    QCOMPARE(model.flags(model.index(0, 1)).testFlag(Qt::ItemIsUserCheckable), true);
    QCOMPARE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsUserCheckable), false);
    QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole), QVariant());
    QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole), QVariant());
    QCOMPARE(model.data(model.index(0, 1), Qt::EditRole).toString(), QStringLiteral("True"));

    QList<int> states;
    for (int r = 0; r < start.size(); ++r)
        states << model.data(model.index(r, 1), Qt::CheckStateRole).toInt();
    QCOMPARE(states,
             (QList<int>{Qt::Checked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked}));

    QStringList toggled;
    for (int r = 0; r < start.size(); ++r) {
        QVERIFY(model.toggleCheck(r, 1));
        toggled << model.cellText(r, 1);
    }
    QCOMPARE(toggled, (QStringList{"False", "True", "True", "True", "True"}));
    QVERIFY(!model.toggleCheck(0, 0));
    QCOMPARE(model.cellText(0, 0), QStringLiteral("True"));

    QVERIFY(model.setData(model.index(0, 1), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model.cellText(0, 1), QStringLiteral("True"));
    QVERIFY(model.setData(model.index(0, 1), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(model.cellText(0, 1), QStringLiteral("False"));
    QVERIFY(!model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
}

void GridModelTest::selectedMarksAreCountedAndListedInRowOrder() {
    GridModel model;
    model.setColumnCount(1);
    model.insertRows(0, 6);
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);

    model.setRowSelected(4, true);
    model.setRowSelected(1, true);
    model.setRowSelected(2, true);
    model.setRowSelected(2, true); // no change, no signal
    model.setRowSelected(1, false);
    QCOMPARE(spy.count(), 4);
    QCOMPARE(spy.at(0).at(2).value<QList<int>>(), QList<int>{GridModel::SelectedMarkRole});
    QCOMPARE(model.data(model.index(4, 0), GridModel::SelectedMarkRole).toBool(), true);

    QCOMPARE(model.selectedCount(), 2);
    QCOMPARE(model.selectedRow(1), 2);
    QCOMPARE(model.selectedRow(2), 4);
    QCOMPARE(model.selectedRow(0), GridModel::NoRow);
    QCOMPARE(model.selectedRow(3), GridModel::NoRow);

    model.clearRowSelection();
    QCOMPARE(model.selectedCount(), 0);
    QCOMPARE(model.isRowSelected(4), false);
    QCOMPARE(model.selectedRow(1), GridModel::NoRow);
}

void GridModelTest::selectedMarksFollowTheirRowsWhenRowsMove() {
    GridModel model;
    model.setColumnCount(1);
    model.insertRows(0, 5);
    model.setRowSelected(1, true);
    model.setRowSelected(3, true);
    model.setCellText(3, 0, QStringLiteral("three"));
    QCOMPARE(model.selectedRow(2), 3); // builds the ordered list before the rows move

    model.insertRows(0, 2);
    QCOMPARE(model.selectedRow(1), 3);
    QCOMPARE(model.selectedRow(2), 5);
    QCOMPARE(model.cellText(5, 0), QStringLiteral("three"));

    model.removeRows(2, 2); // takes the first selected row with it
    QCOMPARE(model.selectedCount(), 1);
    QCOMPARE(model.selectedRow(1), 3);
    QCOMPARE(model.isRowSelected(3), true);

    // Rewriting a selected row's cells keeps its mark.
    model.setCellText(3, 0, QStringLiteral("rewritten"));
    QCOMPARE(model.isRowSelected(3), true);

    model.removeRows(0, model.rowCount());
    QCOMPARE(model.selectedCount(), 0);
}

void GridModelTest::loadRecordsetTakesFieldNamesAndRowsInOrder() {
    GridModel model;
    Recordset rs = recordsetOf({"ORDNO", "CITY", "AUDIT_USER"},
                               {{QStringLiteral("1"), QStringLiteral("Paris"), std::nullopt},
                                {std::nullopt, QString(), QStringLiteral("sa")},
                                {QStringLiteral("3"), std::nullopt, std::nullopt}});
    model.loadRecordset(rs);

    QVERIFY(rs.eof());
    QCOMPARE(contentsOf(model), (QList<QStringList>{{"", "ORDNO", "CITY", "AUDIT_USER"},
                                                    {"", "1", "Paris", ""},
                                                    {"", "", "", "sa"},
                                                    {"", "3", "", ""}}));
    // Loaded rows are ordinary rows: they can be edited and extended.
    model.setCellText(2, 2, QStringLiteral("x"));
    model.insertColumns(0, 1);
    QCOMPARE(model.cellText(2, 3), QStringLiteral("x"));
    QCOMPARE(model.cellText(-1, 1), QStringLiteral("ORDNO"));
}

void GridModelTest::loadRecordsetOfEmptyResultKeepsOnlyTheHeader() {
    GridModel model;
    Recordset rs = recordsetOf({"AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"}, {});
    QVERIFY(rs.eof() && rs.bof());
    model.loadRecordset(rs);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(contentsOf(model),
             (QList<QStringList>{{"", "AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"}}));

    // A closed recordset has no fields: the grid ends up with nothing.
    Recordset closed;
    model.loadRecordset(closed);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
}

void GridModelTest::loadRecordsetReplacesEverythingBefore() {
    GridModel model;
    model.setColumnCount(4);
    model.insertRows(0, 3);
    model.setCheckColumn(0);
    model.setRowSelected(2, true);
    model.setCellText(-1, -1, QStringLiteral("corner"));
    model.setCellText(1, -1, QStringLiteral("AND"));
    model.setCellText(0, 0, QStringLiteral("True"));

    Recordset rs = recordsetOf({"A"}, {{QStringLiteral("a")}});
    model.loadRecordset(rs);
    QCOMPARE(contentsOf(model), (QList<QStringList>{{"", "A"}, {"", "a"}}));
    QCOMPARE(model.isCheckColumn(0), false);
    QCOMPARE(model.selectedCount(), 0);
}

void GridModelTest::loadRecordsetInsertsRowsInFewBatches() {
    GridModel model;
    std::vector<Row> rows;
    for (int i = 0; i < 20000; ++i)
        rows.push_back({QString::number(i)});
    Recordset rs = recordsetOf({"N"}, std::move(rows));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.loadRecordset(rs);

    QCOMPARE(model.rowCount(), 20000);
    QCOMPARE(model.cellText(19999, 0), QStringLiteral("19999"));
    QCOMPARE(model.cellText(12345, 0), QStringLiteral("12345"));
    // Batches double from 1024 rows: 1024, 1024, 2048, 4096, 8192 and the rest.
    QCOMPARE(inserted.count(), 6);
    int next = 0;
    for (const QList<QVariant>& batch : inserted) {
        QCOMPARE(batch.at(1).toInt(), next);
        next = batch.at(2).toInt() + 1;
    }
    QCOMPARE(next, 20000);
}

void GridModelTest::loadRecordsetKeepsRowsReadBeforeADriverFailure() {
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    Recordset rs(std::make_unique<FailingRowSource>(fieldsNamed({"A", "B"}), 1500));
    QVERIFY_THROWS_EXCEPTION(DbException, model.loadRecordset(rs));
    QCOMPARE(model.rowCount(), 1500);
    QCOMPARE(model.cellText(-1, 1), QStringLiteral("B"));
    QCOMPARE(model.cellText(1499, 0), QStringLiteral("r0"));
}

void GridModelTest::appendRowPlacesValuesUnderTheirColumns() {
    GridModel model;
    model.setColumnCount(2);
    model.appendRow({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("dropped")});
    model.appendRow({QStringLiteral("only")});
    model.appendRow({std::nullopt, QStringLiteral("second")});
    // After a column went in front, values still land under their own columns.
    model.insertColumns(0, 1);
    model.appendRow({QStringLiteral("x"), std::nullopt, QStringLiteral("z")});
    QCOMPARE(contentsOf(model), (QList<QStringList>{{"", "", "", ""},
                                                    {"", "", "a", "b"},
                                                    {"", "", "only", ""},
                                                    {"", "", "", "second"},
                                                    {"", "x", "", "z"}}));
}

void GridModelTest::storeTakesAFewBytesPerShortCell() {
    GridModel model;
    std::vector<Row> rows;
    const int count = 100000;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        Row row;
        for (int c = 0; c < 6; ++c)
            row.emplace_back(QStringLiteral("v%1-%2").arg(i, 7, 10, QLatin1Char('0')).arg(c));
        rows.push_back(std::move(row));
    }
    Recordset rs = recordsetOf({"A", "B", "C", "D", "E", "F"}, std::move(rows));
    model.loadRecordset(rs);
    QCOMPARE(model.rowCount(), count);
    QCOMPARE(model.cellText(count - 1, 5), QStringLiteral("v0099999-5"));
    // 6 cells of 10 bytes plus 8 length bytes and an 8-byte row reference make 76 bytes a
    // row; a QString per cell alone would cost over 300.
    const qint64 perRow = model.storageBytes() / count;
    QVERIFY2(perRow <= 100, qPrintable(QString::number(perRow)));
}

int runGridModelTest(int argc, char** argv) {
    GridModelTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace quorvex

#include "GridModelTest.moc"
