// Condition values the server could not convert to their column's type would make the trigger,
// and with it every statement on the audited table, fail; they are refused before GO installs.
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
    bool accepted;
};

ColumnInfo typed(const char* type, int precision = 0, int scale = 0) {
    return {"V", type, 0, precision, scale, false};
}

TEST(ConditionValues, AreTakenOnlyWhenTheColumnsTypeCanHoldThem) {
    const ValueCase cases[] = {
        {"int_takes_a_whole_number", typed("int"), "1000", true},
        {"int_takes_blanks_and_a_sign", typed("int"), " -42 ", true},
        {"int_refuses_text", typed("int"), "abc", false},
        {"int_refuses_a_fraction", typed("int"), "1.5", false},
        {"int_refuses_an_empty_value", typed("int"), "", false},
        {"int_refuses_an_overflow", typed("int"), "2147483648", false},
        {"tinyint_refuses_a_negative", typed("tinyint"), "-1", false},
        {"decimal_takes_cents", typed("decimal", 18, 2), "1000.25", true},
        {"decimal_takes_more_decimals_rounded", typed("decimal", 18, 2), "1.234", true},
        {"decimal_refuses_too_many_whole_digits", typed("decimal", 5, 2), "1234", false},
        {"decimal_refuses_an_exponent", typed("decimal", 18, 2), "1e3", false},
        {"money_refuses_text", typed("money", 19, 4), "O'Brien", false},
        {"float_takes_an_exponent", typed("float", 53), "1.5E-3", true},
        {"bit_takes_true", typed("bit"), "TRUE", true},
        {"bit_refuses_yes", typed("bit"), "yes", false},
        {"guid_takes_braces", typed("uniqueidentifier"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}",
         true},
        {"varchar_takes_anything", typed("varchar"), "O'Brien'; --", true},
        {"datetime_is_left_to_the_server", typed("datetime"), "2026-12-06", true}};
    for (const ValueCase& c : cases) {
        const QString why = SqlServerConditionValue::problem(c.column, QString::fromUtf8(c.value));
        EXPECT_EQ(c.accepted, why.isEmpty()) << c.behaviour << ": " << why.toStdString();
    }
}

TEST(ConditionValuesInTriggers, AValueTheColumnCannotHoldRefusesTheTrigger) {
    AuditDefinition definition = testing::bigOrders();
    definition.conditions[0].value = "lots";
    const ColumnInfoList columns = testing::ordersColumns();
    const SqlServerAuditTableGenerator table(definition, columns);
    ASSERT_FALSE(table.refused());
    const SqlServerTriggerGenerator trigger(definition, columns, table);
    ASSERT_TRUE(trigger.refused());
    EXPECT_EQ(QStringLiteral("The value 'lots' cannot be compared with the field AMOUNT: it is not "
                             "a number. The trigger would make every change to ORDERS fail."),
              trigger.refusal());
}

} // namespace
} // namespace quorvex::sqlserver
