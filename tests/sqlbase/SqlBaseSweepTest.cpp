#include "sqlbase/SqlBaseSweep.h"
#include "SqlBaseStand.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using sqlbase::sweepSqlBaseAuditObjects;

const QString kTablesQuery = "Select name from systables where name like 'ZOTA%'";
const QString kTriggersQuery = "Select name from systriggers where name like 'ZOTA%'";
const QString kProceduresQuery = "Select name from syscommands where name like 'ZOTA%'";

// A database holding the catalog, two audits and a user table that merely starts like them.
void scriptAuditObjects(FakeDatabase& database) {
    database.onQuery(kTablesQuery, QStringList{"NAME"},
                     {textRow({"ZOTA_SYSTEM_TABLE"}), textRow({"ZOTA_ORDAUD"}),
                      textRow({"ZOTA_ORDUPD"}), textRow({"ZOTAX"})});
    database.onQuery(kTriggersQuery, QStringList{"NAME"},
                     {textRow({"ZOTA_ORDAUD"}), textRow({"ZOTA_ORDUPD"})});
    database.onQuery(kProceduresQuery, QStringList{"NAME"},
                     {textRow({"ZOTA_ORDAUD"}), textRow({"ZOTA_ORDUPD"})});
}

TEST(SqlBaseSweep, DropsTablesThenTriggersThenErasesProcedures) {
    SqlBaseStand stand;
    scriptAuditObjects(stand.database);

    EXPECT_TRUE(sweepSqlBaseAuditObjects(stand.services, stand.login));

    EXPECT_EQ(strings(stand.database.statements()),
              strings({kTablesQuery, "Drop table ZOTA_SYSTEM_TABLE", "Drop table ZOTA_ORDAUD",
                       "Drop table ZOTA_ORDUPD", "Drop table ZOTAX", kTriggersQuery,
                       "Drop trigger ZOTA_ORDAUD", "Drop trigger ZOTA_ORDUPD", kProceduresQuery,
                       "Erase ZOTA_ORDAUD", "Erase ZOTA_ORDUPD"}));
    EXPECT_EQ(strings(stand.messages.texts()), strings({}));
    EXPECT_EQ(stand.database.openNow(), 0);
}

TEST(SqlBaseSweep, EmptyDatabaseSendsNoDrop) {
    SqlBaseStand stand;
    stand.database.setUnscriptedQueriesEmpty(true);

    EXPECT_TRUE(sweepSqlBaseAuditObjects(stand.services, stand.login));

    EXPECT_EQ(strings(stand.database.statements()),
              strings({kTablesQuery, kTriggersQuery, kProceduresQuery}));
}

TEST(SqlBaseSweep, FailingDropIsShownAndTheSweepGoesOn) {
    SqlBaseStand stand;
    scriptAuditObjects(stand.database);
    stand.database.failOn("Drop table ZOTA_ORDAUD",
                          FakeDatabase::error("Table in use by another user"));
    stand.database.failOn("Drop trigger ZOTA_ORDUPD", FakeDatabase::error("Trigger not found"));

    EXPECT_FALSE(sweepSqlBaseAuditObjects(stand.services, stand.login));

    EXPECT_EQ(strings(stand.database.statements()),
              strings({kTablesQuery, "Drop table ZOTA_SYSTEM_TABLE", "Drop table ZOTA_ORDAUD",
                       "Drop table ZOTA_ORDUPD", "Drop table ZOTAX", kTriggersQuery,
                       "Drop trigger ZOTA_ORDAUD", "Drop trigger ZOTA_ORDUPD", kProceduresQuery,
                       "Erase ZOTA_ORDAUD", "Erase ZOTA_ORDUPD"}));
    EXPECT_EQ(strings(stand.messages.texts()),
              strings({"Table in use by another user", "Trigger not found"}));
}

TEST(SqlBaseSweep, UnreadableCatalogueTableIsShownAndTheNextPassRuns) {
    SqlBaseStand stand;
    // Scripts are matched in order: the failure goes before the rows.
    stand.database.failOn(kTriggersQuery, FakeDatabase::error("No privilege on SYSTRIGGERS"));
    scriptAuditObjects(stand.database);

    EXPECT_FALSE(sweepSqlBaseAuditObjects(stand.services, stand.login));

    const QStringList sent = stand.database.statements();
    EXPECT_EQ(strings(sent.mid(5)), strings({kTriggersQuery, kProceduresQuery, "Erase ZOTA_ORDAUD",
                                             "Erase ZOTA_ORDUPD"}));
    EXPECT_EQ(strings(stand.messages.texts()), strings({"No privilege on SYSTRIGGERS"}));
}

TEST(SqlBaseSweep, WithoutAConnectionNothingIsSent) {
    SqlBaseStand stand;
    stand.database.failOpen(FakeDatabase::error("Database ORDERSDB not found"));

    EXPECT_FALSE(sweepSqlBaseAuditObjects(stand.services, stand.login));

    EXPECT_EQ(strings(stand.database.statements()), strings({}));
    EXPECT_EQ(stand.messages.texts().size(), 1);
    EXPECT_TRUE(stand.messages.texts().value(0).contains("Error: Database ORDERSDB not found"));
}

} // namespace
} // namespace quorvex::testing
