#pragma once

#include <QString>
#include <QStringList>

namespace quorvex {
class IConnectionFactory;
class MessageService;
class TaskContext;
} // namespace quorvex

namespace quorvex::sqlite {

// A small database anyone can try Quorvex on: CUSTOMERS, ORDERS and "ORDER LINES" (a name with
// a blank), a few hundred rows in all, the same every time.
class SqliteSample {
public:
    // The file in the user's data folder.
    static QString defaultFile();

    // The statements that make the sample in an empty database, in order.
    static QStringList statements();

    // Makes a fresh sample at `file`, replacing one that is there; the new database is made
    // beside it and takes its place only once complete, so a failure or a cancel leaves the
    // old file as it was. False once the failure has been told (not a cancel).
    static bool create(IConnectionFactory& connections, const QString& file,
                       MessageService& messages, TaskContext& task);
};

} // namespace quorvex::sqlite
