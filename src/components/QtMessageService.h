#pragma once

#include "components/MessageService.h"

namespace quorvex {

// Message boxes on the desktop: application-modal, titled "Quorvex", OK for messages and
// Yes/No for questions.
class QtMessageService : public MessageService {
public:
    void show(const QString& text, MessageIcon icon = MessageIcon::None) override;
    bool askYesNo(const QString& text, MessageIcon icon = MessageIcon::Question) override;
};

} // namespace quorvex
