#include "mainwindow/ConditionEditor.h"

#include "components/Grid.h"
#include "components/MessageService.h"
#include "components/ControlBuilders.h"
#include "components/Twips.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>

namespace quorvex {

namespace {

// The update tab repeats the insert/delete tab's control names in its own spelling.
struct ControlName {
    const char* insertDelete;
    const char* update;
};

constexpr ControlName ControlNames[] = {
    {"Shape2", "Shape2u"},
    {"Label6", "Label6u"},
    {"Frame4", "UpdateFrame4"},
    {"optNormallyOff", "optUpdateNormallyOff"},
    {"optNormallyOn", "optUpdateNormallyOn"},
    {"Label7", "Label7u"},
    {"cboConditionalColumns", "cboUpdateConditionalColumns"},
    {"optEqual", "optUpdateEqual"},
    {"optNotEqual", "optUpdateNotEqual"},
    {"OptGreater", "OptUpdateGreater"},
    {"optLessThan", "optUpdateLessThan"},
    {"Label8", "Label8u"},
    {"txtCriteria", "txtUpdateCriteria"},
    {"cmdAdd", "cmdUpdateAdd"},
    {"Frame6", "Frame7"},
    {"optAnd", "optUpdateAnd"},
    {"optOr", "optUpdateOr"},
    {"grdCriteria", "grdUpdateCriteria"},
};

constexpr int Origin = ConditionEditor::OriginTopTwips;

const QString ColumnNotChosenMessage =
    QStringLiteral("This field must also be chosen in the columns list box above");

} // namespace

ConditionEditor::ConditionEditor(Tab tab, const MainWindowTraits& traits, MessageService& messages,
                                 std::function<QStringList()> chosenColumns, QWidget* parent)
    : QWidget(parent), m_tab(tab), m_messages(messages), m_chosenColumns(std::move(chosenColumns)) {
    setObjectName(tab == Tab::InsertDelete ? QStringLiteral("conditionEditor")
                                           : QStringLiteral("updateConditionEditor"));
    m_shape = newShape(this, name("Shape2"), 120, 4860, 10215, 3855, Origin);
    buildModeFrame();
    buildColumnAndOperator();
    buildAddButton(traits);
    buildConnectiveFrame();
    buildGrid();
    if (traits.tooltips && m_tab == Tab::InsertDelete)
        applyTooltips();
}

QString ConditionEditor::name(const char* insertDeleteName) const {
    for (const ControlName& entry : ControlNames) {
        if (qstrcmp(entry.insertDelete, insertDeleteName) == 0)
            return QString::fromLatin1(m_tab == Tab::InsertDelete ? entry.insertDelete
                                                                  : entry.update);
    }
    return QString::fromLatin1(insertDeleteName);
}

void ConditionEditor::buildModeFrame() {
    newLabel(this, name("Label6"), QStringLiteral("Conditional Processing"), 360, 4920, 2655, 240,
             Origin);
    m_modeFrame = newFrame(this, name("Frame4"), 360, 5160, 2655, 1215, Origin);
    m_optNormallyOff = newOption(m_modeFrame, name("optNormallyOff"),
                                 QStringLiteral("Audit only when"), 120, 240, 2475, 300);
    m_optNormallyOn = newOption(m_modeFrame, name("optNormallyOn"),
                                QStringLiteral("Audit always except if"), 120, 720, 2475, 300);
    m_optNormallyOn->setChecked(true);
}

void ConditionEditor::buildColumnAndOperator() {
    newLabel(this, name("Label7"), QStringLiteral("This field is"), 3240, 5520, 2295, 240, Origin);
    m_cboColumns = new QComboBox(this);
    m_cboColumns->setObjectName(name("cboConditionalColumns"));
    // Pick a column or type one; a typed text is not added to the list.
    m_cboColumns->setEditable(true);
    m_cboColumns->setInsertPolicy(QComboBox::NoInsert);
    placeAt(m_cboColumns, 3240, 5760, 2295, 345, Origin);
    setEntryLook(m_cboColumns);

    m_operators = new QButtonGroup(this);
    m_optEqual = newOption(this, name("optEqual"), QStringLiteral("Equal to"), 5880, 5400, 1560,
                           300, Origin);
    m_optNotEqual = newOption(this, name("optNotEqual"), QStringLiteral("Not Equal"), 5880, 5760,
                              1560, 300, Origin);
    m_optGreater = newOption(this, name("OptGreater"), QStringLiteral("Greater Than"), 5880, 6120,
                             1560, 300, Origin);
    m_optLessThan = newOption(this, name("optLessThan"), QStringLiteral("Less Than"), 5880, 6480,
                              1560, 300, Origin);
    for (QRadioButton* option : {m_optEqual, m_optNotEqual, m_optGreater, m_optLessThan})
        m_operators->addButton(option);
    m_optEqual->setChecked(true);

    newLabel(this, name("Label8"), QStringLiteral("This value"), 7560, 5520, 2535, 240, Origin);
    m_txtCriteria = newTextBox(this, name("txtCriteria"), 7560, 5760, 2535, 285, Origin);
}

void ConditionEditor::buildAddButton(const MainWindowTraits& traits) {
    m_cmdAdd = new QToolButton(this);
    m_cmdAdd->setObjectName(name("cmdAdd"));
    m_cmdAdd->setText(QStringLiteral("Add"));
    placeAt(m_cmdAdd, 5040, 6240, 495, 735, Origin);
    if (traits.addButtonsShowArrow) {
        m_cmdAdd->setIcon(downArrowIcon());
        m_cmdAdd->setIconSize(QSize(16, 16));
        m_cmdAdd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    } else {
        m_cmdAdd->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    connect(m_cmdAdd, &QToolButton::clicked, this, &ConditionEditor::addCondition);
}

void ConditionEditor::buildConnectiveFrame() {
    m_connectiveFrame = newFrame(this, name("Frame6"), 360, 6480, 2655, 615, Origin);
    m_optAnd =
        newOption(m_connectiveFrame, name("optAnd"), QStringLiteral("AND"), 240, 180, 1035, 300);
    m_optOr =
        newOption(m_connectiveFrame, name("optOr"), QStringLiteral("OR"), 1440, 180, 1035, 300);
    m_optAnd->setChecked(true);
}

void ConditionEditor::buildGrid() {
    m_grid = new Grid(this);
    m_grid->setObjectName(name("grdCriteria"));
    placeAt(m_grid, 480, 7200, 9615, 1455, Origin);
    // The connective shows in the row header; the columns need no captions.
    m_grid->horizontalHeader()->hide();
    setCompactRows(m_grid);
    m_grid->setColCount(3);
    m_grid->insertRows(0, 1);
    // The row header shows the connective; the three columns the column, operator and value.
    m_grid->setColWidth(Grid::HeaderIndex, 40);
    m_grid->setColWidth(0, 250);
    m_grid->setColWidth(1, 80);
    m_grid->setColWidth(2, 250);
}

void ConditionEditor::fitInto(const QSize& tabSize) {
    const int top = twipsToPixels(OriginTopTwips);
    setGeometry(0, top, tabSize.width(), std::max(0, tabSize.height() - top));
}

void ConditionEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A shorter window (FRMCENMAIN) leaves less room below the editor: the grid and its frame
    // give up their last pixels rather than be cut off.
    QRect grid = rectFromTwips(480, 7200 - Origin, 9615, 1455);
    grid.setHeight(std::min(grid.height(), height() - grid.top() - 6));
    m_grid->setGeometry(grid);
    QRect shape = rectFromTwips(120, 4860 - Origin, 10215, 3855);
    shape.setHeight(std::min(shape.height(), height() - shape.top() - 1));
    m_shape->setGeometry(shape);
}

void ConditionEditor::applyTooltips() {
    m_optOr->setToolTip(QStringLiteral("Any one of the conditions will cause audit to Fire"));
    m_optAnd->setToolTip(QStringLiteral("All the conditions must match for audit to Fire"));
    m_txtCriteria->setToolTip(QStringLiteral("The selected field must match this value."));
    m_cmdAdd->setToolTip(QStringLiteral("Add conditional expression"));
    m_cboColumns->setToolTip(
        QStringLiteral("Selection here must also be selected in columns list."));
}

void ConditionEditor::setColumns(const QStringList& names) {
    clearColumns();
    m_cboColumns->addItems(names);
    m_cboColumns->addItem(userIdPseudoColumn());
    // Listing does not pick a column for the user.
    m_cboColumns->setCurrentIndex(-1);
}

void ConditionEditor::clearColumns() {
    m_cboColumns->clear();
    m_cboColumns->clearEditText();
}

bool ConditionEditor::columnIsAudited(const QString& column) const {
    const QStringList chosen = m_chosenColumns();
    if (chosen.isEmpty())
        return false;
    return column == userIdPseudoColumn() || chosen.contains(column);
}

QString ConditionEditor::chosenOperator() const {
    if (m_optEqual->isChecked())
        return QStringLiteral("=");
    if (m_optNotEqual->isChecked())
        return QStringLiteral("!=");
    if (m_optGreater->isChecked())
        return QStringLiteral(">");
    return QStringLiteral("<");
}

void ConditionEditor::addCondition() {
    const QString column = m_cboColumns->currentText();
    if (!columnIsAudited(column)) {
        m_messages.show(ColumnNotChosenMessage, MessageIcon::Critical);
        return;
    }

    // The grid always ends with the empty slot; restore it should anything have removed it.
    if (m_grid->rowCount() == 0)
        m_grid->insertRows(0, 1);
    const int n = m_grid->rowCount();
    m_grid->setCurrentCell(n - 1, 0);
    const int slot = n - 1;
    m_grid->setCellText(slot, 0, column);
    m_grid->setCellText(slot, 2, m_txtCriteria->text());
    m_grid->setCellText(slot, 1, chosenOperator());
    if (n > 1) {
        const QString connective =
            m_optAnd->isChecked() ? QStringLiteral("AND") : QStringLiteral("OR");
        for (int row = 1; row < n; ++row)
            m_grid->setCellText(row, Grid::HeaderIndex, connective);
    }
    m_grid->insertRows(n, 1);

    // One connective and one mode for all conditions: fixed from the first one on.
    m_connectiveFrame->setEnabled(false);
    m_modeFrame->setEnabled(false);
}

QList<AuditCondition> ConditionEditor::conditions() const {
    QList<AuditCondition> rows;
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        rows.append(AuditCondition{m_grid->cellText(row, 0), m_grid->cellText(row, 1),
                                   m_grid->cellText(row, 2),
                                   m_grid->cellText(row, Grid::HeaderIndex)});
    }
    return rows;
}

AuditMode ConditionEditor::mode() const {
    return m_optNormallyOff->isChecked() ? AuditMode::OnlyWhen : AuditMode::AlwaysExceptIf;
}

Connective ConditionEditor::connective() const {
    return m_optOr->isChecked() ? Connective::Or : Connective::And;
}

void ConditionEditor::resetModeAndConnective() {
    m_optNormallyOn->setChecked(true);
    m_modeFrame->setEnabled(true);
    m_optAnd->setChecked(true);
    m_connectiveFrame->setEnabled(true);
}

void ConditionEditor::resetConditions() {
    clearColumns();
    m_txtCriteria->clear();
    m_grid->removeRows(0, m_grid->rowCount());
    m_grid->insertRows(0, 1);
}

} // namespace quorvex
