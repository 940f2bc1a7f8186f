// Result sets over rows in memory: positioning, counting, searching and the clip text.
#include "components/Recordset.h"
#include "components/DbException.h"
#include "components/MemoryRowSource.h"
#include "support/FakeDatabase.h"

#include <gtest/gtest.h>

using namespace quorvex;
using quorvex::testing::textRow;

namespace {

// Counts the rows pulled, to show that rows are read only as far as needed.
class CountingSource : public IRowSource {
public:
    const std::vector<FieldInfo>& fields() const override { return m_fields; }
    bool fetch(Row& row) override {
        if (m_fetched >= 1000)
            return false;
        row = {FieldValue(QString::number(m_fetched++))};
        return true;
    }
    int m_fetched = 0;

private:
    std::vector<FieldInfo> m_fields{FieldInfo{"N"}};
};

Recordset recordset(std::vector<FieldInfo> fields, std::vector<Row> rows) {
    return Recordset(std::make_unique<MemoryRowSource>(std::move(fields), std::move(rows)));
}

Recordset catalogue() {
    return recordset({{"NAME"}, {"COLTYPE"}, {"LENGTH", FieldKind::Integer}},
                     {textRow({"ORDNO", "INTEGER", "4"}), textRow({"CUSTOMER", "VARCHAR", "30"}),
                      textRow({"NOTE", nullptr, "0"}), textRow({"AMOUNT", "DECIMAL", "15"})});
}

FieldValue text(const char* value) {
    return FieldValue(QString::fromLatin1(value));
}

} // namespace

TEST(RecordsetPositioning, EmptyResultIsAtBothEofAndBof) {
    Recordset rs = recordset({{"A"}}, {});
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(rs.fieldName(0), QStringLiteral("A"));
    EXPECT_FALSE(rs.value(0).has_value());
}

TEST(RecordsetPositioning, MovesToEofAndStaysThereWhileCountingEveryRow) {
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
}

TEST(RecordsetPositioning, NullIsToldApartFromEmptyText) {
    Recordset rs = recordset({{"A"}, {"B"}}, {{FieldValue(QString()), FieldValue()}});
    EXPECT_EQ(rs.value(0), FieldValue(QString()));
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

TEST(RecordsetCounting, RowsAreReadOnlyAsFarAsTheCallerMoves) {
    auto source = std::make_unique<CountingSource>();
    CountingSource* counter = source.get();
    Recordset rs(std::move(source));
    EXPECT_EQ(counter->m_fetched, 1);
    for (int i = 0; i < 10; ++i)
        rs.moveNext();
    EXPECT_EQ(counter->m_fetched, 11);
    EXPECT_EQ(rs.recordCount(), 1000);
    EXPECT_EQ(rs.value(0), text("10"));
}

TEST(RecordsetFind, FindsForwardFromTheCurrentRowInclusive) {
    Recordset rs = catalogue();
    EXPECT_TRUE(rs.find(QStringLiteral("NAME = 'NOTE'")));
    EXPECT_EQ(rs.position(), 2);
    EXPECT_TRUE(rs.find(QStringLiteral("NAME = 'NOTE'")));
    EXPECT_EQ(rs.position(), 2);
    EXPECT_FALSE(rs.find(QStringLiteral("NAME = 'ORDNO'"))); // rows passed are not searched
    EXPECT_TRUE(rs.eof());
}

TEST(RecordsetFind, MatchesTheFirstRowMeetingTheCriterion) {
    const struct {
        const char* criterion;
        int position;
    } cases[] = {
        {"name = 'customer'", 1}, // text without case
        {"LENGTH > 10", 1},       // numbers as numbers: "15" > "4"
        {"NAME LIKE 'am%'", 3},
    };
    for (const auto& c : cases) {
        Recordset rs = catalogue();
        EXPECT_TRUE(rs.find(QString::fromLatin1(c.criterion))) << c.criterion;
        EXPECT_EQ(rs.position(), c.position) << c.criterion;
    }
    Recordset withNull = recordset({{"V"}}, {textRow({nullptr}), textRow({"O'Brien"})});
    EXPECT_TRUE(withNull.find(QStringLiteral("V <> 'x'"))); // NULL meets no comparison
    EXPECT_EQ(withNull.position(), 1);
    Recordset quoted = recordset({{"V"}}, {textRow({"O'Brien"})});
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
    const auto clip = [&] { return rs.getString(",", "\r\n", "(NULL)"); };
    EXPECT_EQ(clip(),
              QStringLiteral("CUSTOMER,VARCHAR,30\r\nNOTE,(NULL),0\r\nAMOUNT,DECIMAL,15\r\n"));
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(clip(), QString());
}
