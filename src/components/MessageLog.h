#pragma once

#include "components/MessageService.h"

#include <QList>

namespace quorvex {

// The messages an operation has for the user, kept in order while it runs off the window's
// thread, and shown by the window once it has ended. An operation that needs an answer asks
// before it starts or after it has ended, never in between: askYesNo() here answers No.
class MessageLog : public MessageService {
public:
    struct Entry {
        QString text;
        MessageIcon icon = MessageIcon::None;

        friend bool operator==(const Entry&, const Entry&) = default;
    };

    void show(const QString& text, MessageIcon icon = MessageIcon::None) override {
        m_entries.append({text, icon});
    }
    bool askYesNo(const QString&, MessageIcon) override { return false; }

    const QList<Entry>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }
    QStringList texts() const {
        QStringList texts;
        for (const Entry& entry : m_entries)
            texts << entry.text;
        return texts;
    }

    // Shows every message through the window's service, in the order they came, and forgets
    // them.
    void replay(MessageService& messages) {
        const QList<Entry> entries = std::exchange(m_entries, {});
        for (const Entry& entry : entries)
            messages.show(entry.text, entry.icon);
    }

private:
    QList<Entry> m_entries;
};

} // namespace quorvex
