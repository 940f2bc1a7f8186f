#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace quorvex::testing {

// One cell of a worksheet as the file stores it.
struct XlsxCell {
    QString type;  // the t attribute: "inlineStr", "b", or empty for a number
    QString style; // the s attribute (a date format when set)
    QString value; // the text of an inline string or <v>

    friend bool operator==(const XlsxCell&, const XlsxCell&) = default;
};

// What a workbook file holds, read by unpacking it with unzip: the sheet names and the cells
// of the first sheet by reference ("A1").
struct XlsxContents {
    QString error; // set when the file could not be read
    QStringList sheetNames;
    QMap<QString, XlsxCell> cells;
    int rowCount = 0; // rows of the first sheet

    static XlsxContents read(const QString& path);
    // The texts of one sheet row, A onward, up to the last filled cell.
    QStringList rowValues(int row) const;
};

} // namespace quorvex::testing
