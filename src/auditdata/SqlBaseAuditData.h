#pragma once

#include "auditdata/AuditDataSource.h"

#include <functional>
#include <memory>

namespace quorvex {

// SQLBase: each read, export and purge opens a connection of its own and closes it at its end.
class SqlBaseAuditData : public AuditDataSource {
public:
    // An open connection from the login values, or nullptr once the failure has been told
    // through the messages given. Called on worker threads: it must use nothing a window may
    // change meanwhile.
    using ConnectionOpener = std::function<std::unique_ptr<IConnection>(MessageService& messages)>;

    explicit SqlBaseAuditData(ConnectionOpener openConnection);

    const AuditDataTraits& traits() const override { return m_traits; }

protected:
    std::unique_ptr<IConnection> connect(MessageService& messages) const override;

private:
    ConnectionOpener m_openConnection;
    AuditDataTraits m_traits;
};

} // namespace quorvex
