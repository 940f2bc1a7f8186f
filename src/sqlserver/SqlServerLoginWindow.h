#pragma once

#include "mainwindow/MainWindowOpener.h"
#include "sqlserver/SqlServerBrowser.h"
#include "sqlserver/SqlServerLoginValues.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quorvex {

struct PlatformServices;
class WindowOperation;

// frmSqlLogin: the user picks a server from those on the network, or types one that neither
// answers on the network nor is configured ("host", "host,port", "host\instance"), gives the user
// name and password, picks or types a database, and OK (or Enter in the password box) opens the
// SQL Server main window. The login values
// stay for the whole run. Listing the servers and databases and checking the login run off the
// window's thread, one at a time, with Cancel.
class SqlServerLoginWindow : public QWidget {
    Q_OBJECT

public:
    // Lists the servers a login can choose from, run once when the window is made.
    using ServerLister = std::function<QStringList()>;
    // Hides the back-end choice window after a login.
    using ChoiceWindowHider = std::function<void()>;

    SqlServerLoginWindow(SqlServerLoginValues& login, PlatformServices& services,
                         ServerLister listServers, MainWindowOpener openMainWindow,
                         ChoiceWindowHider hideChoiceWindow, QWidget* parent = nullptr);
    ~SqlServerLoginWindow() override;

    // The servers whose Browser service answers at target (the broadcast address on the
    // network), with those of the FreeTDS configuration.
    static ServerLister
    networkServerLister(const QHostAddress& target = QHostAddress(QHostAddress::Broadcast),
                        quint16 port = SqlServerBrowser::browserPort);

    // The messages of a refused login.
    static QString noServerMessage();
    static QString notConnectedMessage(const QString& server, const QString& details);
    static QString noDatabaseMessage();
    static QString unknownDatabaseMessage(const QString& database, const QString& server);

    QLineEdit* userBox() const { return m_txtUser; }
    QLineEdit* passwordBox() const { return m_txtPassword; }
    QListWidget* serverList() const { return m_lstServers; }
    // A server typed beside the list; when filled it is the one logged in to.
    QLineEdit* typedServerBox() const { return m_txtServer; }
    QComboBox* databaseBox() const { return m_cboDatabases; }
    QPushButton* loginButton() const { return m_cmdLogin; }
    QPushButton* cancelButton() const { return m_cmdCancel; }
    WindowOperation& operation() const { return *m_operation; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void listServers(const ServerLister& lister);
    void listDatabases();
    void logIn();
    void refuse(const QString& message);
    void storeServerLogin();
    QString chosenServer() const;
    void focusPassword();
    void passwordEntered();
    static bool leftTheBox(QEvent* event);
    void watchSubWindowActivation();

    SqlServerLoginValues& m_login;
    PlatformServices& m_services;
    MainWindowOpener m_openMainWindow;
    ChoiceWindowHider m_hideChoiceWindow;
    WindowOperation* m_operation = nullptr;
    bool m_watchingSubWindow = false;

    QGroupBox* m_frame1 = nullptr;
    QLabel* m_lblUser = nullptr;
    QLabel* m_lblPassword = nullptr;
    QLabel* m_lblServer = nullptr;
    QLabel* m_lblDatabase = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtPassword = nullptr;
    QListWidget* m_lstServers = nullptr;
    QLineEdit* m_txtServer = nullptr;
    QComboBox* m_cboDatabases = nullptr;
    QPushButton* m_cmdLogin = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quorvex
