#include "shell/MainFrame.h"

#include "shell/AboutBox.h"
#include "shell/SelectionWindow.h"
#include "components/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>

namespace quorvex {

namespace {

const QString helpFileName = QStringLiteral("Quorvex.htm");

} // namespace

MainFrame::MainFrame(PlatformServices& services, BackendLaunchers launchers, QWidget* parent)
    : QMainWindow(parent), m_services(services), m_launchers(std::move(launchers)) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("MDIForm1"));

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    // The desktop's colour for the empty workspace of a document frame.
    m_mdiArea->setBackground(palette().brush(QPalette::Dark));
    // A child larger than the room the screen leaves is reached by scrolling.
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);

    buildMenus();

    const QSize client = sizeFromTwips(8790, 6795);
    resize(client.width(), client.height() + menuBar()->sizeHint().height());

    openSelectionWindow();
}

MainFrame::~MainFrame() = default;

void MainFrame::buildMenus() {
    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuExit = m_mnuFile->addAction(QStringLiteral("&Exit"));
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(m_mnuExit, &QAction::triggered, this, &MainFrame::exitNow);

    m_mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    m_mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    m_mnushowhelp = m_mnuHelp->addAction(QStringLiteral("Help File"));
    m_mnushowhelp->setObjectName(QStringLiteral("mnushowhelp"));
    connect(m_mnushowhelp, &QAction::triggered, this, &MainFrame::showHelp);
    m_mnuabout = m_mnuHelp->addAction(QStringLiteral("About"));
    m_mnuabout->setObjectName(QStringLiteral("mnuabout"));
    connect(m_mnuabout, &QAction::triggered, this, &MainFrame::showAbout);
}

QMdiSubWindow* MainFrame::addChild(QWidget* child) {
    if (child == nullptr) {
        return nullptr;
    }
    QMdiSubWindow* sub = m_mdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    const bool fixedSize = child->minimumSize() == child->maximumSize();
    if (fixedSize) {
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        sub->adjustSize();
        sub->setFixedSize(sub->size());
    }
    sub->show();
    showWhole(sub);
    return sub;
}

void MainFrame::showWhole(QMdiSubWindow* sub) {
    // The frame grows to hold the child, as far as the screen allows. The workspace grows by
    // what the frame grows (its layout catches up later).
    QSize area = m_mdiArea->viewport()->size();
    const QSize missing(std::max(0, sub->width() - area.width()),
                        std::max(0, sub->height() - area.height()));
    if (missing.width() > 0 || missing.height() > 0) {
        QSize wanted = size() + missing;
        const QScreen* screen = this->screen();
        const QRect available = screen ? screen->availableGeometry() : QRect();
        if (available.isValid()) {
            // The window's own border comes on top of its size.
            const QSize border = frameGeometry().size() - size();
            wanted = wanted.boundedTo(available.size() - border);
        }
        area += wanted - size();
        resize(wanted);
        if (available.isValid()) {
            // Moved back onto the screen when growing pushed it over an edge.
            const QSize outer = wanted + (frameGeometry().size() - size());
            move(std::max(available.left(), std::min(x(), available.right() + 1 - outer.width())),
                 std::max(available.top(), std::min(y(), available.bottom() + 1 - outer.height())));
        }
    }
    // The child starts inside the workspace, never left of or above it; what still does not
    // fit is reached with the scroll bars.
    sub->move(std::max(0, std::min(sub->x(), area.width() - sub->width())),
              std::max(0, std::min(sub->y(), area.height() - sub->height())));
}

SelectionWindow* MainFrame::selectionWindow() const {
    return m_selection.data();
}

void MainFrame::hideSelectionWindow() {
    if (m_selection == nullptr) {
        return;
    }
    if (QMdiSubWindow* sub = subWindowOf(m_selection)) {
        sub->hide();
    } else {
        m_selection->hide();
    }
}

AboutBox* MainFrame::aboutBox() const {
    return m_about.data();
}

void MainFrame::openSelectionWindow() {
    auto* selection = new SelectionWindow;
    m_selection = selection;
    connect(selection, &SelectionWindow::backendChosen, this, &MainFrame::chooseBackend);
    addChild(selection);
}

void MainFrame::chooseBackend(BackendChoice choice) {
    const auto& launch = choice == BackendChoice::SqlServer ? m_launchers.sqlServerLogin
                         : choice == BackendChoice::SqlBase ? m_launchers.sqlBaseLogin
                                                            : m_launchers.sqliteLogin;
    QWidget* login = launch ? launch(*this) : nullptr;
    if (login == nullptr) {
        // Without a login window to go to, the choice window stays so the user is not left in
        // an empty frame.
        return;
    }
    addChild(login);

    // The choice is made once per run: the choice window goes for good.
    SelectionWindow* selection = m_selection.data();
    m_selection.clear();
    if (selection == nullptr) {
        return;
    }
    if (QMdiSubWindow* sub = subWindowOf(selection)) {
        sub->close();
    } else {
        selection->close();
        selection->deleteLater();
    }
}

QMdiSubWindow* MainFrame::subWindowOf(QWidget* child) {
    return qobject_cast<QMdiSubWindow*>(child->parentWidget());
}

void MainFrame::exitNow() {
    // Ends the run on the spot; no window gets to do its closing work.
    m_services.process.endProcessNow(0);
}

void MainFrame::showHelp() {
    // The page sits next to the program file, wherever the program was started from. What the
    // desktop makes of it (a missing page included) is the desktop's own affair.
    const QString path = QDir(m_services.desktop.programFolder()).filePath(helpFileName);
    m_services.desktop.openFile(path);
}

void MainFrame::showAbout() {
    if (m_about == nullptr) {
        m_about = new AboutBox(m_services.messages, this);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    QList<QPointer<QMdiSubWindow>> children;
    for (QMdiSubWindow* child : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        children.append(child);
    }
    for (const QPointer<QMdiSubWindow>& child : children) {
        if (child != nullptr && !child->close()) {
            event->ignore();
            return;
        }
    }
    // The About box belongs to the run, not to a child: it goes with the frame.
    if (m_about != nullptr) {
        m_about->close();
    }
    event->accept();
}

} // namespace quorvex
