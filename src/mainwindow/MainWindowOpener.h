#pragma once

#include <functional>

class QWidget;

namespace quorvex {

class WindowOperation;

// What a login window calls once the login values are accepted: the back end's start-up runs
// as an operation of the login window (its panel shows, its Cancel reaches it), and `then` is
// told on the window's thread whether the main window opened. A start-up that failed has told
// why; the login window stays for another try.
using MainWindowOpener =
    std::function<void(WindowOperation& operation, std::function<void(bool opened)> then)>;

// The main window opened as an operation of the login window `login`; once it has started, the
// login window closes (inside the frame: its sub-window). Nothing without an opener.
void openMainWindowInstead(QWidget* login, const MainWindowOpener& openMainWindow,
                           WindowOperation& operation);

} // namespace quorvex
