#include "sqlserver/SqlServerIdentifier.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

struct QuoteCase {
    const char* behaviour;
    const char* name;
    const char* quoted;
};

TEST(IdentifierQuoting, QuotesOnlyWhatIsNotRegular) {
    const QuoteCase cases[] = {{"plain_name_stays", "ORDERS", "ORDERS"},
                               {"underscore_and_signs_stay", "_Order$No#@1", "_Order$No#@1"},
                               {"national_letters_stay", "Größe", "Größe"},
                               {"blank_is_bracketed", "ORDER DATE", "[ORDER DATE]"},
                               {"reserved_word_is_bracketed", "ORDER", "[ORDER]"},
                               {"word_containing_a_keyword_stays", "ORDERS_KEY", "ORDERS_KEY"},
                               {"closing_bracket_is_doubled", "a]b", "[a]]b]"},
                               {"leading_digit_is_bracketed", "1st", "[1st]"},
                               {"hyphen_is_bracketed", "Orders-1", "[Orders-1]"},
                               {"quote_is_bracketed_as_it_stands", "O'Brien", "[O'Brien]"}};
    for (const QuoteCase& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.quoted),
                  SqlServerIdentifier::quote(QString::fromUtf8(c.name)))
            << c.behaviour;
}

TEST(StringLiterals, DoubleEveryQuoteInside) {
    EXPECT_EQ(QStringLiteral("'ACME'"), SqlServerIdentifier::literal("ACME"));
    EXPECT_EQ(QStringLiteral("'O''Brien'"), SqlServerIdentifier::literal("O'Brien"));
    EXPECT_EQ(QStringLiteral("''''''"), SqlServerIdentifier::literal("''"));
    EXPECT_EQ(QStringLiteral("''"), SqlServerIdentifier::literal(QString()));
}

TEST(TableNames, SchemaAndTableAreQuotedEachOnItsOwn) {
    EXPECT_EQ(QStringLiteral("ORDERS"), SqlServerIdentifier::quoteTableName("ORDERS"));
    EXPECT_EQ(QStringLiteral("sales.ORDERS"), SqlServerIdentifier::quoteTableName("sales.ORDERS"));
    EXPECT_EQ(QStringLiteral("sales.[Order Lines]"),
              SqlServerIdentifier::quoteTableName("sales.Order Lines"));
    EXPECT_EQ(QStringLiteral("[my schema].[ORDER]"),
              SqlServerIdentifier::quoteTableName("my schema.ORDER"));
    // Nothing on one side of the dot: not a schema, one name.
    EXPECT_EQ(QStringLiteral("[.x]"), SqlServerIdentifier::quoteTableName(".x"));
}

} // namespace
} // namespace quorvex::sqlserver
