#pragma once

#include "shell/BackendChoice.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace quorvex {

class ProcessControl;

// Stands where a back end's login window will go while that back end is not part of this
// version. Its Cancel ends the program, as a login window's Cancel does.
class PlaceholderLoginWindow : public QWidget {
    Q_OBJECT

public:
    PlaceholderLoginWindow(BackendChoice backend, ProcessControl& process,
                           QWidget* parent = nullptr);

    QPushButton* cancelButton() const { return m_cmdCancel; }

private:
    ProcessControl& m_process;
    QLabel* m_lblNotice = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quorvex
