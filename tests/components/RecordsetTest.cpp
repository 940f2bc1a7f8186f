// Result sets over rows in memory: positioning, counting and fetching only as far as read.
#include "components/Recordset.h"
#include "components/DbException.h"
#include "support/FakeDatabase.h"

#include "ComponentsTestSupport.h"
#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::textRow;

namespace {

Recordset catalogue() {
    return recordset({{"NAME"}, {"COLTYPE"}, {"LENGTH", FieldKind::Integer}},
                     {textRow({"ORDNO", "INTEGER", "4"}), textRow({"CUSTOMER", "VARCHAR", "30"}),
                      textRow({"NOTE", nullptr, "0"}), textRow({"AMOUNT", "DECIMAL", "15"})});
}

FieldValue text(const char* value) {
    return FieldValue(QString::fromLatin1(value));
}

} // namespace

TEST(RecordsetPositioning, EmptyResultIsAtBothEofAndBofAndNullIsNotEmptyText) {
    Recordset rs = recordset({{"A"}}, {});
    EXPECT_TRUE(rs.eof() && rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_FALSE(rs.value(0).has_value());
    Recordset one = recordset({{"A"}, {"B"}}, {{FieldValue(QString()), FieldValue()}});
    EXPECT_EQ(one.value(0), FieldValue(QString()));
    EXPECT_FALSE(one.value(1).has_value());
}

TEST(RecordsetPositioning, MovesToEofAndStaysThereWhileCountingEveryRowThenCloses) {
    Recordset rs = catalogue();
    EXPECT_FALSE(rs.eof() || rs.bof());
    rs.moveNext();
    EXPECT_EQ(rs.recordCount(), 4); // counting keeps the place
    EXPECT_EQ(rs.value(0), text("CUSTOMER"));
    for (int i = 0; i < 4; ++i)
        rs.moveNext(); // the last one goes past the end
    EXPECT_TRUE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.position(), 4);
    EXPECT_EQ(rs.recordCount(), 4);
    rs.close(); // a closed recordset has nothing
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.fieldCount(), 0);
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_THROW(rs.fieldName(0), DbException);
}

namespace {
// Counts the rows handed out, to show that rows are fetched only as far as the reader moves.
class CountingSource : public IRowSource {
public:
    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override {
        if (m_fetched >= 1000)
            return false;
        row = {FieldValue(QString::number(m_fetched++))};
        return true;
    }
    int fetched() const { return m_fetched; }

private:
    std::vector<FieldInfo> m_fields{FieldInfo{QStringLiteral("N")}};
    int m_fetched = 0;
};
} // namespace

TEST(RecordsetCounting, RowsAreFetchedOnlyAsFarAsTheReaderMoves) {
    auto source = std::make_unique<CountingSource>();
    CountingSource* counter = source.get();
    Recordset rs(std::move(source));
    for (int i = 0; i < 10; ++i)
        rs.moveNext();
    EXPECT_EQ(counter->fetched(), 11);
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("10")));
    // Counting reads the rest ahead and keeps the place.
    EXPECT_EQ(rs.recordCount(), 1000);
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("10")));
}
