#include "sqlbase/SqlBaseLoginWindow.h"

#include "components/TaskContext.h"
#include "components/WindowOperation.h"

#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "components/Twips.h"
#include "sqlbase/SqlBaseConnection.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorvex::sqlbase {

namespace {

// Blue text on light grey in a fixed-pitch font, as in every entry box of the program.
const QString kTextBoxStyle =
    QStringLiteral("QLineEdit { background-color: #E0E0E0; color: #0000FF; "
                   "lineedit-password-character: 42; }");

} // namespace

SqlBaseLoginWindow::SqlBaseLoginWindow(PlatformServices& services, SqlBaseLoginValues& login,
                                       MainWindowOpener openMainWindow, QWidget* parent)
    : QWidget(parent), m_services(services), m_login(login),
      m_openMainWindow(std::move(openMainWindow)) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Quorvex - Login"));
    setFixedSize(sizeFromTwips(5175, 3705));

    m_frame1 = new QGroupBox(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(rectFromTwips(120, 240, 4815, 2655));

    addLabel(0, QStringLiteral("Server Name"), 360, 1095);
    addLabel(1, QStringLiteral("Database"), 840, 1095);
    addLabel(3, QStringLiteral("User"), 1320, 855);
    addLabel(2, QStringLiteral("Password"), 1800, 1215);
    m_txtServerName = addTextBox(QStringLiteral("txtServerName"), 360);
    m_txtDatabase = addTextBox(QStringLiteral("txtDatabase"), 840);
    m_txtUser = addTextBox(QStringLiteral("txtUser"), 1320);
    m_txtUser->setText(QStringLiteral("SYSADM"));
    m_txtPassword = addTextBox(QStringLiteral("txtPassword"), 1800);
    m_txtPassword->setEchoMode(QLineEdit::Password);

    m_cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setGeometry(rectFromTwips(1200, 3120, 1215, 375));
    m_cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setGeometry(rectFromTwips(2640, 3120, 1095, 375));

    setTabOrder(m_cmdOk, m_cmdCancel);
    setTabOrder(m_cmdCancel, m_txtServerName);
    setTabOrder(m_txtServerName, m_txtDatabase);
    setTabOrder(m_txtDatabase, m_txtPassword);
    setTabOrder(m_txtPassword, m_txtUser);

    connect(m_cmdOk, &QPushButton::clicked, this, &SqlBaseLoginWindow::logIn);
    // The whole program ends, not only this window.
    connect(m_cmdCancel, &QPushButton::clicked, this,
            [this] { m_services.process.endProcessNow(0); });

    m_operation = new WindowOperation(this);
    m_operation->blockWhileBusy({m_cmdOk});
}

SqlBaseLoginWindow::~SqlBaseLoginWindow() = default;

QLabel* SqlBaseLoginWindow::addLabel(int index, const QString& text, int top, int width) {
    auto* label = new QLabel(text, m_frame1);
    label->setObjectName(QStringLiteral("Label1_%1").arg(index));
    label->setGeometry(rectFromTwips(480, top, width, 285));
    return label;
}

QLineEdit* SqlBaseLoginWindow::addTextBox(const QString& name, int top) {
    auto* box = new QLineEdit(m_frame1);
    box->setObjectName(name);
    box->setGeometry(rectFromTwips(1920, top, 2295, 285));
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box->setStyleSheet(kTextBoxStyle);
    return box;
}

void SqlBaseLoginWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_txtServerName->setFocus();
}

void SqlBaseLoginWindow::logIn() {
    if (m_operation->isBusy())
        return;
    const QString database = m_txtDatabase->text();
    const QString serverName = m_txtServerName->text();
    const QString password = m_txtPassword->text();
    // The server name reaches no connection, but an empty one means the form is not filled in.
    if (database.isEmpty() || serverName.isEmpty() || password.isEmpty())
        return;

    m_login.database = database;
    m_login.password = password;

    // A trial only: every later operation opens a connection of its own.
    const SqlBaseLoginValues login = m_login;
    IConnectionFactory* connections = &m_services.connections;
    m_operation->runLogged(
        tr("Connecting to %1").arg(database),
        [connections, login](MessageService& log, TaskContext&) {
            std::unique_ptr<IConnection> connection = connections->createConnection();
            const bool opened = openSqlBaseConnection(*connection, login, log);
            connection->close();
            return opened;
        },
        m_services.messages,
        [this] { openMainWindowInstead(this, m_openMainWindow, *m_operation); });
}

} // namespace quorvex::sqlbase
