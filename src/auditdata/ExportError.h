#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace quorvex {

// A file writer's failure (the disk, the file, a value the format cannot hold), carrying the
// text to show.
class ExportError : public std::exception {
public:
    explicit ExportError(QString message)
        : m_message(std::move(message)), m_what(m_message.toUtf8()) {}

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

} // namespace quorvex
