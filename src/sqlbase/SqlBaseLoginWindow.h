#pragma once

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
}

namespace quorvex::sqlbase {

// The SQLBase login (frmLogin): the server, database and password typed by hand, proved by
// opening one connection, then the main window. The user box is shown for the user's
// information only: every connection logs on as SYSADM.
class SqlBaseLoginWindow : public QWidget {
    Q_OBJECT

public:
    // `openMainWindow` shows the SQLBase main window and returns false when its start-up
    // failed; this window then stays, so the user can try again or cancel.
    SqlBaseLoginWindow(PlatformServices& services, SqlBaseLoginValues& login,
                       std::function<bool()> openMainWindow, QWidget* parent = nullptr);

    QLineEdit* serverNameBox() const { return m_txtServerName; }
    QLineEdit* databaseBox() const { return m_txtDatabase; }
    QLineEdit* userBox() const { return m_txtUser; }
    QLineEdit* passwordBox() const { return m_txtPassword; }
    QPushButton* okButton() const { return m_cmdOk; }
    QPushButton* cancelButton() const { return m_cmdCancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void logIn();
    void unload();
    QLineEdit* addTextBox(const QString& name, int top);
    QLabel* addLabel(int index, const QString& text, int top, int width);

    PlatformServices& m_services;
    SqlBaseLoginValues& m_login;
    std::function<bool()> m_openMainWindow;

    QGroupBox* m_frame1 = nullptr;
    QLineEdit* m_txtServerName = nullptr;
    QLineEdit* m_txtDatabase = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtPassword = nullptr;
    QPushButton* m_cmdOk = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quorvex::sqlbase
