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

TEST(AuditTable, AnAgeLimitsEveryStatementByTheServersClock) {
    const AuditTable server = AuditTable::fromName(AuditStore::SqlServer, "Orders")->olderThan(90);
    EXPECT_EQ(server.selectStatement(),
              "Select * from tblZOTA_Orders Where AuditDate < DATEADD(day, -90, GETDATE())");
    EXPECT_EQ(server.ageLimitQuery(), QString());
    const AuditTable base = AuditTable::fromName(AuditStore::SqlBase, "ZOTA_ORD")->olderThan(7);
    EXPECT_EQ(base.purgeStatement(), "Delete from ZOTA_ORD Where DATE < SYSDATETIME - 7");
    // A limit the server gives is spliced in only when it is a timestamp and nothing else.
    for (const char* notATimestamp :
         {"", "2026-11-29", "2026-11-29 08:00:00'} or 1=1 --", "2026-11-29 08:00:00.1234567890"})
        EXPECT_FALSE(base.fixedAt(QString::fromLatin1(notATimestamp))) << notATimestamp;
    EXPECT_EQ(base.fixedAt(" 2026-11-29 08:00:00 ")->purgeStatement(),
              "Delete from ZOTA_ORD Where DATE < {ts '2026-11-29 08:00:00'}");
}
