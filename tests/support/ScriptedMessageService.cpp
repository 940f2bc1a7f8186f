#include "support/ScriptedMessageService.h"

namespace quorvex::testing {

void ScriptedMessageService::show(const QString& text, MessageIcon icon) {
    m_shown.append({ShownMessage::Kind::Message, text, icon});
}

bool ScriptedMessageService::askYesNo(const QString& text, MessageIcon icon) {
    m_shown.append({ShownMessage::Kind::Question, text, icon});
    if (m_answers.empty()) {
        ++m_unanswered;
        return false;
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

QStringList ScriptedMessageService::texts() const {
    QStringList out;
    for (const auto& m : m_shown)
        out << m.text;
    return out;
}

void ScriptedMessageService::clear() {
    m_shown.clear();
    m_answers.clear();
    m_unanswered = 0;
}

} // namespace quorvex::testing
