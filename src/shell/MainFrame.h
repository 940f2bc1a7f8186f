#pragma once

#include "components/PlatformServices.h"
#include "shell/BackendChoice.h"
#include "shell/BackendLaunchers.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace quorvex {

class AboutBox;
class SelectionWindow;

// The program's one frame window (MDIForm1): every window but the About box opens inside it.
// It owns no data; it opens the back-end choice at start and carries the File and Help menus.
class MainFrame : public QMainWindow {
    Q_OBJECT

public:
    MainFrame(PlatformServices& services, BackendLaunchers launchers, QWidget* parent = nullptr);
    ~MainFrame() override;

    // Shows a window as a child of the frame and returns the sub-window holding it. A child
    // with a fixed size gets a fixed border without maximize and minimize buttons. The frame
    // grows to show the child whole (within the screen); the child never starts left of or
    // above the workspace, and scroll bars reach what does not fit.
    QMdiSubWindow* addChild(QWidget* child);

    // The back-end choice window while it is loaded; null once the choice has been made.
    SelectionWindow* selectionWindow() const;
    // Hides the choice window if it is still loaded (after a successful login).
    void hideSelectionWindow();

    // What OK on the choice window does: the back end's login window opens and the choice
    // window goes; with no login window to go to, it stays. Also for a start that names its
    // back end on the command line.
    void chooseBackend(BackendChoice choice);

    // The About box once it has been asked for; null before.
    AboutBox* aboutBox() const;

    PlatformServices& services() const { return m_services; }
    QMdiArea* mdiArea() const { return m_mdiArea; }

    // The menu commands, also reachable through their actions.
    void exitNow();
    void showHelp();
    void showAbout();

protected:
    // Closing the frame closes every child with its own close handling first; a child that
    // refuses keeps the frame open.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void openSelectionWindow();
    static QMdiSubWindow* subWindowOf(QWidget* child);
    void showWhole(QMdiSubWindow* sub);

    PlatformServices& m_services;
    BackendLaunchers m_launchers;
    QMdiArea* m_mdiArea = nullptr;
    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuHelp = nullptr;
    QAction* m_mnuExit = nullptr;
    QAction* m_mnushowhelp = nullptr;
    QAction* m_mnuabout = nullptr;
    QPointer<SelectionWindow> m_selection;
    QPointer<AboutBox> m_about;
};

} // namespace quorvex
