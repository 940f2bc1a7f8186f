#pragma once

#include <QObject>

class QLineEdit;

namespace quorvex {

// Turns a text box's text to upper case whenever the focus leaves it. Owned by the box.
class UpperCaseOnFocusOut : public QObject {
    Q_OBJECT

public:
    static void attachTo(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit UpperCaseOnFocusOut(QLineEdit* box);
};

} // namespace quorvex
