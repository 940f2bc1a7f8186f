#include "sqlserver/AuditNameRules.h"

#include <algorithm>

namespace quorvex {

namespace {

enum class BlankRule { Refused, Allowed };

// Letters outside a to z and A to Z (accented ones included) are refused like any other sign.
bool isAllowed(QChar c, BlankRule blank) {
    const char16_t code = c.unicode();
    return (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z') ||
           (code >= u'0' && code <= u'9') || code == u'_' ||
           (blank == BlankRule::Allowed && code == u' ');
}

bool allAllowed(const QString& text, BlankRule blank) {
    return std::all_of(text.begin(), text.end(), [blank](QChar c) { return isAllowed(c, blank); });
}

} // namespace

const QString& invalidAuditNameMessage() {
    static const QString message =
        QStringLiteral("Invalid character in the Audit Name. Please use only Alpha-numeric and "
                       "no spaces in the Audit name");
    return message;
}

const QString& invalidAuditDescriptionMessage() {
    static const QString message = QStringLiteral(
        "Invalid character in Description.  Please use only Alpha-numeric characters only");
    return message;
}

NameRuleVerdict checkAuditName(const QString& name) {
    if (allAllowed(name, BlankRule::Refused)) {
        return {};
    }
    return {NameRuleOutcome::InvalidName, invalidAuditNameMessage()};
}

NameRuleVerdict checkAuditDescription(const QString& description) {
    if (allAllowed(description, BlankRule::Allowed)) {
        return {};
    }
    return {NameRuleOutcome::InvalidDescription, invalidAuditDescriptionMessage()};
}

NameRuleVerdict checkAuditNameAndDescription(const QString& name, const QString& description) {
    NameRuleVerdict verdict = checkAuditName(name);
    if (!verdict.accepted()) {
        return verdict;
    }
    return checkAuditDescription(description);
}

} // namespace quorvex
