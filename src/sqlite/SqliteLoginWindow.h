#pragma once

#include "mainwindow/MainWindowOpener.h"

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace quorvex {
struct PlatformServices;
class WindowOperation;
} // namespace quorvex

namespace quorvex::sqlite {

class SqliteFileDialogs;

// The SQLite "login": which database file to work on. The user types or picks (Browse...) an
// existing file, names a new one (New...), or has a sample database made in the user's data
// folder; the main window then opens on that file. Whatever touches a file runs off the
// window's thread.
class SqliteLoginWindow : public QWidget {
    Q_OBJECT

public:
    // `file` keeps the file the main window opens on, for the rest of the run; `sampleFile` is
    // where the sample is made. When the main window fails to open this window stays, so the
    // user can pick another file.
    SqliteLoginWindow(PlatformServices& services, QString& file, SqliteFileDialogs& dialogs,
                      QString sampleFile, MainWindowOpener openMainWindow,
                      QWidget* parent = nullptr);
    ~SqliteLoginWindow() override;

    QLineEdit* fileBox() const { return m_txtDatabaseFile; }
    QPushButton* browseButton() const { return m_cmdBrowse; }
    QPushButton* newButton() const { return m_cmdNew; }
    QPushButton* sampleButton() const { return m_cmdSample; }
    QPushButton* openButton() const { return m_cmdOpen; }
    QPushButton* cancelButton() const { return m_cmdCancel; }
    WindowOperation& operation() const { return *m_operation; }

    // Open: the main window on the file in the box, which must exist.
    void openDatabase();
    // Browse...: a file picked goes into the box.
    void browse();
    // New...: the file named is made (an empty database) and opened; an existing file is
    // opened as it is, never overwritten.
    void createDatabase();
    // "Create a sample database": a fresh sample, after asking whether to replace one made
    // before (No opens that one), then the main window on it.
    void createSample();
    // The sample as it is, made first when there is none (quorvex --sqlite-sample).
    void openSample();

    static QString replaceSampleQuestion(const QString& file);

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum class SampleFile { Keep, MakeAnew };
    void sample(SampleFile what);
    void open(const QString& file);

    PlatformServices& m_services;
    QString& m_file;
    SqliteFileDialogs& m_dialogs;
    const QString m_sampleFile;
    MainWindowOpener m_openMainWindow;
    WindowOperation* m_operation = nullptr;

    QLineEdit* m_txtDatabaseFile = nullptr;
    QPushButton* m_cmdBrowse = nullptr;
    QPushButton* m_cmdNew = nullptr;
    QPushButton* m_cmdSample = nullptr;
    QPushButton* m_cmdOpen = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quorvex::sqlite
