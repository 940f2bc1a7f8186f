// Which table and which statements an audit name stands for on each back end.
#include "auditdata/AuditTable.h"

#include <gtest/gtest.h>

using namespace quorvex;

TEST(AuditTable, SqlServerPrefixesTheBareName) {
    const auto audit = AuditTable::fromName(AuditStore::SqlServer, QStringLiteral("Orders_1"));
    ASSERT_TRUE(audit.has_value());
    EXPECT_EQ(audit->name(), QStringLiteral("Orders_1"));
    EXPECT_EQ(audit->tableName(), QStringLiteral("tblZOTA_Orders_1"));
    EXPECT_EQ(audit->selectStatement(), QStringLiteral("Select * from tblZOTA_Orders_1"));
    EXPECT_EQ(audit->purgeStatement(), QStringLiteral("Delete from tblZOTA_Orders_1"));
}

TEST(AuditTable, SqlBaseUsesTheCatalogsFullTableName) {
    const auto audit = AuditTable::fromName(AuditStore::SqlBase, QStringLiteral("ZOTA_ORDERS"));
    ASSERT_TRUE(audit.has_value());
    EXPECT_EQ(audit->name(), QStringLiteral("ZOTA_ORDERS"));
    EXPECT_EQ(audit->tableName(), QStringLiteral("ZOTA_ORDERS"));
    EXPECT_EQ(audit->selectStatement(), QStringLiteral("Select * from ZOTA_ORDERS"));
    EXPECT_EQ(audit->purgeStatement(), QStringLiteral("Delete from ZOTA_ORDERS"));
}

TEST(AuditTable, NamesThatCouldCarrySqlAreRefusedOnBothBackEnds) {
    for (const AuditStore store : {AuditStore::SqlServer, AuditStore::SqlBase}) {
        for (const char* name :
             {"", "x; drop table users", "a b", "x--", "o'brien", "[x]", "tbl.x", "x\ny"})
            EXPECT_FALSE(AuditTable::fromName(store, QString::fromUtf8(name)).has_value()) << name;
    }
}
