#pragma once

#include "SqliteTestFile.h"

#include "sqlite/SqliteFileDialogs.h"
#include "sqlite/SqliteLoginWindow.h"
#include "support/FrameDriver.h"

#include <deque>

namespace quorvex::testing {

// File dialogs that answer from a script, each answer once; nothing scripted: cancelled.
class ScriptedFileDialogs : public sqlite::SqliteFileDialogs {
public:
    std::deque<QString> existing;
    std::deque<QString> created;
    QString existingFile(QWidget*, const QString&) override { return next(existing); }
    QString newFile(QWidget*, const QString&) override { return next(created); }

private:
    static QString next(std::deque<QString>& answers) {
        if (answers.empty())
            return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// The program on a SQLite file (Debian's SQLite ODBC driver), driven as a user drives it; the
// file dialogs answer from a script. The file shop.db and the sample lie in the working folder.
class SqliteStand : public FrameDriver {
public:
    SqliteStand() {
        auto scripted = std::make_unique<ScriptedFileDialogs>();
        dialogs = scripted.get();
        state.sqliteFileDialogs = std::move(scripted);
        state.sqliteSampleFile = inFolder("data/sample.db");
        startFrame([] { return QStringList(); });
    }

    SqliteTestFile db{inFolder("shop.db"), SqliteTestFile::Place::Given};
    ScriptedFileDialogs* dialogs = nullptr;

    sqlite::SqliteLoginWindow* login() const {
        return frame->findChild<sqlite::SqliteLoginWindow*>();
    }
    bool openLogin() {
        return choose(&SelectionWindow::sqliteOption) &&
               waitFor([this] { return login() != nullptr && login()->isVisible(); });
    }
    // Until the main window is shown or a message is said beyond those said already.
    bool mainWindowShown() {
        const auto shown = [this] { return mainWindow() != nullptr && mainWindow()->isVisible(); };
        waitForOutcome(messages.shown().size(), shown);
        return shown();
    }
};

} // namespace quorvex::testing
