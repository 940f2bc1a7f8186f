#include "mainwindow/UpdateTab.h"

#include "components/ControlBuilders.h"
#include "components/Grid.h"
#include "components/Twips.h"
#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditOptionBoxes.h"
#include "mainwindow/BackendCalls.h"
#include "mainwindow/ConditionEditor.h"
#include "mainwindow/TableListBox.h"
#include "mainwindow/UpperCaseOnFocusOut.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace quorvex {

namespace {

constexpr int NameColumn = 0;
constexpr int OldValueColumn = 1;

// The flag cells hold "True"/"False" (or "true"/"false" as first written on SQLBase).
bool isTrueText(const QString& text) {
    return text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

} // namespace

UpdateTab::UpdateTab(BackendCalls& calls, MessageService& messages, QWidget* parent)
    : QFrame(parent), m_calls(calls) {
    setObjectName(QStringLiteral("Frame5"));
    const MainWindowTraits& traits = calls.traits();
    m_initialOldValueFlag = traits.initialOldValueFlag;
    m_resetClearsChangedFields = traits.resetClearsChangedFields;

    // The upper half's frame and the separations between its areas.
    newShape(this, QStringLiteral("Line1"), 120, 660, 10215, 15);
    newShape(this, QStringLiteral("Line2"), 120, 4740, 10215, 15);
    newShape(this, QStringLiteral("Line3"), 120, 660, 15, 4080);
    newShape(this, QStringLiteral("Line4"), 10320, 660, 15, 4080);
    newShape(this, QStringLiteral("Line5"), 3060, 660, 15, 4080);
    newShape(this, QStringLiteral("Line6"), 6900, 3840, 3435, 15);

    newLabel(this, QStringLiteral("Label4u"), QStringLiteral("Audit Name"), 240, 120, 2295, 240);
    m_txtUpdateNewTableName =
        newTextBox(this, QStringLiteral("txtUpdateNewTableName"), 240, 360, 2295, 285);
    m_txtUpdateNewTableName->setMaxLength(traits.nameMaxLength);
    if (traits.upperCaseNamesOnExit)
        UpperCaseOnFocusOut::attachTo(m_txtUpdateNewTableName);

    newLabel(this, QStringLiteral("Label5u"), QStringLiteral("Description"), 2760, 120, 7575, 240);
    m_txtUpdateDescription =
        newTextBox(this, QStringLiteral("txtUpdateDescription"), 2760, 360, 7575, 285);
    m_txtUpdateDescription->setMaxLength(200);

    newLabel(this, QStringLiteral("Label1u"), QStringLiteral("Visual Tables"), 360, 960, 2655, 240);
    m_lstUpdateAuditableTables = new TableListBox(traits.columnsListed, this);
    m_lstUpdateAuditableTables->setObjectName(QStringLiteral("lstUpdateAuditableTables"));
    placeAt(m_lstUpdateAuditableTables, 360, 1200, 2655, 3435);
    setEntryLook(m_lstUpdateAuditableTables);
    connect(m_lstUpdateAuditableTables, &TableListBox::columnsWanted, this,
            &UpdateTab::listColumns);

    newLabel(this, QStringLiteral("Label3u"), QStringLiteral("Columns"), 3240, 960, 1935, 240);
    auto* label10 = newLabel(this, QStringLiteral("Label10"), QStringLiteral("Save old value?"),
                             5160, 960, 1695, 240);
    label10->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lstUpdateColumns = new Grid(this);
    m_lstUpdateColumns->setObjectName(QStringLiteral("lstUpdateColumns"));
    placeAt(m_lstUpdateColumns, 3120, 1200, 3735, 3495);
    // The labels above name the columns; the window alone sets the rows' marks.
    m_lstUpdateColumns->horizontalHeader()->hide();
    m_lstUpdateColumns->setRowSelection(Grid::RowSelection::Manual);
    setCompactRows(m_lstUpdateColumns);
    m_lstUpdateColumns->setColWidth(Grid::HeaderIndex, 10);
    connect(m_lstUpdateColumns, &Grid::clicked, this, &UpdateTab::columnClicked);

    newLabel(this, QStringLiteral("Label9"), QStringLiteral("If these fields changed"), 6960, 960,
             3135, 240);
    m_lstUpdateFieldsChanged = new QListWidget(this);
    m_lstUpdateFieldsChanged->setObjectName(QStringLiteral("lstUpdateFieldsChanged"));
    m_lstUpdateFieldsChanged->setSelectionMode(QAbstractItemView::MultiSelection);
    // A little shorter than it was, for the option that belongs to it below.
    placeAt(m_lstUpdateFieldsChanged, 6960, 1200, 3135, 2235);
    m_chkUpdateChangedValuesOnly =
        newChangedValuesOnlyBox(this, QStringLiteral("chkUpdateChangedValuesOnly"), 6960, 3480);
    setEntryLook(m_lstUpdateFieldsChanged);

    m_cmdUpdateGo =
        newButton(this, QStringLiteral("cmdUpdateGo"), QStringLiteral("GO"), 7320, 3960, 1095, 375);
    connect(m_cmdUpdateGo, &QPushButton::clicked, this, &UpdateTab::save);
    m_cmdUpdateClear = newButton(this, QStringLiteral("cmdUpdateClear"), QStringLiteral("RESET"),
                                 8520, 3960, 1095, 375);
    connect(m_cmdUpdateClear, &QPushButton::clicked, this, &UpdateTab::reset);

    m_chkUpdateRecordWho =
        newRecordWhoBox(this, traits, QStringLiteral("chkUpdateRecordWho"), 6960, 4380);

    m_conditions = new ConditionEditor(
        ConditionEditor::Tab::Update, traits, messages, [this] { return chosenColumns(); }, this);
    m_conditions->fitInto(size());
    calls.operation().blockWhileBusy({m_lstUpdateAuditableTables, m_cmdUpdateGo, m_cmdUpdateClear});
}

void UpdateTab::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_conditions->fitInto(size());
}

void UpdateTab::setTables(const QStringList& tables) {
    m_lstUpdateAuditableTables->clear();
    m_lstUpdateAuditableTables->addItems(tables);
}

void UpdateTab::listColumns() {
    Grid& grid = *m_lstUpdateColumns;
    grid.removeRows(0, grid.rowCount());
    grid.setColCount(0);
    m_lstUpdateFieldsChanged->clear();
    m_conditions->clearColumns();

    grid.insertCols(0, 2);
    grid.setColWidth(Grid::HeaderIndex, 10);
    grid.setColWidth(NameColumn, 160);
    grid.setColWidth(OldValueColumn, 40);

    grid.setCheckColumn(OldValueColumn);

    const QString table = m_lstUpdateAuditableTables->chosenTable();
    if (table.isEmpty())
        return;
    m_calls.listColumns(table, [this](const QStringList& columns) { showColumns(columns); });
}

void UpdateTab::showColumns(const QStringList& columns) {
    Grid& grid = *m_lstUpdateColumns;
    for (int row = 0; row < columns.size(); ++row) {
        grid.insertRows(row, 1);
        grid.setCellText(row, NameColumn, columns[row]);
        grid.setCellText(row, OldValueColumn, m_initialOldValueFlag);
    }
    m_conditions->setColumns(columns);
}

void UpdateTab::columnClicked(int column) {
    // A click on the flag is the flag's own business: the grid has toggled it.
    if (column == OldValueColumn)
        return;
    Grid& grid = *m_lstUpdateColumns;
    const int row = grid.currentRow();
    if (row == Grid::NoCurrentRow)
        return;
    const bool chosen = !grid.isRowSelected(row);
    grid.setRowSelected(row, chosen);

    const QString name = grid.cellText(row, NameColumn);
    const QList<QListWidgetItem*> listed =
        m_lstUpdateFieldsChanged->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!chosen) {
        qDeleteAll(listed);
    } else if (listed.isEmpty()) {
        m_lstUpdateFieldsChanged->addItem(name);
    }
}

QStringList UpdateTab::chosenColumns() const {
    QStringList chosen;
    for (int i = 1; i <= m_lstUpdateColumns->selectedCount(); ++i)
        chosen << m_lstUpdateColumns->cellText(m_lstUpdateColumns->selectedRow(i), NameColumn);
    return chosen;
}

AuditDefinition UpdateTab::definition() const {
    AuditDefinition audit;
    audit.kind = AuditKind::Update;
    audit.table = m_lstUpdateAuditableTables->chosenTable();
    for (int i = 1; i <= m_lstUpdateColumns->selectedCount(); ++i) {
        const int row = m_lstUpdateColumns->selectedRow(i);
        audit.columns << m_lstUpdateColumns->cellText(row, NameColumn);
        audit.saveOldValue << isTrueText(m_lstUpdateColumns->cellText(row, OldValueColumn));
    }
    for (int i = 0; i < m_lstUpdateFieldsChanged->count(); ++i) {
        if (m_lstUpdateFieldsChanged->item(i)->isSelected())
            audit.changedFields << m_lstUpdateFieldsChanged->item(i)->text();
    }
    audit.conditions = m_conditions->conditions();
    audit.mode = m_conditions->mode();
    audit.connective = m_conditions->connective();
    audit.name = m_txtUpdateNewTableName->text();
    audit.description = m_txtUpdateDescription->text();
    audit.recordWho = m_chkUpdateRecordWho->isEnabled() && m_chkUpdateRecordWho->isChecked();
    audit.changedValuesOnly = m_chkUpdateChangedValuesOnly->isChecked();
    return audit;
}

void UpdateTab::save() {
    m_calls.save(definition(), [this](const SaveResult& result) { saved(result); });
}

void UpdateTab::saved(const SaveResult& result) {
    if (!result.deselectColumn.isEmpty()) {
        // The column's entry under "If these fields changed" stays: only the user removes it.
        for (int row = 0; row < m_lstUpdateColumns->rowCount(); ++row) {
            if (m_lstUpdateColumns->cellText(row, NameColumn) == result.deselectColumn)
                m_lstUpdateColumns->setRowSelected(row, false);
        }
    }
    if (result.outcome != SaveResult::Outcome::Saved)
        return;
    reset();
    Q_EMIT auditSaved();
}

void UpdateTab::reset() {
    for (int row = 0; row < m_lstUpdateColumns->rowCount(); ++row)
        m_lstUpdateColumns->setRowSelected(row, false);
    m_lstUpdateAuditableTables->unchooseAll();
    m_txtUpdateDescription->clear();
    m_txtUpdateNewTableName->clear();
    m_chkUpdateChangedValuesOnly->setChecked(false);
    m_chkUpdateRecordWho->setChecked(false);
    m_conditions->resetModeAndConnective();
    if (m_resetClearsChangedFields)
        m_lstUpdateFieldsChanged->clear();
    m_conditions->resetConditions();
}

} // namespace quorvex
