#pragma once

#include <QString>

namespace quorvex {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };

// Message boxes. Every box carries the application's title, "Quorvex", and no title of its own.
// Windows show messages only through this, so tests can read them and answer questions.
class MessageService {
public:
    virtual ~MessageService() = default;
    // A message with an OK button.
    virtual void show(const QString& text, MessageIcon icon = MessageIcon::None) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& text, MessageIcon icon = MessageIcon::Question) = 0;

    void information(const QString& text) { show(text, MessageIcon::Information); }
    void critical(const QString& text) { show(text, MessageIcon::Critical); }
};

inline const QString& applicationTitle() {
    static const QString title = QStringLiteral("Quorvex");
    return title;
}

} // namespace quorvex
