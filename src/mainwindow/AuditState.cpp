#include "mainwindow/AuditState.h"

#include <array>
#include <utility>

namespace quorvex {

namespace {

const std::array<std::pair<AuditState, const char*>, 5> stateTexts{{
    {AuditState::Ok, "ok"},
    {AuditState::TableChanged, "table changed"},
    {AuditState::Broken, "broken"},
    {AuditState::TableMissing, "table missing"},
    {AuditState::TriggerMissing, "trigger missing"},
}};

} // namespace

QString auditStateText(AuditState state) {
    for (const auto& [known, text] : stateTexts) {
        if (known == state)
            return QString::fromLatin1(text);
    }
    return {};
}

} // namespace quorvex
