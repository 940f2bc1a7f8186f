#include "shell/SelectionWindow.h"

#include "components/Twips.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace quorvex {

SelectionWindow::SelectionWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSelection"));
    setWindowTitle(QStringLiteral("Choose DB Sever Type"));
    // The third back end, SQLite, adds a row below the two of the first design.
    setFixedSize(sizeFromTwips(2910, 3645));

    // Creation order is the tab order: OK first, then the back ends; the label takes no focus.
    m_cmdOk = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setGeometry(rectFromTwips(720, 2640, 1215, 495));
    // Enter on the focused button presses it, as with any command button.
    m_cmdOk->setAutoDefault(true);
    connect(m_cmdOk, &QPushButton::clicked, this, &SelectionWindow::confirmChoice);

    m_optSqlServer = new QRadioButton(QStringLiteral("MS SQL Server"), this);
    m_optSqlServer->setObjectName(QStringLiteral("optSqlServer"));
    m_optSqlServer->setGeometry(rectFromTwips(480, 720, 2175, 375));

    m_optSqlBase = new QRadioButton(QStringLiteral("Centura SQLBase"), this);
    m_optSqlBase->setObjectName(QStringLiteral("optSqlBase"));
    m_optSqlBase->setGeometry(rectFromTwips(480, 1320, 2295, 375));

    m_optSqlite = new QRadioButton(QStringLiteral("SQLite database file"), this);
    m_optSqlite->setObjectName(QStringLiteral("optSqlite"));
    m_optSqlite->setGeometry(rectFromTwips(480, 1920, 2295, 375));

    // One group, nothing chosen at the start: the user has to pick a back end.
    m_backends = new QButtonGroup(this);
    m_backends->setExclusive(true);
    m_backends->addButton(m_optSqlServer);
    m_backends->addButton(m_optSqlBase);
    m_backends->addButton(m_optSqlite);

    m_label1 = new QLabel(QStringLiteral("Connect to"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(rectFromTwips(120, 240, 2775, 255));
    QFont labelFont = m_label1->font();
    labelFont.setBold(true);
    m_label1->setFont(labelFont);

    m_cmdOk->setFocus();
}

void SelectionWindow::confirmChoice() {
    if (m_optSqlServer->isChecked()) {
        Q_EMIT backendChosen(BackendChoice::SqlServer);
    } else if (m_optSqlBase->isChecked()) {
        Q_EMIT backendChosen(BackendChoice::SqlBase);
    } else if (m_optSqlite->isChecked()) {
        Q_EMIT backendChosen(BackendChoice::Sqlite);
    }
}

} // namespace quorvex
