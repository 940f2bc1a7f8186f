#pragma once

#include <QString>

namespace quorvex {

// Which of the texts broke its rule.
enum class NameRuleOutcome {
    Accepted,
    InvalidName,
    InvalidDescription,
    NameTooLong,
    DescriptionTooLong,
    TableNameTooLong
};

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

// How long the texts of an audit may be where a back end keeps them. What does not fit would
// fail part-way through an install, or be cut short in the catalog, and an audit whose catalog
// row does not name it exactly can be neither disabled, enabled nor deleted.
struct AuditNameLimits {
    qsizetype name = 0;        // the name as typed
    qsizetype description = 0; // the description as typed
    qsizetype table = 0;       // the audited table's name as the catalogue lists it
    QString catalog;           // the catalog table, named in the messages
    QString nameReason;        // why the name is limited; %1 stands for the name
    QString tableReason;       // why the table name is limited
};

// tblZOTA_SYSTEM_TABLE: AUDIT_NAME varchar(20), AUDIT_DESCRIPTION varchar(200), TRIGGERTABLE
// char(100).
const AuditNameLimits& sqlServerAuditNameLimits();

// ZOTA_SYSTEM_TABLE: AUDIT_NAME varchar(20) holds "ZOTA_" + name, which also names the audit's
// table, synonym, procedure and trigger, and a SQLBase name has at most 18 characters;
// AUDIT_DESCRIPTION varchar(200). The audited table is named in the trigger.
const AuditNameLimits& sqlBaseAuditNameLimits();

// The name, the description, then the table name against the limits; at most one message.
NameRuleVerdict checkAuditNameLimits(const QString& name, const QString& description,
                                     const QString& table, const AuditNameLimits& limits);

} // namespace quorvex
