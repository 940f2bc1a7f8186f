#pragma once

#include "mainwindow/MainWindowOpener.h"
#include "sqlbase/SqlBaseLoginValues.h"

#include <QString>
#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvex {
struct PlatformServices;
class WindowOperation;
} // namespace quorvex

namespace quorvex::sqlbase {

// The SQLBase login (frmLogin): the server, database and password typed by hand, proved by
// opening one connection, then the main window. The user box is shown for the user's
// information only: every connection logs on as SYSADM.
class SqlBaseLoginWindow : public QWidget {
    Q_OBJECT

public:
    // `openMainWindow` runs the SQLBase start-up and shows the main window; when the start-up
    // fails this window stays, so the user can try again or cancel. The trial connection and
    // the start-up run off the window's thread.
    SqlBaseLoginWindow(PlatformServices& services, SqlBaseLoginValues& login,
                       MainWindowOpener openMainWindow, QWidget* parent = nullptr);
    ~SqlBaseLoginWindow() override;

    QLineEdit* serverNameBox() const { return m_txtServerName; }
    QLineEdit* databaseBox() const { return m_txtDatabase; }
    QLineEdit* userBox() const { return m_txtUser; }
    QLineEdit* passwordBox() const { return m_txtPassword; }
    QPushButton* okButton() const { return m_cmdOk; }
    QPushButton* cancelButton() const { return m_cmdCancel; }
    WindowOperation& operation() const { return *m_operation; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void logIn();
    QLineEdit* addTextBox(const QString& name, int top);
    QLabel* addLabel(int index, const QString& text, int top, int width);

    PlatformServices& m_services;
    SqlBaseLoginValues& m_login;
    MainWindowOpener m_openMainWindow;
    WindowOperation* m_operation = nullptr;

    QGroupBox* m_frame1 = nullptr;
    QLineEdit* m_txtServerName = nullptr;
    QLineEdit* m_txtDatabase = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtPassword = nullptr;
    QPushButton* m_cmdOk = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quorvex::sqlbase
