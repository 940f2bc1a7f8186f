#pragma once

#include "mainwindow/AuditBackend.h"

#include <QFrame>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace quorvex {

class BackendCalls;
class ConditionEditor;
class MessageService;
class TableListBox;

// The tab "Insert/Delete Audits" (Frame1): an audit that records inserted or deleted rows.
// The user picks a table and its columns, when to audit and the conditions, names the audit
// and presses GO; the back end saves it.
class InsertDeleteTab : public QFrame {
    Q_OBJECT

public:
    InsertDeleteTab(BackendCalls& calls, MessageService& messages, QWidget* parent = nullptr);

    // The tables that can be audited, in the order given.
    void setTables(const QStringList& tables);

    // What the tab holds right now, as GO hands it to the back end.
    AuditDefinition definition() const;

    // GO: the back end saves the audit (off the window's thread); a saved audit empties the
    // tab.
    void save();
    // RESET: every entry back to its start, the listed columns kept but unchosen.
    void reset();

Q_SIGNALS:
    // After a save that succeeded and once the tab has been emptied.
    void auditSaved();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void listColumns();
    void saved(const SaveResult& result);
    QStringList chosenColumns() const;

    BackendCalls& m_calls;
    QLineEdit* m_txtNewTableName = nullptr;
    QLineEdit* m_txtDescription = nullptr;
    TableListBox* m_lstAuditableTables = nullptr;
    QListWidget* m_lstColumns = nullptr;
    QRadioButton* m_optInsert = nullptr;
    QRadioButton* m_optDelete = nullptr;
    QPushButton* m_cmdGo = nullptr;
    QPushButton* m_cmdClear = nullptr;
    QCheckBox* m_chkRecordWho = nullptr;
    ConditionEditor* m_conditions = nullptr;
};

} // namespace quorvex
