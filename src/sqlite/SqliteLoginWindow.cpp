#include "sqlite/SqliteLoginWindow.h"

#include "components/ControlBuilders.h"
#include "components/IConnection.h"
#include "components/PlatformServices.h"
#include "components/TaskContext.h"
#include "components/Twips.h"
#include "components/WindowOperation.h"
#include "sqlite/SqliteConnection.h"
#include "sqlite/SqliteFileDialogs.h"
#include "sqlite/SqliteSample.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorvex::sqlite {

SqliteLoginWindow::SqliteLoginWindow(PlatformServices& services, QString& file,
                                     SqliteFileDialogs& dialogs, QString sampleFile,
                                     MainWindowOpener openMainWindow, QWidget* parent)
    : QWidget(parent), m_services(services), m_file(file), m_dialogs(dialogs),
      m_sampleFile(std::move(sampleFile)), m_openMainWindow(std::move(openMainWindow)) {
    setObjectName(QStringLiteral("frmSqliteLogin"));
    setWindowTitle(tr("Quorvex - SQLite database file"));
    setFixedSize(sizeFromTwips(6600, 3240));
    setFont(windowFont());

    newLabel(this, QStringLiteral("Label1"), tr("Database file"), 240, 240, 4815, 255);
    m_txtDatabaseFile = newTextBox(this, QStringLiteral("txtDatabaseFile"), 240, 540, 4815, 285);
    m_txtDatabaseFile->setText(m_file);
    m_cmdBrowse = quorvex::newButton(this, QStringLiteral("cmdBrowse"), tr("Browse..."), 5220, 495,
                                     1140, 375);
    m_cmdNew =
        quorvex::newButton(this, QStringLiteral("cmdNew"), tr("New..."), 5220, 960, 1140, 375);

    auto* hint = newLabel(this, QStringLiteral("Label2"),
                          tr("No database at hand? The sample holds CUSTOMERS, ORDERS and "
                             "ORDER LINES, a few hundred rows, in your data folder."),
                          240, 1080, 4815, 540);
    hint->setWordWrap(true);
    QFont plain = hint->font();
    plain.setBold(false);
    hint->setFont(plain);
    m_cmdSample = quorvex::newButton(this, QStringLiteral("cmdSample"),
                                     tr("Create a sample database"), 240, 1740, 3000, 375);

    m_cmdOpen =
        quorvex::newButton(this, QStringLiteral("cmdOpen"), tr("&Open"), 3720, 2640, 1215, 375);
    m_cmdOpen->setDefault(true);
    m_cmdCancel =
        quorvex::newButton(this, QStringLiteral("cmdCancel"), tr("&Cancel"), 5160, 2640, 1200, 375);

    connect(m_txtDatabaseFile, &QLineEdit::returnPressed, this, &SqliteLoginWindow::openDatabase);
    connect(m_cmdOpen, &QPushButton::clicked, this, &SqliteLoginWindow::openDatabase);
    connect(m_cmdBrowse, &QPushButton::clicked, this, &SqliteLoginWindow::browse);
    connect(m_cmdNew, &QPushButton::clicked, this, &SqliteLoginWindow::createDatabase);
    connect(m_cmdSample, &QPushButton::clicked, this, &SqliteLoginWindow::createSample);
    // The whole program ends, as on the other logins.
    connect(m_cmdCancel, &QPushButton::clicked, this,
            [this] { m_services.process.endProcessNow(0); });

    m_operation = new WindowOperation(this);
    m_operation->blockWhileBusy({m_cmdOpen, m_cmdBrowse, m_cmdNew, m_cmdSample});
}

SqliteLoginWindow::~SqliteLoginWindow() = default;

QString SqliteLoginWindow::replaceSampleQuestion(const QString& file) {
    return tr("A sample database was made before, in %1. Replace it with a new one? (No opens "
              "it as it is.)")
        .arg(QDir::toNativeSeparators(file));
}

void SqliteLoginWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_txtDatabaseFile->setFocus();
}

void SqliteLoginWindow::browse() {
    if (m_operation->isBusy())
        return;
    const QString picked =
        m_dialogs.existingFile(this, QFileInfo(m_txtDatabaseFile->text()).path());
    if (!picked.isEmpty())
        m_txtDatabaseFile->setText(QDir::toNativeSeparators(picked));
}

void SqliteLoginWindow::openDatabase() {
    if (m_operation->isBusy())
        return;
    const QString file = QDir::fromNativeSeparators(m_txtDatabaseFile->text().trimmed());
    if (file.isEmpty())
        return;
    if (!QFileInfo(file).isFile()) {
        m_services.messages.show(missingFileMessage(file) + QStringLiteral("\r\n\r\n") +
                                 tr("Use New... to make a new database file."));
        return;
    }
    open(file);
}

void SqliteLoginWindow::createDatabase() {
    if (m_operation->isBusy())
        return;
    const QString file = m_dialogs.newFile(this, QFileInfo(m_txtDatabaseFile->text()).path());
    if (file.isEmpty())
        return;
    m_txtDatabaseFile->setText(QDir::toNativeSeparators(file));
    if (QFileInfo(file).exists()) {
        open(file);
        return;
    }
    // Opening makes the file, an empty database.
    IConnectionFactory* connections = &m_services.connections;
    m_operation->runLogged(
        tr("Making %1").arg(QDir::toNativeSeparators(file)),
        [connections, file](MessageService& log, TaskContext&) {
            std::unique_ptr<IConnection> connection =
                openSqliteConnection(*connections, file, log, SqliteFileUse::NewFile);
            if (!connection)
                return false;
            connection->close();
            return QFileInfo(file).isFile();
        },
        m_services.messages, [this, file] { open(file); });
}

void SqliteLoginWindow::createSample() {
    sample(SampleFile::MakeAnew);
}

void SqliteLoginWindow::openSample() {
    sample(SampleFile::Keep);
}

void SqliteLoginWindow::sample(SampleFile what) {
    if (m_operation->isBusy())
        return;
    const QString file = m_sampleFile;
    m_txtDatabaseFile->setText(QDir::toNativeSeparators(file));
    if (QFileInfo(file).isFile() &&
        (what == SampleFile::Keep ||
         !m_services.messages.askYesNo(replaceSampleQuestion(file), MessageIcon::Question))) {
        open(file);
        return;
    }
    IConnectionFactory* connections = &m_services.connections;
    m_operation->runLogged(
        tr("Making the sample database"),
        [connections, file](MessageService& log, TaskContext& task) {
            return SqliteSample::create(*connections, file, log, task);
        },
        m_services.messages, [this, file] { open(file); });
}

void SqliteLoginWindow::open(const QString& file) {
    m_file = QFileInfo(file).absoluteFilePath();
    openMainWindowInstead(this, m_openMainWindow, *m_operation);
}

} // namespace quorvex::sqlite
