#pragma once

#include "mainwindow/AuditBackend.h"

#include <QFrame>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quorvex {

class BackendCalls;
class ConditionEditor;
class Grid;
class MessageService;
class TableListBox;

// The tab "Update Audits" (Frame5): an audit that records updated rows. Its columns are the
// rows of a grid whose second column says whether the old value is kept too; a click on a row
// (outside that flag) chooses or unchooses the column and lists it under "If these fields
// changed", in the order chosen, where the user picks the fields whose change fires the audit.
class UpdateTab : public QFrame {
    Q_OBJECT

public:
    UpdateTab(BackendCalls& calls, MessageService& messages, QWidget* parent = nullptr);

    void setTables(const QStringList& tables);

    AuditDefinition definition() const;

    void save();
    void reset();

Q_SIGNALS:
    void auditSaved();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void listColumns();
    void showColumns(const QStringList& columns);
    void saved(const SaveResult& result);
    void columnClicked(int column);
    QStringList chosenColumns() const;

    BackendCalls& m_calls;
    QString m_initialOldValueFlag;
    bool m_resetClearsChangedFields = true;
    QLineEdit* m_txtUpdateNewTableName = nullptr;
    QLineEdit* m_txtUpdateDescription = nullptr;
    TableListBox* m_lstUpdateAuditableTables = nullptr;
    Grid* m_lstUpdateColumns = nullptr;
    QListWidget* m_lstUpdateFieldsChanged = nullptr;
    QPushButton* m_cmdUpdateGo = nullptr;
    QPushButton* m_cmdUpdateClear = nullptr;
    QCheckBox* m_chkUpdateChangedValuesOnly = nullptr;
    QCheckBox* m_chkUpdateRecordWho = nullptr;
    ConditionEditor* m_conditions = nullptr;
};

} // namespace quorvex
