#include "components/OdbcText.h"

namespace quorvex {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be UTF-16");

std::vector<SQLWCHAR> OdbcText::toWide(const QString& text) {
    std::vector<SQLWCHAR> wide(static_cast<std::size_t>(text.size()) + 1, 0);
    const char16_t* utf16 = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i)
        wide[static_cast<std::size_t>(i)] = static_cast<SQLWCHAR>(utf16[i]);
    return wide;
}

QString OdbcText::fromWide(const SQLWCHAR* text, qsizetype length) {
    if (text == nullptr)
        return {};
    if (length < 0) {
        length = 0;
        while (text[length] != 0)
            ++length;
    }
    // Copied unit for unit: a conversion from UTF-16 would take a leading U+FEFF or U+FFFE for
    // a byte-order mark, and a value read in pieces can have one at the start of any piece.
    return QString(reinterpret_cast<const QChar*>(text), length);
}

} // namespace quorvex
