#pragma once

#include <functional>

class QWidget;

namespace quorvex {

class MainFrame;

// How the frame opens a back end's login window. Each launcher makes the login window and
// returns it; the frame then shows it as one of its children. The frame is passed in so the
// login window can reach it later (to open the main window, to hide the choice window).
// A launcher that returns nothing leaves the choice window open.
struct BackendLaunchers {
    std::function<QWidget*(MainFrame&)> sqlServerLogin;
    std::function<QWidget*(MainFrame&)> sqlBaseLogin;
    std::function<QWidget*(MainFrame&)> sqliteLogin;
};

} // namespace quorvex
