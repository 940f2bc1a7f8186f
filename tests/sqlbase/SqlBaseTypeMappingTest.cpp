#include "sqlbase/SqlBaseTypeMapping.h"
#include "SqlBaseGeneratorTesting.h"
#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlbase/SqlBaseLiteral.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using namespace quorvex::sqlbase;

struct TypeCase {
    const char* behaviour;
    ColumnInfo column;
    const char* definition;
    const char* parameterType; // empty: the procedure gets no parameter
};

TEST(SqlBaseTypeMapping, EachCatalogueTypeGivesItsColumnDefinitionAndParameterType) {
    const TypeCase cases[] = {
        {"timestamp abbreviation is spelt out", sqlBaseColumn("SHIPPED", "TIMESTMP", 10),
         "SHIPPED TIMESTAMP,", "Date/Time"},
        {"full timestamp name takes no length", sqlBaseColumn("SHIPPED", "TIMESTAMP", 10),
         "SHIPPED TIMESTAMP,", "Date/Time"},
        {"integer has no length", sqlBaseColumn("ORDNO", "INTEGER", 4), "ORDNO INTEGER,", "Number"},
        {"smallint has no length", sqlBaseColumn("QTY", "SMALLINT", 2), "QTY SMALLINT,", "Number"},
        {"date has no length", sqlBaseColumn("DUE", "DATE", 4), "DUE DATE,", "Date/Time"},
        {"time has no length and no parameter", sqlBaseColumn("T1", "TIME", 3), "T1 TIME,", ""},
        {"decimal has length and scale", sqlBaseColumn("PRICE", "DECIMAL", 8, 2),
         "PRICE DECIMAL(8,2),", "Number"},
        {"char has a length", sqlBaseColumn("CODE", "CHAR", 3), "CODE CHAR(3),", "String"},
        {"varchar has a length", sqlBaseColumn("CITY", "VARCHAR", 30), "CITY VARCHAR(30),",
         "String"},
        {"other types take the length", sqlBaseColumn("RATE", "FLOAT", 8), "RATE FLOAT(8),", ""},
        {"type names are case-sensitive", sqlBaseColumn("N", "integer", 4), "N integer(4),", ""},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.behaviour);
        EXPECT_EQ(sqlBaseAuditColumnDefinition(c.column, c.column.name).toStdString(),
                  c.definition);
        EXPECT_EQ(sqlBaseProcedureParameterType(c.column.type).value_or(QString()).toStdString(),
                  c.parameterType);
    }
}

TEST(SqlBaseTypeMapping, OldValueColumnTakesTheGivenNameWithTheColumnsType) {
    EXPECT_EQ(sqlBaseAuditColumnDefinition(sqlBaseColumn("PRICE", "DECIMAL", 8, 2), "PRICEO")
                  .toStdString(),
              "PRICEO DECIMAL(8,2),");
}

TEST(SqlBaseTypeMapping, OnlyLongDataIsRefused) {
    EXPECT_EQ(isRefusedSqlBaseColumnType("LONGVAR"), true);
    EXPECT_EQ(isRefusedSqlBaseColumnType("longvar"), false);
    EXPECT_EQ(isRefusedSqlBaseColumnType("VARCHAR"), false);
}

TEST(SqlBaseAuditNames, OldValueNameNeverExceedsEighteenCharacters) {
    EXPECT_EQ(sqlBaseOldValueName("CITY").toStdString(), "CITYO");
    EXPECT_EQ(sqlBaseOldValueName("ABCDEFGHIJKLMNOPQ").toStdString(), "ABCDEFGHIJKLMNOPQO");
    EXPECT_EQ(sqlBaseOldValueName("ABCDEFGHIJKLMNOPQR").toStdString(), "ABCDEFGHIJKLMNOPQO");
}

TEST(SqlBaseAuditNames, StringLiteralDoublesEveryInnerQuote) {
    EXPECT_EQ(sqlBaseStringLiteral("it's 'x'").toStdString(), "'it''s ''x'''");
    EXPECT_EQ(sqlBaseStringLiteral("").toStdString(), "''");
}

} // namespace
} // namespace quorvex::testing
