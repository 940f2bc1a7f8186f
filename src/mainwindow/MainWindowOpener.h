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

// What becomes of the login window once the main window has started.
enum class LoginWindowEnd { Close, Hide };

// The main window opened as an operation of the login window `login`; once it has started, the
// login window closes or hides (inside the frame: its sub-window), then `afterOpened` runs.
// Nothing without an opener.
void openMainWindowInstead(QWidget* login, const MainWindowOpener& openMainWindow,
                           WindowOperation& operation, LoginWindowEnd end = LoginWindowEnd::Close,
                           std::function<void()> afterOpened = {});

} // namespace quorvex
