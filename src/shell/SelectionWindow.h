#pragma once

#include "shell/BackendChoice.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quorvex {

// The back-end choice at start-up (frmSelection). OK with a back end chosen reports the choice;
// OK with none chosen does nothing. Whoever shows the window opens the login and unloads it.
class SelectionWindow : public QWidget {
    Q_OBJECT

public:
    explicit SelectionWindow(QWidget* parent = nullptr);

    QPushButton* okButton() const { return m_cmdOk; }
    QRadioButton* sqlServerOption() const { return m_optSqlServer; }
    QRadioButton* sqlBaseOption() const { return m_optSqlBase; }
    QRadioButton* sqliteOption() const { return m_optSqlite; }

Q_SIGNALS:
    void backendChosen(quorvex::BackendChoice choice);

private:
    void confirmChoice();

    QLabel* m_label1 = nullptr;
    QRadioButton* m_optSqlServer = nullptr;
    QRadioButton* m_optSqlBase = nullptr;
    QRadioButton* m_optSqlite = nullptr;
    QButtonGroup* m_backends = nullptr;
    QPushButton* m_cmdOk = nullptr;
};

} // namespace quorvex
