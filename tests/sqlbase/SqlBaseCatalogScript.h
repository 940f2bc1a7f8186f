#pragma once

#include "components/Grid.h"
#include "support/FakeDatabase.h"

#include <QList>
#include <QStringList>

namespace quorvex::testing {

inline QString catalogListQuery() {
    return QStringLiteral("Select AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED from ZOTA_SYSTEM_TABLE");
}

inline QString countQuery(const QString& objectName) {
    return QStringLiteral("SELECT COUNT(*) FROM ") + objectName;
}

// A catalog of three audits holding 0, 1 and 1234 recorded rows.
inline void scriptThreeAudits(FakeDatabase& database) {
    database.onQuery(catalogListQuery(), QStringList{"AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"},
                     {textRow({"ZOTA_ORDAUD", "Order inserts", "Y"}),
                      textRow({"ZOTA_ORDUPD", "Order changes", "N"}),
                      textRow({"ZOTA_PAY", "Payments", "Y"})});
    database.onQuery(countQuery("ZOTA_ORDAUD"), QStringList{"COUNT(*)"}, {textRow({"0"})});
    database.onQuery(countQuery("ZOTA_ORDUPD"), QStringList{"COUNT(*)"}, {textRow({"1"})});
    database.onQuery(countQuery("ZOTA_PAY"), QStringList{"COUNT(*)"}, {textRow({"1234"})});
}

// The statements of one listing of scriptThreeAudits().
inline QStringList threeAuditsListing() {
    return {catalogListQuery(), countQuery("ZOTA_ORDAUD"), countQuery("ZOTA_ORDUPD"),
            countQuery("ZOTA_PAY")};
}

// Every cell of the grid, the header row first, row by row.
inline QList<QStringList> gridTexts(const Grid& grid) {
    QList<QStringList> rows;
    for (int row = Grid::HeaderIndex; row < grid.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid.colCount(); ++column)
            cells << grid.cellText(row, column);
        rows << cells;
    }
    return rows;
}

inline QStringList threeAuditsHeader() {
    return {"", "AUDIT_NAME", "AUDIT_DESCRIPTION", "ENABLED"};
}

} // namespace quorvex::testing
