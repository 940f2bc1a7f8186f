#include "SqlBaseStand.h"
#include "components/Timeouts.h"
#include "sqlbase/SqlBaseAuditGenerator.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlbase/SqlBaseCreationFlow.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using namespace quorvex::sqlbase;

TEST(SqlBaseConnectionString, LogsOnAsSysadmToTheTypedDatabaseWithValuesQuotedWhole) {
    EXPECT_EQ(buildSqlBaseConnectionString({"DB;X", "pa;ss\"word"}).toStdString(),
              "Provider=SQLBASEOLEDB.1;Password=\"pa;ss\"\"word\";Persist Security Info=True;"
              "User ID=SYSADM;Data Source=\"DB;X\"");
}

TEST(SqlBaseConnectionReport, FiveLinesAndABlankLinePerError) {
    EXPECT_EQ(
        sqlBaseConnectionReport({{-1, "Database not found", "[unixODBC][SQLBase]", "08001", -401}})
            .toStdString(),
        "Error #: -1\r\nError: Database not found\r\nSource: [unixODBC][SQLBase]\r\n"
        "SQL State: 08001\r\nNative Error: -401\r\n\r\n");
}

const QString kDuplicateQuery =
    "SELECT AUDIT_NAME FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'ZOTA_ORDAUD'";
const QString kColumnsQuery =
    "SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = 'ORDERS'";

// ORDERS in the catalogue; the name ZOTA_ORDAUD free unless a test says otherwise.
void scriptOrders(FakeDatabase& database) {
    database.onQuery(kColumnsQuery, QStringList{"NAME", "COLTYPE", "LENGTH", "SCALE"},
                     {textRow({"ORDNO", "INTEGER", "4", "0"}),
                      textRow({"CITY", "VARCHAR", "30", "0"}), textRow({"T1", "TIME", "3", "0"}),
                      textRow({"NOTES", "LONGVAR", "0", "0"})});
}
void nameIsFree(FakeDatabase& database) {
    database.onQuery(kDuplicateQuery, QStringList{"AUDIT_NAME"}, {});
}

class SqlBaseCreationFlow : public ::testing::Test {
protected:
    void SetUp() override { scriptOrders(stand.database); }
    SaveResult save(const AuditDefinition& definition) { return saveIn(stand, definition); }
    static SaveResult saveIn(SqlBaseStand& on, const AuditDefinition& definition) {
        return on.backend().save(definition, on.messages, on.task);
    }
    std::vector<std::string> sent() const { return texts(stand.database.statements()); }
    std::vector<std::string> shown() const { return texts(stand.messages.texts()); }

    SqlBaseStand stand;
};

TEST_F(SqlBaseCreationFlow, InsertAuditIsInstalledInSendingOrderWithoutAWord) {
    nameIsFree(stand.database);
    const SaveResult result = save(parisInserts());
    EXPECT_EQ(result.outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(result.deselectColumn.toStdString(), "");
    EXPECT_EQ(sent(), texts(QStringList{kDuplicateQuery, kColumnsQuery} + parisInsertStatements()));
    EXPECT_EQ(shown(), texts({}));
    EXPECT_EQ(stand.database.openNow(), 0);
    // The checks read the catalogue under the query time-out; the install waits for locks.
    EXPECT_EQ(stand.database.queryTimeouts().mid(1, 2),
              (QList<int>{catalogueQueryTimeoutSeconds, 0}));
}

TEST_F(SqlBaseCreationFlow, NameInTheCatalogIsRefusedOnlyWhenTheTabIsComplete) {
    stand.database.onQuery(kDuplicateQuery, QStringList{"AUDIT_NAME"}, {textRow({"ZOTA_ORDAUD"})});
    AuditDefinition noColumns = parisInserts();
    noColumns.columns.clear();
    EXPECT_EQ(save(noColumns).outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(shown(), texts({}));
    EXPECT_EQ(save(parisInserts()).outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(shown(), texts({"You already have an Audit with that name.  Please enter another "
                              "name."}));
    EXPECT_EQ(stand.messages.shown().value(0).icon, MessageIcon::None);
    EXPECT_EQ(sent(), texts({kDuplicateQuery, kDuplicateQuery}));
}

TEST_F(SqlBaseCreationFlow, LongColumnIsRefusedDeselectedAndNothingIsSent) {
    nameIsFree(stand.database);
    AuditDefinition withNotes = parisInserts();
    withNotes.columns = {"ORDNO", "CITY", "NOTES"};
    const SaveResult result = save(withNotes);
    EXPECT_EQ(result.outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(result.deselectColumn.toStdString(), "NOTES");
    EXPECT_EQ(shown(), texts({"The field NOTES can not be used. "}));
    EXPECT_EQ(sent(), texts({kDuplicateQuery, kColumnsQuery}));
}

TEST_F(SqlBaseCreationFlow, FailuresBeforeAnythingIsCreatedEndThePressWithTheProvidersMessage) {
    const DbErrorList errors = FakeDatabase::error("Cannot connect to ORDERSDB", 401, "08001");
    stand.database.failOpen(errors);
    EXPECT_EQ(save(parisInserts()).outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(shown(), texts({sqlBaseConnectionReport(errors)}));
    EXPECT_EQ(sent(), texts({}));
}

// Whichever of the eight statements fails, or is held until the save is cancelled, what was
// created is taken back, newest first; a cancel is not told.
TEST_F(SqlBaseCreationFlow, PartWayFailureOrCancelRemovesWhatWasCreatedNewestFirst) {
    const std::vector<std::string> undo = {
        "DROP TRIGGER ZOTA_ORDAUD", "ERASE ZOTA_ORDAUD", "DROP PUBLIC SYNONYM ZOTA_ORDAUD",
        "DROP TABLE ZOTA_ORDAUD", "DELETE FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'ZOTA_ORDAUD'"};
    enum class Stop { Fails, Cancelled };
    // The statement that stops the save, how, and how many of the undo steps (the last ones).
    const std::tuple<int, Stop, int> cases[] = {
        {0, Stop::Fails, 0}, {2, Stop::Fails, 2}, {7, Stop::Fails, 5}, {5, Stop::Cancelled, 3}};
    const QStringList install = parisInsertStatements();
    for (const auto& [stopping, stop, undone] : cases) {
        SCOPED_TRACE(stopping);
        SqlBaseStand local;
        nameIsFree(local.database);
        scriptOrders(local.database);
        SaveResult result;
        if (stop == Stop::Fails) {
            // Statements before the failing one succeed (COMMIT is sent three times).
            for (int i = 0; i < stopping; ++i)
                local.database.onQuery(install[i], QStringList{}, {}, true);
            local.database.failOn(install[stopping], FakeDatabase::error("Insufficient privilege"),
                                  true);
            result = saveIn(local, parisInserts());
        } else {
            local.database.holdOn(install[stopping]);
            EXPECT_TRUE(cancelWhileHeld(local.database, local.task,
                                        [&] { result = saveIn(local, parisInserts()); }));
            EXPECT_EQ(local.database.cancels(), 1);
        }
        EXPECT_EQ(result.outcome, SaveResult::Outcome::NotSaved);
        std::vector<std::string> expected =
            texts(QStringList{kDuplicateQuery, kColumnsQuery} + install.mid(0, stopping + 1));
        expected.insert(expected.end(), undo.end() - undone, undo.end());
        expected.push_back("COMMIT");
        EXPECT_EQ(texts(local.database.statements()), expected);
        EXPECT_EQ(texts(local.messages.texts()),
                  stop == Stop::Fails ? texts({"Insufficient privilege"}) : texts({}));
        EXPECT_EQ(local.database.openNow(), 0);
    }
}

TEST_F(SqlBaseCreationFlow, WhatCannotBeRemovedAgainIsSaidToo) {
    nameIsFree(stand.database);
    stand.database.failOn(parisInsertStatements()[6], FakeDatabase::error("Trigger refused"));
    stand.database.failOn("DROP TABLE ZOTA_ORDAUD", FakeDatabase::error("Table in use"));
    EXPECT_EQ(save(parisInserts()).outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(shown(), texts({"Trigger refused",
                              "Not everything created for the audit ZOTA_ORDAUD could be removed "
                              "again:\r\nTable in use"}));
}

TEST_F(SqlBaseCreationFlow, ReadsGiveUpAfterTheQueryTimeoutAndNameWhatTimedOut) {
    SqlBaseStand slow;
    nameIsFree(slow.database);
    slow.database.failOn(kColumnsQuery, FakeDatabase::error("Query timeout expired", 0, "HYT00"));
    EXPECT_EQ(saveIn(slow, parisInserts()).outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(texts(slow.messages.texts()),
              texts({"Query timeout expired\r\nReading the columns of ORDERS took longer than 30 "
                     "seconds and was given up."}));
}

} // namespace
} // namespace quorvex::testing
