#include "sqlserver/AuditNameRules.h"

#include "OrdersTable.h"

#include <gtest/gtest.h>

namespace quorvex {

void PrintTo(const NameRuleVerdict& verdict, std::ostream* out) {
    *out << static_cast<int>(verdict.outcome) << ' ';
    PrintTo(verdict.message, out);
}

namespace {

const NameRuleVerdict accepted{};
const NameRuleVerdict badName{NameRuleOutcome::InvalidName,
                              QStringLiteral("Invalid character in the Audit Name. Please use only "
                                             "Alpha-numeric and no spaces in the Audit name")};
const NameRuleVerdict badDescription{
    NameRuleOutcome::InvalidDescription,
    QStringLiteral(
        "Invalid character in Description.  Please use only Alpha-numeric characters only")};

// An empty name passes: the flow refuses it with its own message.
TEST(AuditNameRule, TakesLettersDigitsAndUnderscoreOnly) {
    for (const char* name : {"Order_Audit_2", "_9zZ", ""})
        EXPECT_EQ(accepted, checkAuditName(name)) << name;
    for (const char* name : {"Order Audit", "Orders-1", "O'Brien", "Audit.1", "Größe", "-Orders-"})
        EXPECT_EQ(badName, checkAuditName(QString::fromUtf8(name))) << name;
}

TEST(AuditDescriptionRule, TakesBlanksAndEmptyTextButNoPunctuation) {
    EXPECT_EQ(accepted, checkAuditDescription("Audit of large orders"));
    EXPECT_EQ(accepted, checkAuditDescription(QString()));
    for (const char* description : {"Large orders!", "Bob's orders", "tab\there"})
        EXPECT_EQ(badDescription, checkAuditDescription(description)) << description;
}

TEST(AuditNameAndDescriptionRules, NameIsJudgedFirstAndGivesTheOnlyMessage) {
    EXPECT_EQ(badName, checkAuditNameAndDescription("a b", "x!"));
    EXPECT_EQ(badDescription, checkAuditNameAndDescription("ab", "x!"));
    EXPECT_EQ(accepted, checkAuditNameAndDescription("ab", "x y"));
}

} // namespace
} // namespace quorvex
