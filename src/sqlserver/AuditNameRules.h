#pragma once

#include <QString>

namespace quorvex {

// Which of the two texts broke its rule.
enum class NameRuleOutcome { Accepted, InvalidName, InvalidDescription };

// The answer of the audit name and description rules: accepted, or the message to show. The
// name becomes part of object names and both texts are written into the catalog inside quoted
// literals, so only letters a to z and A to Z, digits and "_" (and in a description the blank)
// are admitted.
struct NameRuleVerdict {
    NameRuleOutcome outcome = NameRuleOutcome::Accepted;
    QString message; // empty when accepted

    bool accepted() const { return outcome == NameRuleOutcome::Accepted; }

    friend bool operator==(const NameRuleVerdict&, const NameRuleVerdict&) = default;
};

// "Invalid character in the Audit Name. Please use only Alpha-numeric and no spaces in the
// Audit name"
const QString& invalidAuditNameMessage();

// "Invalid character in Description.  Please use only Alpha-numeric characters only"
const QString& invalidAuditDescriptionMessage();

// An empty text passes: the creation flows refuse an empty name with their own message.
NameRuleVerdict checkAuditName(const QString& name);
NameRuleVerdict checkAuditDescription(const QString& description);

// The name first, then the description, as the creation flows test them; at most one message.
NameRuleVerdict checkAuditNameAndDescription(const QString& name, const QString& description);

} // namespace quorvex
