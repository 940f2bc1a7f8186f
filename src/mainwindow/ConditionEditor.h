#pragma once

#include "mainwindow/AuditBackend.h"
#include "mainwindow/AuditDefinition.h"

#include <QWidget>
#include <functional>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace quorvex {

class Grid;
class MessageService;

// The lower half of the insert/delete and update tabs: the conditions an audit fires on.
// The user picks a column, an operator and a value and adds the condition to the grid; the
// connective and the mode are chosen once, before the first condition, and stay locked from
// then on until the tab is reset. The grid always ends with one empty row, the slot the next
// Add fills.
class ConditionEditor : public QWidget {
    Q_OBJECT

public:
    enum class Tab { InsertDelete, Update };

    // Where this widget starts in its tab, in twips: its controls keep the tab's coordinates.
    static constexpr int OriginTopTwips = 4800;

    // chosenColumns gives the audited columns the tab has chosen right now: a condition must
    // be on one of them (or on "USERID", which needs at least one of them).
    ConditionEditor(Tab tab, const MainWindowTraits& traits, MessageService& messages,
                    std::function<QStringList()> chosenColumns, QWidget* parent = nullptr);

    // Takes the tab's lower half, from OriginTopTwips down to the tab's bottom edge.
    void fitInto(const QSize& tabSize);

    // The chosen table's columns for the column box, followed by "USERID".
    void setColumns(const QStringList& names);
    // Empties the column box, "USERID" included.
    void clearColumns();

    void addCondition();

    // Every row of the grid, in order, the empty slot included.
    QList<AuditCondition> conditions() const;
    AuditMode mode() const;
    Connective connective() const;

    // RESET, in two parts because the update tab empties its changed-fields list in between:
    // back to "Audit always except if" and AND, both unlocked...
    void resetModeAndConnective();
    // ...and no columns, no value, only the empty slot in the grid.
    void resetConditions();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString name(const char* insertDeleteName) const;
    void buildModeFrame();
    void buildColumnAndOperator();
    void buildAddButton(const MainWindowTraits& traits);
    void buildConnectiveFrame();
    void buildGrid();
    void applyTooltips();
    QString chosenOperator() const;
    bool columnIsAudited(const QString& column) const;

    Tab m_tab;
    MessageService& m_messages;
    std::function<QStringList()> m_chosenColumns;

    QGroupBox* m_modeFrame = nullptr;
    QRadioButton* m_optNormallyOff = nullptr;
    QRadioButton* m_optNormallyOn = nullptr;
    QComboBox* m_cboColumns = nullptr;
    QRadioButton* m_optEqual = nullptr;
    QRadioButton* m_optNotEqual = nullptr;
    QRadioButton* m_optGreater = nullptr;
    QRadioButton* m_optLessThan = nullptr;
    QButtonGroup* m_operators = nullptr;
    QLineEdit* m_txtCriteria = nullptr;
    QToolButton* m_cmdAdd = nullptr;
    QGroupBox* m_connectiveFrame = nullptr;
    QRadioButton* m_optAnd = nullptr;
    QRadioButton* m_optOr = nullptr;
    Grid* m_grid = nullptr;
    QFrame* m_shape = nullptr;
};

} // namespace quorvex
