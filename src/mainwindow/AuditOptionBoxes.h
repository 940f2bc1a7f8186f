#pragma once

#include <QString>

class QCheckBox;
class QWidget;

namespace quorvex {

struct MainWindowTraits;

// The check boxes of the options a DBA may add to an audit, placed in twips like the tabs'
// other controls; both start unchecked.

// "Also record login, host and application": disabled, its tooltip saying why, where the back
// end cannot record them.
QCheckBox* newRecordWhoBox(QWidget* parent, const MainWindowTraits& traits, const QString& name,
                           int left, int top);

// "Only rows whose values changed" (update audits).
QCheckBox* newChangedValuesOnlyBox(QWidget* parent, const QString& name, int left, int top);

} // namespace quorvex
