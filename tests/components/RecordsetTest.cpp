// Result sets over rows in memory: fetching only as far as read.
#include "components/Recordset.h"
#include "components/DbException.h"

#include "ComponentsTestSupport.h"
#include <gtest/gtest.h>

using namespace quorvex;

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
    // A NULL is no empty text.
    Recordset one = recordset({{"A"}, {"B"}}, {{FieldValue(QString()), FieldValue()}});
    EXPECT_EQ(one.value(0), FieldValue(QString()));
    EXPECT_FALSE(one.value(1).has_value());
}
