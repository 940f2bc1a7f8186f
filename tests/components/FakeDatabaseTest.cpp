// The scripted database must behave like a real one where windows rely on it: failures carry
// the scripted records, statements are logged in order, connections open and close.
#include "support/FakeDatabase.h"
#include "components/DbException.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::testing;

TEST(FakeDatabase, ScriptedQueryReturnsItsRowsAndIsLogged) {
    FakeDatabase db;
    db.onQuery(QStringLiteral("SELECT A FROM T"), {QStringLiteral("A")},
               {textRow({"1"}), textRow({nullptr})});
    auto c = db.createConnection();
    ASSERT_TRUE(c->open(QStringLiteral("DSN=x")));
    Recordset rs = c->openRecordset(QStringLiteral("SELECT A FROM T"));
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.value(0), FieldValue(QStringLiteral("1")));
    rs.moveNext();
    EXPECT_FALSE(rs.value(0).has_value());
    c->execute(QStringLiteral("DELETE FROM T"));
    EXPECT_EQ(db.statements(),
              (QStringList{QStringLiteral("SELECT A FROM T"), QStringLiteral("DELETE FROM T")}));
    EXPECT_EQ(db.connectionStrings(), QStringList{QStringLiteral("DSN=x")});
}

TEST(FakeDatabase, FailuresCarryTheScriptedRecords) {
    FakeDatabase db;
    DbErrorList errors = FakeDatabase::error(QStringLiteral("first"), 1);
    errors += FakeDatabase::error(QStringLiteral("second"), 2);
    db.failOn(QStringLiteral("DROP TABLE X"), errors);
    auto c = db.createConnection();
    ASSERT_TRUE(c->open(QString()));
    try {
        c->execute(QStringLiteral("DROP TABLE X"));
        FAIL() << "no exception";
    } catch (const DbException& e) {
        EXPECT_EQ(e.errors(), errors);
        EXPECT_EQ(e.description(), QStringLiteral("first\r\nsecond"));
    }
    EXPECT_EQ(c->errors(), errors);
}

TEST(FakeDatabase, UnscriptedQueryFailsLoudlyUnlessToldOtherwise) {
    FakeDatabase db;
    auto c = db.createConnection();
    ASSERT_TRUE(c->open(QString()));
    EXPECT_THROW(c->openRecordset(QStringLiteral("SELECT 1")), DbException);
    db.setUnscriptedQueriesEmpty(true);
    Recordset rs = c->openRecordset(QStringLiteral("SELECT 1"));
    EXPECT_TRUE(rs.eof());
}

TEST(FakeDatabase, OnceScriptsFallThroughToTheNextMatch) {
    FakeDatabase db;
    db.failOn(QStringLiteral("INSERT"), FakeDatabase::error(QStringLiteral("busy")), true);
    db.onQueryMatching(QRegularExpression(QStringLiteral("^SELECT")), {QStringLiteral("N")},
                       {textRow({"7"})});
    auto c = db.createConnection();
    ASSERT_TRUE(c->open(QString()));
    EXPECT_THROW(c->execute(QStringLiteral("INSERT")), DbException);
    EXPECT_NO_THROW(c->execute(QStringLiteral("INSERT")));
    EXPECT_EQ(c->openRecordset(QStringLiteral("SELECT N FROM Y")).value(0),
              FieldValue(QStringLiteral("7")));
}

TEST(FakeDatabase, FailedOpenLeavesConnectionClosedAndStatementsRefused) {
    FakeDatabase db;
    db.failOpen(
        FakeDatabase::error(QStringLiteral("Login failed"), 18456, QStringLiteral("28000")));
    auto c = db.createConnection();
    c->setConnectionTimeout(0);
    EXPECT_FALSE(c->open(QStringLiteral("Provider=SQLOLEDB.1")));
    EXPECT_EQ(c->state(), ConnectionState::Closed);
    EXPECT_EQ(c->errors().size(), 1);
    EXPECT_EQ(c->errors().front().nativeError, 18456);
    EXPECT_EQ(db.connectionTimeouts(), QList<int>{0});
    EXPECT_THROW(c->execute(QStringLiteral("SELECT 1")), DbException);
    EXPECT_TRUE(db.statements().isEmpty());
}

TEST(FakeDatabase, CountsOpenConnections) {
    FakeDatabase db;
    {
        auto a = db.createConnection();
        auto b = db.createConnection();
        ASSERT_TRUE(a->open(QString()));
        ASSERT_TRUE(b->open(QString()));
        EXPECT_EQ(db.openNow(), 2);
        a->close();
        EXPECT_EQ(db.openNow(), 1);
    }
    EXPECT_EQ(db.openNow(), 0);
    EXPECT_EQ(db.opened(), 2);
}
