#include "sqlserver/SqlServerIdentifier.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

struct QuoteCase {
    const char* behaviour;
    QString name;
    QString quoted;
};

void PrintTo(const QuoteCase& c, std::ostream* out) {
    *out << c.behaviour;
}

class IdentifierQuoting : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(IdentifierQuoting, QuotesOnlyWhatIsNotRegular) {
    EXPECT_EQ(GetParam().quoted, SqlServerIdentifier::quote(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(
    Names, IdentifierQuoting,
    ::testing::Values(
        QuoteCase{"plain_name_stays", QStringLiteral("ORDERS"), QStringLiteral("ORDERS")},
        QuoteCase{"underscore_and_signs_stay", QStringLiteral("_Order$No#@1"),
                  QStringLiteral("_Order$No#@1")},
        QuoteCase{"national_letters_stay", QStringLiteral("Größe"), QStringLiteral("Größe")},
        QuoteCase{"blank_is_bracketed", QStringLiteral("ORDER DATE"),
                  QStringLiteral("[ORDER DATE]")},
        QuoteCase{"reserved_word_is_bracketed", QStringLiteral("ORDER"), QStringLiteral("[ORDER]")},
        QuoteCase{"reserved_word_in_lower_case_is_bracketed", QStringLiteral("key"),
                  QStringLiteral("[key]")},
        QuoteCase{"word_containing_a_keyword_stays", QStringLiteral("ORDERS_KEY"),
                  QStringLiteral("ORDERS_KEY")},
        QuoteCase{"closing_bracket_is_doubled", QStringLiteral("a]b"), QStringLiteral("[a]]b]")},
        QuoteCase{"leading_digit_is_bracketed", QStringLiteral("1st"), QStringLiteral("[1st]")},
        QuoteCase{"leading_at_sign_is_bracketed", QStringLiteral("@x"), QStringLiteral("[@x]")},
        QuoteCase{"hyphen_is_bracketed", QStringLiteral("Orders-1"), QStringLiteral("[Orders-1]")},
        QuoteCase{"quote_is_bracketed_as_it_stands", QStringLiteral("O'Brien"),
                  QStringLiteral("[O'Brien]")}),
    [](const ::testing::TestParamInfo<QuoteCase>& info) { return info.param.behaviour; });

TEST(IdentifierBracketing, BracketsEvenRegularNamesAndDoublesClosingBrackets) {
    EXPECT_EQ(QStringLiteral("[CUSTOMER]"),
              SqlServerIdentifier::bracket(QStringLiteral("CUSTOMER")));
    EXPECT_EQ(QStringLiteral("[x]]]]y]"), SqlServerIdentifier::bracket(QStringLiteral("x]]y")));
}

TEST(StringLiterals, DoubleEveryQuoteInside) {
    EXPECT_EQ(QStringLiteral("'ACME'"), SqlServerIdentifier::literal(QStringLiteral("ACME")));
    EXPECT_EQ(QStringLiteral("'O''Brien'"),
              SqlServerIdentifier::literal(QStringLiteral("O'Brien")));
    EXPECT_EQ(QStringLiteral("''''''"), SqlServerIdentifier::literal(QStringLiteral("''")));
    EXPECT_EQ(QStringLiteral("''"), SqlServerIdentifier::literal(QString()));
}

} // namespace
} // namespace quorvex::sqlserver

namespace quorvex::sqlserver {
namespace {

TEST(TableNames, SchemaAndTableAreQuotedEachOnItsOwn) {
    EXPECT_EQ(QStringLiteral("ORDERS"),
              SqlServerIdentifier::quoteTableName(QStringLiteral("ORDERS")));
    EXPECT_EQ(QStringLiteral("sales.ORDERS"),
              SqlServerIdentifier::quoteTableName(QStringLiteral("sales.ORDERS")));
    EXPECT_EQ(QStringLiteral("sales.[Order Lines]"),
              SqlServerIdentifier::quoteTableName(QStringLiteral("sales.Order Lines")));
    EXPECT_EQ(QStringLiteral("[my schema].[ORDER]"),
              SqlServerIdentifier::quoteTableName(QStringLiteral("my schema.ORDER")));
    // Nothing on one side of the dot: not a schema, one name.
    EXPECT_EQ(QStringLiteral("[.x]"), SqlServerIdentifier::quoteTableName(QStringLiteral(".x")));
}

TEST(TableNames, OnlyTablesOutsideDboGiveTheirTriggersASchemaPrefix) {
    EXPECT_EQ(QString(), SqlServerIdentifier::schemaPrefix(QStringLiteral("ORDERS")));
    EXPECT_EQ(QStringLiteral("sales."),
              SqlServerIdentifier::schemaPrefix(QStringLiteral("sales.ORDERS")));
    EXPECT_EQ(QStringLiteral("[my schema]."),
              SqlServerIdentifier::schemaPrefix(QStringLiteral("my schema.ORDERS")));
}

} // namespace
} // namespace quorvex::sqlserver
