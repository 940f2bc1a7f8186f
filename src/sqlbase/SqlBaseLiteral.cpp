#include "sqlbase/SqlBaseLiteral.h"

namespace quorvex::sqlbase {

QString sqlBaseStringLiteral(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

} // namespace quorvex::sqlbase
