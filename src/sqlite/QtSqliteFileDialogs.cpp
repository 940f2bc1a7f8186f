#include "sqlite/QtSqliteFileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace quorvex::sqlite {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("QtSqliteFileDialogs", text);
}

QString filters() {
    return tr("SQLite databases (*.db *.sqlite *.sqlite3 *.db3);;All files (*)");
}

} // namespace

QString QtSqliteFileDialogs::existingFile(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, tr("Open a SQLite database file"), folder,
                                        filters());
}

QString QtSqliteFileDialogs::newFile(QWidget* parent, const QString& folder) {
    // An existing file is refused by the login window, so the dialog need not ask.
    return QFileDialog::getSaveFileName(parent, tr("New SQLite database file"), folder, filters(),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

} // namespace quorvex::sqlite
