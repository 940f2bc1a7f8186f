// Audit names that could carry SQL never become a statement (the statements themselves are
// checked where the back ends send them).
#include "auditdata/AuditTable.h"

#include <gtest/gtest.h>

using namespace quorvex;

TEST(AuditTable, NamesThatCouldCarrySqlAreRefusedOnBothBackEnds) {
    EXPECT_EQ(AuditTable::fromName(AuditStore::SqlServer, "Orders_1")->tableName(),
              QStringLiteral("tblZOTA_Orders_1"));
    EXPECT_EQ(AuditTable::fromName(AuditStore::SqlBase, "ZOTA_ORDERS")->tableName(),
              QStringLiteral("ZOTA_ORDERS"));
    for (const AuditStore store : {AuditStore::SqlServer, AuditStore::SqlBase}) {
        for (const char* name :
             {"", "x; drop table users", "a b", "x--", "o'brien", "[x]", "tbl.x", "x\ny"})
            EXPECT_FALSE(AuditTable::fromName(store, QString::fromUtf8(name)).has_value()) << name;
    }
}
