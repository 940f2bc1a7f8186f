#pragma once

#include "sqlite/SqliteFileDialogs.h"

namespace quorvex::sqlite {

// The desktop's file dialogs.
class QtSqliteFileDialogs : public SqliteFileDialogs {
public:
    QString existingFile(QWidget* parent, const QString& folder) override;
    QString newFile(QWidget* parent, const QString& folder) override;
};

} // namespace quorvex::sqlite
