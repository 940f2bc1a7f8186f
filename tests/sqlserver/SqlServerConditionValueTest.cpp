// Condition values the server could not convert to their column's type would make the trigger,
// and with it every statement on the audited table, fail; they are refused before GO installs.
// Dates are written in a form every language setting reads alike, Unicode texts as N'...'.
#include "sqlserver/SqlServerConditionValue.h"
#include "sqlserver/SqlServerTriggerGenerator.h"

#include "sqlserver/SqlServerAuditTableGenerator.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex::sqlserver {
namespace {

struct ValueCase {
    const char* behaviour;
    ColumnInfo column;
    const char* value;
    const char* written; // the literal, or "refused: " and why
};

ColumnInfo typed(const char* type, int precision = 0, int scale = 0) {
    return {"V", type, 0, precision, scale, false};
}

QString outcome(const ColumnInfo& column, const char* value) {
    const SqlServerConditionValue checked =
        SqlServerConditionValue::check(column, QString::fromUtf8(value));
    return checked.refused() ? QStringLiteral("refused: ") + checked.problem() : checked.literal();
}

void expectOutcomes(const std::vector<ValueCase>& cases) {
    for (const ValueCase& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.written), outcome(c.column, c.value)) << c.behaviour;
}

const char* const notAForm = "refused: it is not written in one of the accepted forms";
const char* const noSuchDate = "refused: there is no such date";

TEST(ConditionValues, NumbersAreTakenOnlyWhenTheColumnsTypeCanHoldThem) {
    expectOutcomes({
        {"int_takes_blanks_and_a_sign_as_typed", typed("int"), " -42 ", "' -42 '"},
        {"int_refuses_a_fraction", typed("int"), "1.5", "refused: it is not a whole number"},
        {"int_refuses_an_overflow", typed("int"), "2147483648",
         "refused: it lies outside -2147483648 to 2147483647"},
        {"decimal_takes_more_decimals_rounded", typed("decimal", 18, 2), "1.234", "'1.234'"},
        {"decimal_refuses_too_many_whole_digits", typed("decimal", 5, 2), "1234",
         "refused: it has more than 3 digits before the decimal point"},
        {"guid_takes_braces", typed("uniqueidentifier"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}",
         "'{6F9619FF-8B86-D011-B42D-00C04FC964FF}'"},
    });
}

TEST(ConditionValues, MoneyAndBitValuesMustLieWithinTheirTypes) {
    const char* const money =
        "refused: a money holds -922,337,203,685,477.5808 to 922,337,203,685,477.5807 only";
    const char* const smallMoney = "refused: a smallmoney holds -214,748.3648 to 214,748.3647 only";
    const char* const bit = "refused: a bit is compared with 0 or 1 only";
    expectOutcomes({
        {"money_takes_its_highest", typed("money"), "922337203685477.5807",
         "'922337203685477.5807'"},
        {"money_refuses_one_above", typed("money"), "922337203685477.5808", money},
        {"money_refuses_what_rounds_beyond", typed("money"), "-922337203685477.58085", money},
        {"money_takes_what_rounds_within", typed("money"), "922337203685477.58074",
         "'922337203685477.58074'"},
        {"smallmoney_refuses_one_above", typed("smallmoney"), "214748.3648", smallMoney},
        {"bit_takes_zero_with_blanks", typed("bit"), " 0 ", "' 0 '"},
        {"bit_refuses_two", typed("bit"), "2", bit},
    });
}

TEST(ConditionValues, TextsForUnicodeColumnsAreUnicodeLiterals) {
    expectOutcomes({
        {"nvarchar_keeps_letters_outside_the_code_page", typed("nvarchar"), "Łódź", "N'Łódź'"},
        {"varchar_stays_a_plain_literal", typed("varchar"), "O'Brien'; --", "'O''Brien''; --'"},
    });
    EXPECT_EQ(QStringLiteral("N'Müller'"), SqlServerConditionValue::userName("Müller").literal());
}

TEST(ConditionValues, DatesAreWrittenSoEveryLanguageSettingReadsThemAlike) {
    expectOutcomes({
        {"date_alone_loses_its_dashes", typed("datetime"), " 2024-01-13 ", "'20240113'"},
        {"blank_before_the_time_becomes_T", typed("datetime"), "2024-01-13 10:05",
         "'2024-01-13T10:05:00'"},
        {"milliseconds_are_kept", typed("datetime"), "2024-01-13T10:05:07.12",
         "'2024-01-13T10:05:07.12'"},
        {"datetime_ends_where_it_rounds_into_year_10000", typed("datetime"),
         "9999-12-31T23:59:59.997", "'9999-12-31T23:59:59.997'"},
        {"smalldatetime_takes_its_last_minute", typed("smalldatetime"), "2079-06-06 23:59",
         "'2079-06-06T23:59:00'"},
        {"date_takes_a_time_it_drops", typed("date"), "2024-01-13 10:00", "'2024-01-13T10:00:00'"},
        {"datetime2_keeps_seven_digits", typed("datetime2", 0, 7), "2024-01-13T10:05:07.1234567",
         "'2024-01-13T10:05:07.1234567'"},
        {"time_gets_its_seconds", typed("time", 0, 7), "10:05", "'10:05:00'"},
        {"offset_is_kept", typed("datetimeoffset", 0, 7), "2024-01-13 10:00 -05:30",
         "'2024-01-13T10:00:00-05:30'"},
    });
}

TEST(ConditionValues, DatesTheServerCouldMisreadOrNotReadAreRefused) {
    expectOutcomes({
        {"day_first", typed("datetime"), "13/01/2024", notAForm},
        {"offset_on_a_datetime", typed("datetime"), "2024-01-13T10:00:00Z", notAForm},
        {"date_on_a_time_column", typed("time", 0, 7), "2024-01-13 10:00", notAForm},
        {"february_31", typed("datetime"), "2024-02-31", noSuchDate},
        {"hour_24", typed("datetime"), "2024-01-13 24:00", "refused: there is no such time of day"},
        {"datetime_with_four_digits_of_a_second", typed("datetime"), "2024-01-13T10:05:07.1234",
         "refused: a datetime keeps at most 3 digits of a second"},
        {"datetime_rounding_into_year_10000", typed("datetime"), "9999-12-31T23:59:59.999",
         "refused: a datetime holds values from 1753-01-01 00:00:00 to 9999-12-31 23:59:59.997 "
         "only"},
        {"smalldatetime_rounding_past_its_end", typed("smalldatetime"), "2079-06-06 23:59:30",
         "refused: a smalldatetime holds values from 1900-01-01 00:00 to 2079-06-06 23:59 only"},
        {"time_0_rounding_to_midnight", typed("time", 0, 0), "23:59:59.5",
         "refused: a time holds values from 00:00:00 to 23:59:59.9999999 only"},
        {"offset_beyond_14_hours", typed("datetimeoffset", 0, 7), "2024-01-13T10:00+14:30",
         "refused: its offset lies outside -14:00 to +14:00"},
        {"offset_moving_the_value_before_year_one", typed("datetimeoffset", 0, 7),
         "0001-01-01T00:30:00+01:00",
         "refused: a datetimeoffset holds values from 0001-01-01 00:00:00 to 9999-12-31 "
         "23:59:59.9999999 in UTC only"},
    });
}

TEST(ConditionValuesInTriggers, RefusalsNameTheColumnTheValueAndWhatIsAccepted) {
    AuditDefinition definition = testing::bigOrders();
    ColumnInfoList columns = testing::ordersColumns();
    columns << ColumnInfo{"SHIPPED", "datetime", 8, 23, 3, false};
    auto refusal = [&](const QString& column, const QString& value) {
        definition.conditions = {testing::condition(column, "=", value)};
        const SqlServerAuditTableGenerator table(definition, columns);
        const SqlServerTriggerGenerator trigger(definition, columns, table);
        return trigger.refusal();
    };
    EXPECT_EQ(QStringLiteral("The value 'lots' cannot be compared with the field AMOUNT: it is not "
                             "a number. The trigger would make every change to ORDERS fail."),
              refusal("AMOUNT", "lots"));
    EXPECT_EQ(QStringLiteral("The value 'yesterday' cannot be compared with the field SHIPPED: it "
                             "is not written in one of the accepted forms. A datetime value is "
                             "accepted as YYYY-MM-DD, YYYYMMDD, YYYY-MM-DD hh:mm[:ss[.fff]] or "
                             "YYYY-MM-DDThh:mm[:ss[.fff]], so that every language setting reads "
                             "it the same."),
              refusal("SHIPPED", "yesterday"));
}

} // namespace
} // namespace quorvex::sqlserver
