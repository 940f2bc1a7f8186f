#include "sqlserver/AuditNameRules.h"

#include <QCoreApplication>

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

QString tr(const char* text) {
    return QCoreApplication::translate("AuditNameRules", text);
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

const AuditNameLimits& sqlServerAuditNameLimits() {
    static const AuditNameLimits limits = {
        20,
        200,
        100,
        QStringLiteral("tblZOTA_SYSTEM_TABLE"),
        tr("tblZOTA_SYSTEM_TABLE keeps Audit Names of at most 20 characters"),
        tr("tblZOTA_SYSTEM_TABLE keeps the audited table's name in at most 100 characters, and "
           "with a part of the name the audit could not be disabled, enabled or deleted")};
    return limits;
}

const AuditNameLimits& sqlBaseAuditNameLimits() {
    static const AuditNameLimits limits = {
        13,
        200,
        18,
        QStringLiteral("ZOTA_SYSTEM_TABLE"),
        tr("ZOTA_%1 would name the audit's table, procedure and trigger and its row in "
           "ZOTA_SYSTEM_TABLE, and a SQLBase name has at most 18 characters"),
        tr("a SQLBase table name has at most 18 characters")};
    return limits;
}

NameRuleVerdict checkAuditNameLimits(const QString& name, const QString& description,
                                     const QString& table, const AuditNameLimits& limits) {
    if (name.size() > limits.name) {
        return {NameRuleOutcome::NameTooLong,
                tr("The Audit Name %1 has %2 characters, but %3. Please enter at most %4 "
                   "characters.")
                    .arg(name, QString::number(name.size()),
                         QString(limits.nameReason).replace(QStringLiteral("%1"), name),
                         QString::number(limits.name))};
    }
    if (description.size() > limits.description) {
        return {NameRuleOutcome::DescriptionTooLong,
                tr("The Description has %1 characters, but %2 keeps descriptions of at most %3 "
                   "characters.")
                    .arg(QString::number(description.size()), limits.catalog,
                         QString::number(limits.description))};
    }
    if (table.size() > limits.table) {
        return {NameRuleOutcome::TableNameTooLong,
                tr("The table name %1 has %2 characters, but %3. No audit can be installed on "
                   "this table.")
                    .arg(table, QString::number(table.size()), limits.tableReason)};
    }
    return {};
}

} // namespace quorvex
