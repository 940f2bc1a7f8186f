#pragma once

#include "components/MessageService.h"

#include <QList>
#include <QStringList>
#include <deque>

namespace quorvex::testing {

struct ShownMessage {
    enum class Kind { Message, Question };
    Kind kind = Kind::Message;
    QString text;
    MessageIcon icon = MessageIcon::None;
};

// Message boxes for tests: records every box shown and answers questions from a script.
// A question with no scripted answer is recorded and answered No, and counted as unexpected.
class ScriptedMessageService : public MessageService {
public:
    void show(const QString& text, MessageIcon icon = MessageIcon::None) override;
    bool askYesNo(const QString& text, MessageIcon icon = MessageIcon::Question) override;

    void answerNext(bool yes) { m_answers.push_back(yes); }
    const QList<ShownMessage>& shown() const { return m_shown; }
    QStringList texts() const; // every box's text, in order
    int unansweredQuestions() const { return m_unanswered; }
    void clear();

private:
    QList<ShownMessage> m_shown;
    std::deque<bool> m_answers;
    int m_unanswered = 0;
};

} // namespace quorvex::testing
