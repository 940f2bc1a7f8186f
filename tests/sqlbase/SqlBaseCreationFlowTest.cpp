#include "sqlbase/SqlBaseCreationFlow.h"
#include "SqlBaseStand.h"
#include "sqlbase/SqlBaseConnection.h"
#include "sqlserver/AuditNameRules.h"

#include <gtest/gtest.h>

namespace quorvex::testing {
namespace {

using sqlbase::saveSqlBaseAudit;

const QString kDuplicateQuery =
    "SELECT AUDIT_NAME FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'ZOTA_ORDAUD'";
const QString kColumnsQuery =
    "SELECT NAME, COLTYPE, LENGTH, SCALE FROM SYSCOLUMNS WHERE TBNAME = 'ORDERS'";
const QString kDuplicateMessage =
    "You already have an Audit with that name.  Please enter another name.";

QString crlf(const QStringList& lines) {
    return lines.join("\r\n");
}

// The insert audit on ORDERS that records rows of Paris only.
AuditDefinition parisInserts() {
    AuditDefinition definition;
    definition.kind = AuditKind::Insert;
    definition.table = "ORDERS";
    definition.columns = {"ORDNO", "CITY"};
    definition.conditions = {{"CITY", "=", "Paris", QString()}, {}};
    definition.mode = AuditMode::OnlyWhen;
    definition.connective = Connective::And;
    definition.name = "ORDAUD";
    definition.description = "Order inserts";
    return definition;
}

// The eight statements that install parisInserts(), in sending order.
QStringList parisInsertStatements() {
    return {
        "Insert Into ZOTA_SYSTEM_TABLE (AUDIT_NAME,AUDIT_DESCRIPTION,ENABLED) VALUES "
        "('ZOTA_ORDAUD','Order inserts','Y')",
        "CREATE TABLE ZOTA_ORDAUD (ORDNO INTEGER,CITY VARCHAR(30),DATE TIMESTAMP, USERID "
        "VARCHAR(8))PCTFREE 10",
        "COMMIT",
        "CREATE PUBLIC SYNONYM ZOTA_ORDAUD FOR SYSADM.ZOTA_ORDAUD",
        "COMMIT",
        crlf({"STORE ZOTA_ORDAUD", "PROCEDURE:ZOTA_ORDAUD static", "PARAMETERS", " Number: ORDNO",
              " String: CITY", " String: USERID", "LOCAL VARIABLES", " Number: nRcd",
              " Number: nNoChange", " Sql Handle: hSql1", "ACTIONS", " Set nNoChange = 1",
              " If CITY = 'Paris' ", "  Set nNoChange = 0", " If nNoChange = 0",
              "  Call SqlConnect(hSql1)",
              "  Call SqlPrepareAndExecute(hSql1, 'insert into ZOTA_ORDAUD (ORDNO,CITY,DATE, "
              "USERID) values (:ORDNO,:CITY,sysdatetime, user)')",
              "  Call SqlDisconnect(hSql1)", " Return nRcd"}),
        "CREATE TRIGGER ZOTA_ORDAUD AFTER INSERT ON ORDERS(EXECUTE ZOTA_ORDAUD(ORDNO,CITY,user))"
        "FOR EACH ROW",
        "COMMIT",
    };
}

class SqlBaseCreationFlow : public ::testing::Test {
protected:
    void SetUp() override {
        stand.database.onQuery(
            kColumnsQuery, QStringList{"NAME", "COLTYPE", "LENGTH", "SCALE"},
            {textRow({"ORDNO", "INTEGER", "4", "0"}), textRow({"CITY", "VARCHAR", "30", "0"}),
             textRow({"T1", "TIME", "3", "0"}), textRow({"NOTES", "LONGVAR", "0", "0"})});
    }

    void nameIsFree(const QString& query = kDuplicateQuery) {
        stand.database.onQuery(query, QStringList{"AUDIT_NAME"}, {});
    }
    void nameIsTaken() {
        stand.database.onQuery(kDuplicateQuery, QStringList{"AUDIT_NAME"},
                               {textRow({"ZOTA_ORDAUD"})});
    }

    SaveResult save(const AuditDefinition& definition) {
        return saveSqlBaseAudit(definition, stand.services, stand.login);
    }

    SqlBaseStand stand;
};

TEST_F(SqlBaseCreationFlow, InsertAuditIsInstalledInSendingOrderWithoutAWord) {
    nameIsFree();

    const SaveResult result = save(parisInserts());

    EXPECT_EQ(result.outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(result.deselectColumn.toStdString(), "");
    EXPECT_EQ(strings(stand.database.statements()),
              strings(QStringList{kDuplicateQuery, kColumnsQuery} + parisInsertStatements()));
    EXPECT_EQ(strings(stand.messages.texts()), strings({}));
    EXPECT_EQ(stand.database.opened(), 1);
    EXPECT_EQ(stand.database.openNow(), 0);
}

TEST_F(SqlBaseCreationFlow, UpdateAuditGetsItsOldValuesAndChangeTrigger) {
    stand.database.onQuery("SELECT AUDIT_NAME FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = "
                           "'ZOTA_ORDUPD'",
                           QStringList{"AUDIT_NAME"}, {});
    AuditDefinition definition;
    definition.kind = AuditKind::Update;
    definition.table = "ORDERS";
    definition.columns = {"ORDNO", "CITY"};
    definition.saveOldValue = {false, true};
    definition.changedFields = {"CITY"};
    definition.conditions = {{}};
    definition.name = "ORDUPD";

    EXPECT_EQ(save(definition).outcome, SaveResult::Outcome::Saved);

    const QStringList sent = stand.database.statements();
    ASSERT_EQ(sent.size(), 10);
    EXPECT_EQ(sent[3].toStdString(), "CREATE TABLE ZOTA_ORDUPD (ORDNO INTEGER,CITY VARCHAR(30),"
                                     "CITYO VARCHAR(30),DATE TIMESTAMP, USERID VARCHAR(8))"
                                     "PCTFREE 10");
    EXPECT_EQ(sent[8].toStdString(),
              "CREATE TRIGGER ZOTA_ORDUPD AFTER UPDATE OF CITY ON ORDERS REFERENCING OLD AS "
              "OLDDATA NEW AS NEWDATA(EXECUTE ZOTA_ORDUPD(NEWDATA.ORDNO,OLDDATA.ORDNO,"
              "NEWDATA.CITY,OLDDATA.CITY,user))FOR EACH ROW");
    EXPECT_EQ(strings(stand.messages.texts()), strings({}));
}

TEST_F(SqlBaseCreationFlow, NameAndDescriptionRulesComeBeforeAnyQuery) {
    AuditDefinition badName = parisInserts();
    badName.name = "ORD AUD";
    EXPECT_EQ(save(badName).outcome, SaveResult::Outcome::NotSaved);

    AuditDefinition badDescription = parisInserts();
    badDescription.description = "Orders, inserted";
    EXPECT_EQ(save(badDescription).outcome, SaveResult::Outcome::NotSaved);

    EXPECT_EQ(strings(stand.messages.texts()),
              strings({invalidAuditNameMessage(), invalidAuditDescriptionMessage()}));
    EXPECT_EQ(strings(stand.database.statements()), strings({}));
}

TEST_F(SqlBaseCreationFlow, NameInTheCatalogIsRefusedWhenTheTabIsComplete) {
    nameIsTaken();

    EXPECT_EQ(save(parisInserts()).outcome, SaveResult::Outcome::NotSaved);

    EXPECT_EQ(strings(stand.messages.texts()), strings({kDuplicateMessage}));
    EXPECT_EQ(stand.messages.shown().value(0).icon, MessageIcon::None);
    EXPECT_EQ(strings(stand.database.statements()), strings({kDuplicateQuery}));
}

TEST_F(SqlBaseCreationFlow, IncompleteTabEndsSilentlyAfterTheDuplicateQuery) {
    nameIsTaken();
    AuditDefinition noColumns = parisInserts();
    noColumns.columns.clear();
    AuditDefinition noTable = parisInserts();
    noTable.table.clear();

    EXPECT_EQ(save(noColumns).outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(save(noTable).outcome, SaveResult::Outcome::NotSaved);

    EXPECT_EQ(strings(stand.messages.texts()), strings({}));
    EXPECT_EQ(strings(stand.database.statements()), strings({kDuplicateQuery, kDuplicateQuery}));
}

TEST_F(SqlBaseCreationFlow, EmptyNamePassesTheRuleAndEndsAtTheCompletenessTest) {
    const QString query = "SELECT AUDIT_NAME FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'ZOTA_'";
    nameIsFree(query);
    AuditDefinition unnamed = parisInserts();
    unnamed.name.clear();

    EXPECT_EQ(save(unnamed).outcome, SaveResult::Outcome::NotSaved);

    EXPECT_EQ(strings(stand.messages.texts()), strings({}));
    EXPECT_EQ(strings(stand.database.statements()), strings({query}));
}

TEST_F(SqlBaseCreationFlow, LongColumnIsRefusedDeselectedAndNothingIsSent) {
    nameIsFree();
    AuditDefinition withNotes = parisInserts();
    withNotes.columns = {"ORDNO", "CITY", "NOTES"};

    const SaveResult result = save(withNotes);

    EXPECT_EQ(result.outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(result.deselectColumn.toStdString(), "NOTES");
    EXPECT_EQ(strings(stand.messages.texts()), strings({"The field NOTES can not be used. "}));
    EXPECT_EQ(strings(stand.database.statements()), strings({kDuplicateQuery, kColumnsQuery}));
}

TEST_F(SqlBaseCreationFlow, OtherRefusalsAreShownWithoutDeselectingAColumn) {
    nameIsFree();
    AuditDefinition onTime = parisInserts();
    onTime.columns = {"ORDNO", "T1"};
    onTime.conditions = {{"T1", "=", "10:00", QString()}, {}};

    const SaveResult result = save(onTime);

    EXPECT_EQ(result.outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(result.deselectColumn.toStdString(), "");
    EXPECT_EQ(stand.messages.texts().size(), 1);
    EXPECT_TRUE(stand.messages.texts().value(0).startsWith("The condition on T1 can not be used."));
    EXPECT_EQ(strings(stand.database.statements()), strings({kDuplicateQuery, kColumnsQuery}));
}

TEST_F(SqlBaseCreationFlow, ConnectionFailureEndsThePressWithTheProvidersMessage) {
    stand.database.failOpen(FakeDatabase::error("Cannot connect to ORDERSDB", 401, "08001"));

    const SaveResult result = save(parisInserts());

    EXPECT_EQ(result.outcome, SaveResult::Outcome::NotSaved);
    EXPECT_EQ(strings(stand.messages.texts()),
              strings({sqlbase::sqlBaseConnectionReport(
                  FakeDatabase::error("Cannot connect to ORDERSDB", 401, "08001"))}));
    EXPECT_EQ(strings(stand.database.statements()), strings({}));
    EXPECT_FALSE(stand.process.ended());
}

TEST_F(SqlBaseCreationFlow, FailingDuplicateQueryEndsThePressWithTheProvidersMessage) {
    stand.database.failOn(kDuplicateQuery, FakeDatabase::error("Table ZOTA_SYSTEM_TABLE missing"));

    EXPECT_EQ(save(parisInserts()).outcome, SaveResult::Outcome::NotSaved);

    EXPECT_EQ(strings(stand.messages.texts()), strings({"Table ZOTA_SYSTEM_TABLE missing"}));
    EXPECT_EQ(strings(stand.database.statements()), strings({kDuplicateQuery}));
    EXPECT_FALSE(stand.process.ended());
}

TEST(SqlBaseCreationFlowColumns, FailingColumnsQueryEndsThePressBeforeAnythingIsCreated) {
    SqlBaseStand stand;
    stand.database.onQuery(kDuplicateQuery, QStringList{"AUDIT_NAME"}, {});
    stand.database.failOn(kColumnsQuery, FakeDatabase::error("Lock timeout on SYSCOLUMNS"));

    EXPECT_EQ(saveSqlBaseAudit(parisInserts(), stand.services, stand.login).outcome,
              SaveResult::Outcome::NotSaved);

    EXPECT_EQ(strings(stand.messages.texts()), strings({"Lock timeout on SYSCOLUMNS"}));
    EXPECT_EQ(strings(stand.database.statements()), strings({kDuplicateQuery, kColumnsQuery}));
}

// Which of the eight statements fails, and what must be taken back then, newest first.
struct PartWayFailure {
    const char* behaviour;
    int failingStatement;
    std::vector<std::string> undo;
};

void PrintTo(const PartWayFailure& failure, std::ostream* out) {
    *out << failure.behaviour;
}

class SqlBaseCreationFlowPartWay : public SqlBaseCreationFlow,
                                   public ::testing::WithParamInterface<PartWayFailure> {};

TEST_P(SqlBaseCreationFlowPartWay, RemovesWhatWasCreatedAndShowsTheProvidersMessage) {
    const PartWayFailure& failure = GetParam();
    nameIsFree();
    const QStringList install = parisInsertStatements();
    // Statements before the failing one succeed (COMMIT is sent three times).
    for (int i = 0; i < failure.failingStatement; ++i)
        stand.database.onQuery(install[i], QStringList{}, {}, true);
    stand.database.failOn(install[failure.failingStatement],
                          FakeDatabase::error("Insufficient privilege"), true);

    const SaveResult result = save(parisInserts());

    EXPECT_EQ(result.outcome, SaveResult::Outcome::NotSaved);
    std::vector<std::string> expected = strings({kDuplicateQuery, kColumnsQuery});
    for (const QString& statement : install.mid(0, failure.failingStatement + 1))
        expected.push_back(statement.toStdString());
    expected.insert(expected.end(), failure.undo.begin(), failure.undo.end());
    expected.push_back("COMMIT");
    EXPECT_EQ(strings(stand.database.statements()), expected);
    EXPECT_EQ(strings(stand.messages.texts()), strings({"Insufficient privilege"}));
    EXPECT_EQ(stand.database.openNow(), 0);
}

const std::string kDeleteRow = "DELETE FROM ZOTA_SYSTEM_TABLE WHERE AUDIT_NAME = 'ZOTA_ORDAUD'";

INSTANTIATE_TEST_SUITE_P(
    EachStatement, SqlBaseCreationFlowPartWay,
    ::testing::Values(
        PartWayFailure{"catalog row", 0, {}}, PartWayFailure{"audit table", 1, {kDeleteRow}},
        PartWayFailure{"first commit", 2, {"DROP TABLE ZOTA_ORDAUD", kDeleteRow}},
        PartWayFailure{"synonym", 3, {"DROP TABLE ZOTA_ORDAUD", kDeleteRow}},
        PartWayFailure{"procedure",
                       5,
                       {"DROP PUBLIC SYNONYM ZOTA_ORDAUD", "DROP TABLE ZOTA_ORDAUD", kDeleteRow}},
        PartWayFailure{"trigger",
                       6,
                       {"ERASE ZOTA_ORDAUD", "DROP PUBLIC SYNONYM ZOTA_ORDAUD",
                        "DROP TABLE ZOTA_ORDAUD", kDeleteRow}},
        PartWayFailure{"last commit",
                       7,
                       {"DROP TRIGGER ZOTA_ORDAUD", "ERASE ZOTA_ORDAUD",
                        "DROP PUBLIC SYNONYM ZOTA_ORDAUD", "DROP TABLE ZOTA_ORDAUD", kDeleteRow}}),
    [](const ::testing::TestParamInfo<PartWayFailure>& info) {
        std::string name = info.param.behaviour;
        for (char& c : name)
            c = c == ' ' ? '_' : c;
        return name;
    });

TEST_F(SqlBaseCreationFlow, WhatCannotBeRemovedAgainIsSaidToo) {
    nameIsFree();
    stand.database.failOn(parisInsertStatements()[6], FakeDatabase::error("Trigger refused"));
    stand.database.failOn("DROP TABLE ZOTA_ORDAUD", FakeDatabase::error("Table in use"));

    EXPECT_EQ(save(parisInserts()).outcome, SaveResult::Outcome::NotSaved);

    EXPECT_EQ(strings(stand.messages.texts()),
              strings({"Trigger refused",
                       "Not everything created for the audit ZOTA_ORDAUD could be removed "
                       "again:\r\nTable in use"}));
}

} // namespace
} // namespace quorvex::testing
