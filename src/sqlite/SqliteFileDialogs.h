#pragma once

#include <QString>

class QWidget;

namespace quorvex::sqlite {

// How the SQLite login window asks the user for a file; tests answer from a script.
class SqliteFileDialogs {
public:
    virtual ~SqliteFileDialogs() = default;
    // An existing database file; empty when the user cancelled.
    virtual QString existingFile(QWidget* parent, const QString& folder) = 0;
    // The name of a database file to create; empty when the user cancelled.
    virtual QString newFile(QWidget* parent, const QString& folder) = 0;
};

} // namespace quorvex::sqlite
