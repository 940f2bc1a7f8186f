#include "sqlserver/SqlServerLoginWindow.h"

#include "components/DbException.h"
#include "components/IConnection.h"
#include "components/MessageLog.h"
#include "components/PlatformServices.h"
#include "components/Twips.h"
#include "components/WindowOperation.h"
#include "sqlserver/SqlServerManager.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>

namespace quorvex {

namespace {

const QColor inputBackground(0xE0, 0xE0, 0xE0);
const QColor inputText(0x00, 0x00, 0xC0);

void styleInput(QWidget* input) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({QStringLiteral("Fixedsys"), font.family()});
    font.setStyleHint(QFont::TypeWriter);
    input->setFont(font);
    QPalette colours = input->palette();
    colours.setColor(QPalette::Base, inputBackground);
    colours.setColor(QPalette::Text, inputText);
    input->setPalette(colours);
}

QLabel* boldLabel(const QString& text, const QString& name, const QRect& geometry,
                  QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    // Designed for a narrower font: a label may widen up to its input box rather than clip.
    const int roomBeforeInput = twipsToPixels(1800 - 60) - geometry.left();
    QRect fitted = geometry;
    fitted.setWidth(qMax(geometry.width(), qMin(label->sizeHint().width(), roomBeforeInput)));
    label->setGeometry(fitted);
    return label;
}

} // namespace

SqlServerLoginWindow::SqlServerLoginWindow(SqlServerLoginValues& login, PlatformServices& services,
                                           ServerLister listServers,
                                           MainWindowOpener openMainWindow,
                                           ChoiceWindowHider hideChoiceWindow, QWidget* parent)
    : QWidget(parent), m_login(login), m_services(services),
      m_openMainWindow(std::move(openMainWindow)), m_hideChoiceWindow(std::move(hideChoiceWindow)) {
    buildControls();
    m_operation = new WindowOperation(this);
    m_operation->blockWhileBusy({m_lstServers, m_cboDatabases, m_cmdLogin});
    this->listServers(listServers);
    // The user name comes filled in: the password is what is typed first.
    m_txtPassword->setFocus();
}

SqlServerLoginWindow::~SqlServerLoginWindow() = default;

SqlServerLoginWindow::ServerLister
SqlServerLoginWindow::networkServerLister(const QHostAddress& target, quint16 port) {
    return [target, port] {
        return SqlServerBrowser::listServers(target, port, SqlServerBrowser::defaultWait);
    };
}

QString SqlServerLoginWindow::noServerMessage() {
    return tr("Choose the server to log in to from the Server Name list, or type its name below "
              "the list.");
}

QString SqlServerLoginWindow::notConnectedMessage(const QString& server, const QString& details) {
    return tr("Quorvex could not connect to the server %1 with this user name and password, so "
              "you cannot log in yet.\r\n\r\n%2")
        .arg(server, details);
}

QString SqlServerLoginWindow::noDatabaseMessage() {
    return tr("Choose a database from the Database list or type its name.");
}

QString SqlServerLoginWindow::unknownDatabaseMessage(const QString& database,
                                                     const QString& server) {
    return tr("The server %2 has no database named \"%1\". Choose one from the Database list; "
              "a typed name must match exactly, letter case included.")
        .arg(database, server);
}

void SqlServerLoginWindow::buildControls() {
    setObjectName(QStringLiteral("frmSqlLogin"));
    setWindowTitle(QStringLiteral("Quorvex - Login"));
    // Taller than the list alone needed, by the row of the typed server below the list.
    constexpr int typedServerRow = 300;
    setFixedSize(sizeFromTwips(5160, 3705 + typedServerRow));

    m_frame1 = new QGroupBox(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(rectFromTwips(120, 120, 4815, 2775 + typedServerRow));

    // The labels of the control array Label1, by index.
    m_lblUser = boldLabel(QStringLiteral("User"), QStringLiteral("Label1(3)"),
                          rectFromTwips(360, 240, 855, 285), m_frame1);
    m_lblPassword = boldLabel(QStringLiteral("Password"), QStringLiteral("Label1(2)"),
                              rectFromTwips(360, 720, 1215, 285), m_frame1);
    m_lblServer = boldLabel(QStringLiteral("Server Name"), QStringLiteral("Label1(0)"),
                            rectFromTwips(360, 1200, 1095, 285), m_frame1);
    m_lblDatabase = boldLabel(QStringLiteral("Database"), QStringLiteral("Label1(1)"),
                              rectFromTwips(360, 1920 + typedServerRow, 1095, 285), m_frame1);

    m_txtUser = new QLineEdit(QStringLiteral("sa"), m_frame1);
    m_txtUser->setObjectName(QStringLiteral("txtUser"));
    m_txtUser->setGeometry(rectFromTwips(1800, 240, 2535, 285));
    styleInput(m_txtUser);

    m_txtPassword = new QLineEdit(m_frame1);
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    m_txtPassword->setGeometry(rectFromTwips(1800, 720, 2535, 285));
    m_txtPassword->setEchoMode(QLineEdit::Password);
    styleInput(m_txtPassword);
    // Each typed character shows as "*", whatever the platform's own mask is.
    m_txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_txtPassword->installEventFilter(this);
    connect(m_txtPassword, &QLineEdit::returnPressed, this, &SqlServerLoginWindow::passwordEntered);

    m_lstServers = new QListWidget(m_frame1);
    m_lstServers->setObjectName(QStringLiteral("lstServers"));
    m_lstServers->setGeometry(rectFromTwips(1800, 1200, 2535, 510));
    m_lstServers->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstServers->setSortingEnabled(false);
    styleInput(m_lstServers);
    m_lstServers->viewport()->installEventFilter(this);

    m_txtServer = new QLineEdit(m_frame1);
    m_txtServer->setObjectName(QStringLiteral("txtServer"));
    m_txtServer->setGeometry(rectFromTwips(1800, 1740, 2535, 285));
    m_txtServer->setPlaceholderText(tr("or type a server"));
    m_txtServer->setToolTip(tr("A server that is not listed: its host name or address, with a "
                               "port after a comma or an instance after a backslash. When "
                               "filled, it is the server logged in to."));
    styleInput(m_txtServer);
    m_txtServer->installEventFilter(this);
    connect(m_txtServer, &QLineEdit::returnPressed, this, [this] {
        m_txtServer->setModified(false);
        if (!chosenServer().isEmpty())
            listDatabases();
    });

    m_cboDatabases = new QComboBox(m_frame1);
    m_cboDatabases->setObjectName(QStringLiteral("cboDatabases"));
    m_cboDatabases->setGeometry(rectFromTwips(1800, 1920 + typedServerRow, 2535, 345));
    m_cboDatabases->setEditable(true);
    // A typed name is taken as it stands; it does not become an item of the list.
    m_cboDatabases->setInsertPolicy(QComboBox::NoInsert);
    styleInput(m_cboDatabases);

    m_cmdLogin = new QPushButton(QStringLiteral("OK"), this);
    m_cmdLogin->setObjectName(QStringLiteral("cmdLogin"));
    m_cmdLogin->setGeometry(rectFromTwips(1080, 3120 + typedServerRow, 1215, 375));
    m_cmdLogin->setAutoDefault(true);
    connect(m_cmdLogin, &QPushButton::clicked, this, &SqlServerLoginWindow::logIn);

    m_cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setGeometry(rectFromTwips(2520, 3120 + typedServerRow, 1095, 375));
    m_cmdCancel->setAutoDefault(true);
    // The whole program ends, not only this window; nothing is stored.
    connect(m_cmdCancel, &QPushButton::clicked, this,
            [this] { m_services.process.endProcessNow(0); });

    setTabOrder(m_txtUser, m_txtPassword);
    setTabOrder(m_txtPassword, m_lstServers);
    setTabOrder(m_lstServers, m_txtServer);
    setTabOrder(m_txtServer, m_cboDatabases);
    setTabOrder(m_cboDatabases, m_cmdLogin);
    setTabOrder(m_cmdLogin, m_cmdCancel);
}

void SqlServerLoginWindow::listServers(const ServerLister& lister) {
    if (!lister)
        return;
    // Servers on the network take a moment to answer.
    auto servers = std::make_shared<QStringList>();
    m_operation->run(
        tr("Looking for servers"), [lister, servers](TaskContext&) { *servers = lister(); },
        [this, servers] { m_lstServers->addItems(*servers); });
}

bool SqlServerLoginWindow::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
        // Inside the frame only the active sub-window takes the focus.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
            sub == nullptr || sub->mdiArea() == nullptr || sub->mdiArea()->activeSubWindow() == sub)
            focusPassword();
        break;
    case QEvent::ParentChange:
        watchSubWindowActivation();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

// Leaving the box, not the program: switching to another application or opening a menu is no
// exit.
bool SqlServerLoginWindow::leftTheBox(QEvent* event) {
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool SqlServerLoginWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtPassword && leftTheBox(event)) {
        if (!chosenServer().isEmpty())
            listDatabases();
    } else if (watched == m_txtServer && leftTheBox(event)) {
        // Only a server the user has typed or changed is asked: the focus also passes through
        // the box when the list is disabled during an operation.
        if (m_txtServer->isModified() && !chosenServer().isEmpty()) {
            m_txtServer->setModified(false);
            listDatabases();
        }
    } else if (watched == m_lstServers->viewport() && event->type() == QEvent::MouseButtonRelease) {
        listDatabases();
    }
    return QWidget::eventFilter(watched, event);
}

void SqlServerLoginWindow::watchSubWindowActivation() {
    // Inside the frame the window is activated as a sub-window, not as a window of its own.
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (sub == nullptr || m_watchingSubWindow)
        return;
    m_watchingSubWindow = true;
    connect(sub, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (now.testFlag(Qt::WindowActive) && !before.testFlag(Qt::WindowActive))
                    focusPassword();
            });
}

void SqlServerLoginWindow::focusPassword() {
    m_txtPassword->setFocus(Qt::ActiveWindowFocusReason);
}

void SqlServerLoginWindow::passwordEntered() {
    // With everything given, Enter is OK; otherwise there is more to fill in first.
    if (!chosenServer().isEmpty() && !m_cboDatabases->currentText().isEmpty())
        logIn();
}

QString SqlServerLoginWindow::chosenServer() const {
    const QString typed = m_txtServer->text().trimmed();
    if (!typed.isEmpty())
        return typed;
    const QList<QListWidgetItem*> chosen = m_lstServers->selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

void SqlServerLoginWindow::storeServerLogin() {
    m_login.server = chosenServer();
    m_login.user = m_txtUser->text();
    m_login.password = m_txtPassword->text();
}

namespace {

// A connection to the server's master database with the login values, on the worker; the
// databases it lists, or the driver's records.
struct DatabaseList {
    std::optional<SqlServerManager::CatalogObjectList> databases;
    DbErrorList errors;
};

DatabaseList listServerDatabases(IConnectionFactory& connections, const SqlServerLoginValues& login,
                                 TaskContext& task) {
    SqlServerManager manager(connections);
    if (!manager.connectServer(login.server, login.user, login.password))
        return {std::nullopt, manager.errors()};
    try {
        const CancelToken::Watch watch(task.cancelToken(), *manager.openConnection());
        return {manager.databases(), {}};
    } catch (const DbException& e) {
        return {std::nullopt, e.errors()};
    }
}

} // namespace

void SqlServerLoginWindow::listDatabases() {
    m_cboDatabases->clear();
    storeServerLogin();
    // Without a server there is nothing to connect to; the list stays empty.
    if (m_login.server.isEmpty() || m_operation->isBusy())
        return;
    const SqlServerLoginValues login = m_login;
    IConnectionFactory* connections = &m_services.connections;
    auto listed = std::make_shared<DatabaseList>();
    m_operation->run(
        tr("Connecting to %1").arg(login.server),
        [connections, login, listed](TaskContext& task) {
            *listed = listServerDatabases(*connections, login, task);
        },
        [this, listed] {
            // Failures leave the list empty: the user corrects the entries and clicks a server
            // again.
            if (listed->databases) {
                for (const SqlServerManager::CatalogObject& database : *listed->databases) {
                    if (!database.systemObject)
                        m_cboDatabases->addItem(database.name);
                }
            }
            // No item is chosen: the user picks or types one.
            m_cboDatabases->setCurrentIndex(-1);
        });
}

void SqlServerLoginWindow::refuse(const QString& message) {
    m_services.messages.show(message, MessageIcon::Exclamation);
}

void SqlServerLoginWindow::logIn() {
    if (m_operation->isBusy())
        return;
    storeServerLogin();
    m_login.database = m_cboDatabases->currentText();
    const SqlServerLoginValues login = m_login;

    if (login.server.isEmpty()) {
        refuse(noServerMessage());
        return;
    }
    if (login.database.isEmpty()) {
        refuse(noDatabaseMessage());
        return;
    }
    IConnectionFactory* connections = &m_services.connections;
    auto listed = std::make_shared<DatabaseList>();
    m_operation->run(
        tr("Logging in to %1").arg(login.server),
        [connections, login, listed](TaskContext& task) {
            *listed = listServerDatabases(*connections, login, task);
        },
        [this, login, listed] {
            if (!listed->databases) {
                refuse(notConnectedMessage(login.server, DbException::describe(listed->errors)));
                return;
            }
            // Every database counts here, the system's own too; the name must match exactly.
            bool found = false;
            for (const SqlServerManager::CatalogObject& database : *listed->databases)
                found = found || database.name == login.database;
            if (!found) {
                refuse(unknownDatabaseMessage(login.database, login.server));
                return;
            }
            // A main window that could not start has said why; the user may choose another
            // database.
            openMainWindowInstead(this, m_openMainWindow, *m_operation, LoginWindowEnd::Hide,
                                  m_hideChoiceWindow);
        });
}

} // namespace quorvex
