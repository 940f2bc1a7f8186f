// Result sets over rows in memory: positioning, counting, searching and the clip text.
#include "components/Recordset.h"
#include "components/DbException.h"
#include "components/MemoryRowSource.h"
#include "support/FakeDatabase.h"

#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::textRow;

namespace {

FieldInfo field(const char* name, FieldKind kind = FieldKind::Text) {
    FieldInfo f;
    f.name = QString::fromLatin1(name);
    f.kind = kind;
    return f;
}

// Counts how many rows have been pulled, to show that rows are read only as far as needed.
class CountingSource : public IRowSource {
public:
    CountingSource(std::vector<FieldInfo> fields, int rows)
        : m_fields(std::move(fields)), m_rows(rows) {}
    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override {
        if (m_fetched >= m_rows)
            return false;
        row = {FieldValue(QString::number(m_fetched++))};
        return true;
    }
    int fetched() const { return m_fetched; }

private:
    std::vector<FieldInfo> m_fields;
    int m_rows;
    int m_fetched = 0;
};

Recordset catalogue() {
    return Recordset(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("NAME"), field("COLTYPE"),
                               field("LENGTH", FieldKind::Integer)},
        std::vector<Row>{textRow({"ORDNO", "INTEGER", "4"}), textRow({"CUSTOMER", "VARCHAR", "30"}),
                         textRow({"NOTE", nullptr, "0"}), textRow({"AMOUNT", "DECIMAL", "15"})}));
}

} // namespace

TEST(RecordsetPositioning, EmptyResultIsAtBothEofAndBof) {
    Recordset rs(
        std::make_unique<MemoryRowSource>(std::vector<FieldInfo>{field("A")}, std::vector<Row>{}));
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(rs.fieldCount(), 1);
    EXPECT_EQ(rs.fieldName(0), QStringLiteral("A"));
    EXPECT_FALSE(rs.value(0).has_value());
}

TEST(RecordsetPositioning, MovesThroughRowsToEofAndStaysThere) {
    Recordset rs = catalogue();
    EXPECT_FALSE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("ORDNO")));
    rs.moveNext();
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("CUSTOMER")));
    rs.moveNext();
    rs.moveNext();
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_FALSE(rs.bof());
    rs.moveNext(); // past the end: stays at EOF
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.position(), 4);
}

TEST(RecordsetPositioning, NullIsToldApartFromEmptyText) {
    Recordset rs(
        std::make_unique<MemoryRowSource>(std::vector<FieldInfo>{field("A"), field("B")},
                                          std::vector<Row>{{FieldValue(QString()), FieldValue()}}));
    ASSERT_TRUE(rs.value(0).has_value());
    EXPECT_TRUE(rs.value(0)->isEmpty());
    EXPECT_FALSE(rs.value(1).has_value());
}

TEST(RecordsetPositioning, ClosedRecordsetHasNothing) {
    Recordset rs = catalogue();
    rs.close();
    EXPECT_FALSE(rs.isOpen());
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.fieldCount(), 0);
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_THROW(rs.fieldName(0), DbException);
}

TEST(RecordsetCounting, CountIncludesRowsAlreadyPassedAndKeepsPosition) {
    Recordset rs = catalogue();
    rs.moveNext();
    EXPECT_EQ(rs.recordCount(), 4);
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("CUSTOMER")));
    rs.moveNext();
    rs.moveNext();
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("AMOUNT")));
    rs.moveNext();
    EXPECT_EQ(rs.recordCount(), 4);
}

TEST(RecordsetCounting, RowsAreReadOnlyAsFarAsTheCallerMoves) {
    auto source = std::make_unique<CountingSource>(std::vector<FieldInfo>{field("N")}, 1000);
    CountingSource* counter = source.get();
    Recordset rs(std::move(source));
    EXPECT_EQ(counter->fetched(), 1);
    for (int i = 0; i < 10; ++i)
        rs.moveNext();
    EXPECT_EQ(counter->fetched(), 11);
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("10")));
    EXPECT_EQ(rs.recordCount(), 1000);
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("10")));
}

TEST(RecordsetFind, FindsForwardFromTheCurrentRow) {
    Recordset rs = catalogue();
    EXPECT_TRUE(rs.find(QStringLiteral("NAME = 'NOTE'")));
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("NOTE")));
    EXPECT_FALSE(rs.value(1).has_value());
    // The current row itself is searched first.
    EXPECT_TRUE(rs.find(QStringLiteral("NAME = 'NOTE'")));
    EXPECT_EQ(rs.position(), 2);
    // Rows already passed are not searched again.
    EXPECT_FALSE(rs.find(QStringLiteral("NAME = 'ORDNO'")));
    EXPECT_TRUE(rs.eof());
}

TEST(RecordsetFind, ComparesTextWithoutCaseAndNumbersAsNumbers) {
    Recordset rs = catalogue();
    EXPECT_TRUE(rs.find(QStringLiteral("name = 'customer'")));
    EXPECT_EQ(rs.position(), 1);

    Recordset byLength = catalogue();
    // "15" > "4" as a number, though not as text.
    EXPECT_TRUE(byLength.find(QStringLiteral("LENGTH > 10")));
    EXPECT_EQ(byLength.value(0), FieldValue(QStringLiteral("CUSTOMER")));

    Recordset like = catalogue();
    EXPECT_TRUE(like.find(QStringLiteral("NAME LIKE 'am%'")));
    EXPECT_EQ(like.value(0), FieldValue(QStringLiteral("AMOUNT")));
}

TEST(RecordsetFind, NullMeetsNoComparisonAndQuotesAreUndoubled) {
    Recordset rs(std::make_unique<MemoryRowSource>(
        std::vector<FieldInfo>{field("V")},
        std::vector<Row>{textRow({nullptr}), textRow({"O'Brien"})}));
    EXPECT_TRUE(rs.find(QStringLiteral("V <> 'x'")));
    EXPECT_EQ(rs.position(), 1);
    Recordset quoted(std::make_unique<MemoryRowSource>(std::vector<FieldInfo>{field("V")},
                                                       std::vector<Row>{textRow({"O'Brien"})}));
    EXPECT_TRUE(quoted.find(QStringLiteral("V = 'O''Brien'")));
}

TEST(RecordsetFind, UnreadableCriteriaAreRefused) {
    for (const char* bad : {"", "NAME", "NAME = ", "NAME = 'open", "NOSUCH = 'x'", "NAME ~ 'x'",
                            "NAME = word", "NAME = 'a' AND LENGTH = 4"}) {
        Recordset rs = catalogue();
        EXPECT_THROW(rs.find(QString::fromLatin1(bad)), DbException) << bad;
    }
}

TEST(RecordsetGetString, WritesRemainingRowsWithDelimitersAndNullText) {
    Recordset rs = catalogue();
    rs.moveNext();
    EXPECT_EQ(rs.getString(QStringLiteral(","), QStringLiteral("\r\n"), QStringLiteral("(NULL)")),
              QStringLiteral("CUSTOMER,VARCHAR,30\r\nNOTE,(NULL),0\r\nAMOUNT,DECIMAL,15\r\n"));
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.getString(QStringLiteral(","), QStringLiteral("\r\n"), QStringLiteral("(NULL)")),
              QString());
}
