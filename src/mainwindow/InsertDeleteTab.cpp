#include "mainwindow/InsertDeleteTab.h"

#include "components/ControlBuilders.h"
#include "components/Twips.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditOptionBoxes.h"
#include "mainwindow/BackendCalls.h"
#include "mainwindow/ConditionEditor.h"
#include "mainwindow/TableListBox.h"
#include "mainwindow/UpperCaseOnFocusOut.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace quorvex {

InsertDeleteTab::InsertDeleteTab(BackendCalls& calls, MessageService& messages, QWidget* parent)
    : QFrame(parent), m_calls(calls) {
    setObjectName(QStringLiteral("Frame1"));
    const MainWindowTraits& traits = calls.traits();

    newShape(this, QStringLiteral("Shape1"), 120, 660, 10215, 4080);

    newLabel(this, QStringLiteral("Label4"), QStringLiteral("Audit Name"), 240, 120, 2295, 240);
    m_txtNewTableName = newTextBox(this, QStringLiteral("txtNewTableName"), 240, 360, 2295, 285);
    m_txtNewTableName->setMaxLength(traits.nameMaxLength);
    if (traits.upperCaseNamesOnExit)
        UpperCaseOnFocusOut::attachTo(m_txtNewTableName);

    newLabel(this, QStringLiteral("Label5"), QStringLiteral("Description"), 2760, 120, 7575, 240);
    m_txtDescription = newTextBox(this, QStringLiteral("txtDescription"), 2760, 360, 7575, 285);
    m_txtDescription->setMaxLength(200);

    newLabel(this, QStringLiteral("Label1"), QStringLiteral("Visual Tables"), 360, 960, 2655, 240);
    m_lstAuditableTables = new TableListBox(traits.columnsListed, this);
    m_lstAuditableTables->setObjectName(QStringLiteral("lstAuditableTables"));
    placeAt(m_lstAuditableTables, 360, 1200, 2655, 3435);
    setEntryLook(m_lstAuditableTables);
    connect(m_lstAuditableTables, &TableListBox::columnsWanted, this,
            &InsertDeleteTab::listColumns);

    newLabel(this, QStringLiteral("Label3"), QStringLiteral("Columns"), 3240, 960, 2655, 240);
    m_lstColumns = new QListWidget(this);
    m_lstColumns->setObjectName(QStringLiteral("lstColumns"));
    m_lstColumns->setSelectionMode(QAbstractItemView::MultiSelection);
    placeAt(m_lstColumns, 3240, 1200, 2655, 3435);
    setEntryLook(m_lstColumns);

    auto* frame3 = newFrame(this, QStringLiteral("Frame3"), 6120, 720, 4095, 1215);
    newLabel(frame3, QStringLiteral("Label2"), QStringLiteral("When to Audit"), 120, 120, 3855,
             240);
    m_optInsert = newOption(frame3, QStringLiteral("optInsert"),
                            QStringLiteral("Inserting a new record"), 240, 420, 3615, 300);
    m_optDelete = newOption(frame3, QStringLiteral("optDelete"),
                            QStringLiteral("Deleting a record"), 240, 780, 3615, 300);
    m_optInsert->setChecked(true);

    m_cmdGo = newButton(this, QStringLiteral("cmdGo"), QStringLiteral("GO"), 6240, 2160, 1095, 375);
    connect(m_cmdGo, &QPushButton::clicked, this, &InsertDeleteTab::save);
    m_cmdClear =
        newButton(this, QStringLiteral("cmdClear"), QStringLiteral("RESET"), 7440, 2160, 1095, 375);
    connect(m_cmdClear, &QPushButton::clicked, this, &InsertDeleteTab::reset);

    m_chkRecordWho = newRecordWhoBox(this, traits, QStringLiteral("chkRecordWho"), 6240, 2760);

    m_conditions = new ConditionEditor(
        ConditionEditor::Tab::InsertDelete, traits, messages, [this] { return chosenColumns(); },
        this);
    m_conditions->fitInto(size());
    calls.operation().blockWhileBusy({m_lstAuditableTables, m_cmdGo, m_cmdClear});
}

void InsertDeleteTab::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_conditions->fitInto(size());
}

void InsertDeleteTab::setTables(const QStringList& tables) {
    m_lstAuditableTables->clear();
    m_lstAuditableTables->addItems(tables);
}

void InsertDeleteTab::listColumns() {
    m_lstColumns->clear();
    m_conditions->clearColumns();
    const QString table = m_lstAuditableTables->chosenTable();
    if (table.isEmpty())
        return;
    m_calls.listColumns(table, [this](const QStringList& columns) {
        m_lstColumns->addItems(columns);
        m_conditions->setColumns(columns);
    });
}

QStringList InsertDeleteTab::chosenColumns() const {
    QStringList chosen;
    for (int i = 0; i < m_lstColumns->count(); ++i) {
        if (m_lstColumns->item(i)->isSelected())
            chosen << m_lstColumns->item(i)->text();
    }
    return chosen;
}

AuditDefinition InsertDeleteTab::definition() const {
    AuditDefinition audit;
    audit.kind = m_optInsert->isChecked() ? AuditKind::Insert : AuditKind::Delete;
    audit.table = m_lstAuditableTables->chosenTable();
    audit.columns = chosenColumns();
    audit.conditions = m_conditions->conditions();
    audit.mode = m_conditions->mode();
    audit.connective = m_conditions->connective();
    audit.name = m_txtNewTableName->text();
    audit.description = m_txtDescription->text();
    audit.recordWho = m_chkRecordWho->isEnabled() && m_chkRecordWho->isChecked();
    return audit;
}

void InsertDeleteTab::save() {
    m_calls.save(definition(), [this](const SaveResult& result) { saved(result); });
}

void InsertDeleteTab::saved(const SaveResult& result) {
    if (!result.deselectColumn.isEmpty()) {
        for (QListWidgetItem* item : m_lstColumns->findItems(
                 result.deselectColumn, Qt::MatchExactly | Qt::MatchCaseSensitive))
            item->setSelected(false);
    }
    if (result.outcome != SaveResult::Outcome::Saved)
        return;
    reset();
    Q_EMIT auditSaved();
}

void InsertDeleteTab::reset() {
    m_lstColumns->clearSelection();
    m_lstAuditableTables->unchooseAll();
    m_txtDescription->clear();
    m_txtNewTableName->clear();
    m_chkRecordWho->setChecked(false);
    m_conditions->resetModeAndConnective();
    m_conditions->resetConditions();
}

} // namespace quorvex
