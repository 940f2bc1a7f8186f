#pragma once

#include <functional>

class QWidget;

namespace quorvex {

// Puts a window on screen the first time: the program makes it a child of the main frame
// (MainFrame::addChild); tests leave it empty and the window shows on its own.
using WindowPresenter = std::function<void(QWidget& window)>;

// Shows a window that is kept for the rest of the run: the first time through `present`, later
// by showing and raising it where it already is. Its frame's close only hides it, so its
// contents and choices survive until it is shown again.
void presentKeptWindow(QWidget& window, const WindowPresenter& present);

} // namespace quorvex
