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

TEST(AuditNameRule, AcceptsLettersDigitsAndUnderscore) {
    EXPECT_EQ(accepted, checkAuditName(QStringLiteral("Order_Audit_2")));
    EXPECT_EQ(accepted, checkAuditName(QStringLiteral("_9zZ")));
}

TEST(AuditNameRule, AcceptsAnEmptyNameForTheFlowToRefuse) {
    EXPECT_EQ(accepted, checkAuditName(QString()));
}

TEST(AuditNameRule, RefusesBlanksSignsAndLettersOutsideAToZ) {
    EXPECT_EQ(badName, checkAuditName(QStringLiteral("Order Audit")));
    EXPECT_EQ(badName, checkAuditName(QStringLiteral("Orders-1")));
    EXPECT_EQ(badName, checkAuditName(QStringLiteral("O'Brien")));
    EXPECT_EQ(badName, checkAuditName(QStringLiteral("Audit.1")));
    EXPECT_EQ(badName, checkAuditName(QStringLiteral("Größe")));
    EXPECT_EQ(badName, checkAuditName(QStringLiteral("-Orders-")));
}

TEST(AuditDescriptionRule, AcceptsBlanksAndEmptyText) {
    EXPECT_EQ(accepted, checkAuditDescription(QStringLiteral("Audit of large orders")));
    EXPECT_EQ(accepted, checkAuditDescription(QString()));
}

TEST(AuditDescriptionRule, RefusesPunctuationAndQuotes) {
    EXPECT_EQ(badDescription, checkAuditDescription(QStringLiteral("Large orders!")));
    EXPECT_EQ(badDescription, checkAuditDescription(QStringLiteral("Bob's orders")));
    EXPECT_EQ(badDescription, checkAuditDescription(QStringLiteral("tab\there")));
}

TEST(AuditNameAndDescriptionRules, NameIsJudgedFirstAndGivesTheOnlyMessage) {
    EXPECT_EQ(badName, checkAuditNameAndDescription(QStringLiteral("a b"), QStringLiteral("x!")));
    EXPECT_EQ(badDescription,
              checkAuditNameAndDescription(QStringLiteral("ab"), QStringLiteral("x!")));
    EXPECT_EQ(accepted, checkAuditNameAndDescription(QStringLiteral("ab"), QStringLiteral("x y")));
}

} // namespace
} // namespace quorvex
